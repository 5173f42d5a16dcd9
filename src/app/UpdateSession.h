#pragma once
// One controller's update session: the report channel, the update state record and the
// values the procedures share (the dialog owns exactly one; tests may run several).
//
// Threads. The dialog's thread and at most one update worker use a session. The
// controller (UpdateController) starts a worker only when none runs, and never probes
// the channel while one runs, so the channel, receiveArea and the record are used by
// one thread at a time. Flags read across threads are atomics.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "app/Pacing.h"
#include "app/UpdateView.h"
#include "hid/CHid.h"
#include "package/UpdateState.h"

namespace vantor {

// The controller's version word before it has reported one.
inline constexpr std::uint32_t kVersionNotReported = 0x5A5A5A5A;
// The version word of a controller that holds no firmware.
inline constexpr std::uint32_t kNoFirmware = 0xFFFFFFFF;

// How the last update ended, for front ends that report more than the message box
// (the command line's exit code).
enum class UpdateOutcome {
  kNone,             // no update finished yet
  kSucceeded,        // the success box was shown
  kFailed,           // the failure was shown
  kNotInBootMode,    // the controller is not in its boot mode
  kNoPackage,        // no package confirmed: cancelled, or no section for this controller
  kPackageRefused,   // the package is truncated or holds nothing to write
  kInterrupted,      // stopped on request (closing, Ctrl-C) at a safe point
};

class UpdateSession {
 public:
  UpdateSession(hid::HidBackend& backend, UpdateView& view, Clock& clock)
      : hid(backend), view(view), clock(clock) {}
  UpdateSession(const UpdateSession&) = delete;
  UpdateSession& operator=(const UpdateSession&) = delete;

  hid::CHid hid;
  package::UpdateState state;
  UpdateView& view;
  Clock& clock;  // every fixed pause of the procedures

  // Every read of either protocol lands here: 64 data bytes of an input report.
  std::array<std::uint8_t, hid::kReportDataSize> receiveArea{};

  std::atomic<std::uint32_t> deviceVersion{kVersionNotReported};
  std::atomic<std::uint8_t> hasBleImage{0};
  // 1 ends the framed worker's loop; also asks any worker to stop at a safe point.
  std::atomic<int> stopRequested{0};
  std::atomic<int> framedPhase{0};
  std::atomic<int> firmwareType{0};
  std::atomic<bool> titleShowsVersion{false};
  std::atomic<UpdateOutcome> outcome{UpdateOutcome::kNone};
  // The user confirmed a package in the running update (set by SelectPackage, cleared
  // by each click): only such an update can end in success.
  std::atomic<bool> packageConfirmed{false};
  // Set by UpdateController::RequestStop (closing the dialog, Ctrl-C): the worker ends
  // at its next safe point with UpdateOutcome::kInterrupted. Cleared by each click.
  std::atomic<bool> interruptRequested{false};

  // The update button, gated: while a worker runs nothing but the worker's own end
  // (RefreshUpdateButton) may enable it, so a second update cannot start.
  void SetUpdateButton(bool enabled);
  bool workerActive() const { return workerActive_.load(); }

 private:
  friend class UpdateController;
  friend void RefreshUpdateButton(UpdateSession& session);
  std::atomic<bool> workerActive_{false};
};

// At the end of every update, on the worker's thread: detect again and set the button
// from the outcome. Marks the end of the worker's use of the channel.
void RefreshUpdateButton(UpdateSession& session);

// The endings both protocols show alike. Success: stopRequested, the box "\n %s \n"
// with the success text, the success text under the bar, the bar back at 0. Failure:
// the box "%s\n" with the failure text. Both set session.outcome.
void ReportUpdateSuccess(UpdateSession& session);
void ReportUpdateFailure(UpdateSession& session);

// "%s(Fw v%0.1f)"-style titles share this: the product title in the user's language.
std::string ProductTitle();

}  // namespace vantor
