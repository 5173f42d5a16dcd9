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
  // The file-open dialog. `filter` is in the "label|pattern||" form; returns the chosen
  // path, or nothing when the user closed the dialog without OK.
  virtual std::optional<std::string> ChoosePackageFile(const std::string& filter,
                                                       const std::string& initialFolder) = 0;
  // The framed transfer's window timer (id 1, 100 ms). Its ticks do nothing; only the
  // Win32 dialog has one.
  virtual void StartTransferTimer() {}
  virtual void KillTransferTimer() {}
  // Progress in bytes for front ends that show more than a percentage (rate, time
  // left); comes just before the SetProgressPos it details.
  virtual void ReportBytes(std::uint64_t /*sent*/, std::uint64_t /*total*/) {}
};

}  // namespace vantor
