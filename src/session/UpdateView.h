#pragma once
// What the update procedures need of the dialog. The Win32 dialog, the command line
// and the tests implement it.
//
// Threads: the procedures call it from the dialog's thread (probe) and from the worker
// thread (update). An implementation carries each call to wherever its UI lives and
// returns once the call is handled; the Win32 dialog sends a message to its own thread.

#include <cstdint>
#include <optional>
#include <string>

#include "session/PackageOffer.h"
#include "session/UpdateResult.h"

namespace vantor {

enum class MessageButtons { kOk, kOkCancel, kYesNo };

// The Windows answer codes, which the procedures compare against.
enum MessageAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

class UpdateView {
 public:
  virtual ~UpdateView() = default;

  virtual void SetTitle(const std::string& title) = 0;
  virtual void EnableUpdateButton(bool enabled) = 0;
  virtual void ShowSuccessText(bool shown) = 0;
  // Position of the progress bar, 0..100 (passed on unchanged, as PBM_SETPOS does).
  virtual void SetProgressPos(std::uint32_t position) = 0;
  // A message box owned by the dialog; `caption` empty means the program's own name.
  // Returns a MessageAnswer.
  virtual int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) = 0;
  // The failure box of an update that `result` (kFailed) describes; `seedText` is its
  // plain text ("%s\n" with the failure text). The default shows seedText with OK; a
  // front end may say more (the reason, the next step).
  virtual void ShowFailure(const UpdateResult& /*result*/, const std::string& seedText, const std::string& caption) {
    ShowMessage(seedText, caption, MessageButtons::kOk);
  }
  // The file-open dialog. `filter` is in the "label|pattern||" form; returns the chosen
  // path, or nothing when the user closed the dialog without OK.
  virtual std::optional<std::string> ChoosePackageFile(const std::string& filter, const std::string& initialFolder) = 0;
  // The confirmation of the package chosen: `offer` says what will be written;
  // `seedQuestion` is the dialog's own question ("New firmware 1.56"). Returns kIdOk to
  // go on, kIdCancel not to. By default the seed's OK/Cancel box asks the question.
  virtual int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion);
  // A read-back alone (UpdateSession::verifyOnly) writes nothing, so nothing is asked:
  // `offer` says what the controller's flash is compared with.
  virtual void ShowVerifyOffer(const PackageOffer& /*offer*/) {}
  // The framed transfer's window timer (id 1, 100 ms). Its ticks do nothing; only the
  // Win32 dialog has one.
  virtual void StartTransferTimer() {}
  virtual void KillTransferTimer() {}

  // The update's events, for front ends that report more than the dialog's bar and
  // boxes. A stage begins; bytes move (just before the SetProgressPos they detail);
  // the update has ended (once, before the worker's last act).
  virtual void OnStage(UpdateStage /*stage*/) {}
  virtual void ReportBytes(const ByteProgress& /*progress*/) {}
  virtual void OnConcluded(const UpdateResult& /*result*/) {}
};

}  // namespace vantor
