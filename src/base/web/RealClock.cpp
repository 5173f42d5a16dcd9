// The real clock of the browser page. The page has one thread, the browser's: a pause
// that blocked it would freeze the page and starve the very events (input reports,
// timers) the update waits for. Under ASYNCIFY a pause instead unwinds to the event
// loop and resumes here once its time has passed.
//
// Not on a plain timer: a browser makes a timer set from inside another timer's
// callback wait at least 4 ms once five are nested, and every pause resumes inside the
// previous one's, so the controller's 1 ms pace became 4. The last few milliseconds of
// every pause are waited out in turns of the event loop instead (a message the page
// posts itself, which browsers do not stretch; setImmediate under node), and only the
// rest of a longer pause on a timer.

#include <emscripten.h>

#include <cmath>

#include "base/Clock.h"

namespace {

EM_ASYNC_JS(void, vantor_pause, (double milliseconds), {
  const deadline = performance.now() + milliseconds;
  if (!Module.vantorNextTurn) {
    if (typeof setImmediate == 'function') {
      Module.vantorNextTurn = () => new Promise((resolve) => setImmediate(resolve));
    } else {
      const channel = new MessageChannel();
      const waiting = [];
      channel.port1.onmessage = () => waiting.shift()();
      Module.vantorNextTurn = () => new Promise((resolve) => {
        waiting.push(resolve);
        channel.port2.postMessage(0);
      });
    }
  }
  // More than a stretched timer's worth of slack: the timer may fire late.
  const slack = 16;
  if (milliseconds > slack) await new Promise((resolve) => setTimeout(resolve, milliseconds - slack));
  do {
    await Module.vantorNextTurn();
  } while (performance.now() < deadline);
});

}  // namespace

namespace vantor {

std::uint64_t RealClock::NowMs() const { return static_cast<std::uint64_t>(std::floor(emscripten_get_now())); }

void RealClock::Pause(std::uint32_t milliseconds) { vantor_pause(milliseconds); }

}  // namespace vantor
