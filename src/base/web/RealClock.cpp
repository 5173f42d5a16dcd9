// The real clock of the browser page. The page has one thread, the browser's: a pause
// that blocked it would freeze the page and starve the very events (input reports,
// timers) the update waits for. Under ASYNCIFY a pause instead unwinds to the event
// loop and resumes here when its timer fires.

#include <emscripten.h>

#include <cmath>

#include "base/Clock.h"

namespace vantor {

std::uint64_t RealClock::NowMs() const { return static_cast<std::uint64_t>(std::floor(emscripten_get_now())); }

void RealClock::Pause(std::uint32_t milliseconds) { emscripten_sleep(milliseconds); }

}  // namespace vantor
