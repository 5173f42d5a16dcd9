#pragma once
// One controller's update session: the report channel, the update state record and the
// values the procedures share (the dialog owns exactly one; tests and the command line
// may run several side by side).
//
// Owners. What detection and the probe learn is written on the front end's UI thread
// while no update runs. What belongs to one update (its target controller, its phase,
// its stop request, its result) is written when the update starts, before its worker
// exists, and then by that worker alone; the front end reads the result once the
// worker has ended (or through UpdateView::OnConcluded).
//
// Threads. The dialog's thread and at most one update worker use a session. The
// controller (UpdateController) starts a worker only when none runs, and never probes
// the channel while one runs, so the channel, receiveArea and the record are used by
// one thread at a time. Flags read across threads are atomics.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "base/Clock.h"
#include "hid/CHid.h"
#include "session/UpdateResult.h"
#include "session/UpdateState.h"
#include "session/UpdateView.h"

namespace vantor {

// The controller's version word before it has reported one.
inline constexpr std::uint32_t kVersionNotReported = 0x5A5A5A5A;
// The version word of a controller that holds no firmware.
inline constexpr std::uint32_t kNoFirmware = 0xFFFFFFFF;

// The controller an update works on, taken when the update starts and never re-read
// from detection: another controller arriving or leaving changes presence only.
struct UpdateTarget {
  std::string path;
  hid::Protocol protocol = hid::Protocol::kFramed;
  // What the probe reported (addressed); a framed controller is matched as 0/0.
  std::uint16_t deviceType = 0;
  std::uint8_t deviceVariant = 0;
};

// What the last probe learned beyond the version word, for front ends that report it.
struct ProbeFacts {
  std::optional<std::uint16_t> deviceType;
  std::optional<std::uint8_t> deviceVariant;
  std::optional<std::uint16_t> radioVersion;
  bool radioVersionUnreadable = false;
  // Framed: whether the device information said boot mode, when the probe asked.
  std::optional<bool> inBootMode;
};

// What the framed update answers the controller's next data request with.
enum class FramedPhase : int {
  kStarting = 0,    // the dialog's start has not finished
  kFirstChunk = 1,  // a package was confirmed: open it and send the first chunk
  kNextChunk = 2,   // streaming
  kFinish = 3,      // the image is complete (or no update runs): the finish command
};

class UpdateSession {
 public:
  UpdateSession(hid::HidBackend& backend, UpdateView& view, Clock& clock) : hid(backend), view(view), clock(clock) {}
  UpdateSession(const UpdateSession&) = delete;
  UpdateSession& operator=(const UpdateSession&) = delete;

  hid::CHid hid;
  UpdateState state;
  UpdateView& view;
  Clock& clock;  // every fixed pause of the procedures

  // Every read of either protocol lands here: 64 data bytes of an input report.
  std::array<std::uint8_t, hid::kReportDataSize> receiveArea{};

  // --- What detection and the probe learned (UI thread, no update running).
  std::atomic<std::uint32_t> deviceVersion{kVersionNotReported};
  std::atomic<int> firmwareType{0};
  std::atomic<bool> titleShowsVersion{false};
  ProbeFacts probe;
  // The probe reads the radio's version whatever the last package was (`info`); the
  // dialog reads it only after a package with a radio image.
  bool probeReadsRadioVersion = false;
  // The framed probe also asks which firmware answers, the bootloader or the normal
  // one (`list`, `info`); the dialog's probe asks for the version alone.
  bool probeReadsMode = false;

  // --- The running update.
  UpdateTarget target;
  // Addressed: read every written region (and the stamps) back before the controller
  // is restarted; a mismatch fails the update. Set before the click.
  bool verifyAfterWrite = false;
  // Addressed: the update only reads the package's image back (`verify FILE`): nothing
  // is erased, written or restarted. Set before the click.
  bool verifyOnly = false;
  std::atomic<std::uint8_t> hasBleImage{0};
  // 1 ends the framed worker's loop; also asks any worker to stop at a safe point.
  std::atomic<int> stopRequested{0};
  std::atomic<FramedPhase> framedPhase{FramedPhase::kStarting};
  // The user confirmed a package in the running update (set by SelectPackage, cleared
  // by each click): only such an update can end in success.
  std::atomic<bool> packageConfirmed{false};
  // Set by UpdateController::RequestStop (closing the dialog, Ctrl-C): the worker ends
  // at its next safe point with UpdateOutcome::kInterrupted. Cleared by each click.
  std::atomic<bool> interruptRequested{false};
  // How the last update ended (the detail is in result()).
  std::atomic<UpdateOutcome> outcome{UpdateOutcome::kNone};

  // The update enters `stage`: remembered for its result and told to the view.
  void EnterStage(UpdateStage stage);
  UpdateStage stage() const { return stage_.load(); }
  // Bytes of the running stage and of the whole update, told to the view.
  void ReportProgress(std::uint64_t stageSent, std::uint64_t stageTotal, std::uint64_t sent, std::uint64_t total);
  // Records how the update ended, in the stage it is in; a later call replaces it.
  void Conclude(UpdateOutcome how, FailureReason reason = FailureReason::kNone, std::uint32_t code = 0,
                package::PackageProblem problem = package::PackageProblem::kNone);
  UpdateResult result() const;
  // The offer of the running (or last) update, once its package was judged (worker),
  // for the front end to read at any time.
  void RecordOffer(const PackageOffer& made);
  std::optional<PackageOffer> offer() const;

  // The update button, gated: while a worker runs nothing but the worker's own end
  // (RefreshUpdateButton) may enable it, so a second update cannot start.
  void SetUpdateButton(bool enabled);
  // The worker owns the channel: from the click until its RefreshUpdateButton.
  bool workerActive() const { return workerActive_.load(); }

 private:
  friend class UpdateController;
  friend void RefreshUpdateButton(UpdateSession& session);
  // At a click, before the worker starts: a fresh result and no stop request.
  void BeginUpdate(UpdateTarget updateTarget);

  std::atomic<bool> workerActive_{false};
  std::atomic<UpdateStage> stage_{UpdateStage::kIdle};
  mutable std::mutex resultMutex_;
  UpdateResult result_;
  std::optional<PackageOffer> offer_;
};

// At the end of every update, on the worker's thread: detect again and set the button
// from the outcome. Marks the end of the worker's use of the channel.
void RefreshUpdateButton(UpdateSession& session);

// The endings both protocols show alike. Success: stopRequested, the box "\n %s \n"
// with the success text, the success text under the bar, the bar back at 0. Failure:
// the box "%s\n" with the failure text. Both conclude the update.
void ReportUpdateSuccess(UpdateSession& session);
void ReportUpdateFailure(UpdateSession& session, FailureReason reason, std::uint32_t code = 0);

// "%s(Fw v%0.1f)"-style titles share this: the product title in the user's language.
std::string ProductTitle();

}  // namespace vantor
