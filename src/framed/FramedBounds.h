#pragma once
// How long the framed procedures wait for a controller that stops answering. The
// bootloader itself never times out on the host, so these bounds are the only thing
// that ends a conversation with a controller that went quiet or went away.

#include <cstdint>

namespace vantor::framed {

// The version probe runs on the dialog's thread, so it must give up quickly: a framed
// bootloader answers the version query within a few USB frames. After this much time
// on the session clock (ten reads at the probe's 200 ms time-out) the probe ends
// without a version; the title stays the product title and nothing is shown.
inline constexpr std::uint32_t kProbeWaitMs = 2000;
// A controller that keeps sending reports the probe does not act on cannot hold the
// dialog either.
inline constexpr int kProbeMaxReads = 32;

// The worker's loop gives up, with the failure message, once the controller has sent
// nothing that moves the update on for this long (session clock). The longest quiet
// spell of a working bootloader is the erase behind the header, a few seconds for the
// largest images; the user's file dialog does not count (the clock restarts after
// every message handled).
inline constexpr std::uint32_t kWorkerSilenceLimitMs = 10000;

// A vanished controller: Windows and the emulated backend refuse a read on it at once
// (0xFFFFFFFF), hidapi reports a read error the same way, and a channel that is not
// open answers 0x80. This many such reads in a row end the loop (the probe as well);
// a report or a time-out in between starts the count again.
inline constexpr int kGoneAfterFailedReads = 3;

}  // namespace vantor::framed
