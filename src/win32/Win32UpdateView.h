#pragma once
// The dialog as the update procedures see it. Every call, from whichever thread, is
// carried to the dialog's thread with SendMessageW and returns once it was handled
// there, so the controls are only ever touched by the thread that owns them. While the
// worker waits in such a call the dialog's thread keeps pumping messages (it never
// joins the worker), which is what lets the sent message through.
#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "session/UpdateView.h"
#include "win32/TaskbarProgress.h"

namespace vantor::win32 {

// The private message that runs a call on the dialog's thread; lParam points to a
// std::function<void()> owned by the sender, which waits for it.
inline constexpr UINT kWmRunOnDialogThread = WM_APP + 1;

struct DialogControls {
  HWND dialog = nullptr;
  HWND updateButton = nullptr;
  HWND progressBar = nullptr;
  HWND successText = nullptr;
  HWND instructionText = nullptr;
};

class Win32UpdateView final : public UpdateView {
 public:
  // On the dialog's thread, once the controls exist / before the window goes away.
  // Calls made while detached do nothing (a message box answers Cancel or No).
  void Attach(const DialogControls& controls);
  void Detach();

  // The dialog procedure hands kWmRunOnDialogThread here.
  static void RunSentCall(LPARAM lParam);

  // Runs on the dialog's thread just before each message box the update shows, so the
  // dialog can first take away a box of its own that the update's box would stack on.
  std::function<void()> beforeMessageBox;
  // The dialog's taskbar button, which follows the progress bar; set before Attach.
  TaskbarProgress* taskbar = nullptr;

  // The package choice of the next update, on the dialog's thread. A preset path (a
  // file dropped on the dialog) answers the next file choice instead of the open-file
  // dialog, once. ChosenPackage is what the last file choice answered with, until
  // ForgetPackageChoice (each click).
  void PresetPackage(std::string path) { presetPackage_ = std::move(path); }
  void ClearPresetPackage() { presetPackage_.reset(); }
  void ForgetPackageChoice() { chosenPackage_.reset(); }
  const std::optional<std::string>& ChosenPackage() const { return chosenPackage_; }

  void SetTitle(const std::string& title) override;
  void EnableUpdateButton(bool enabled) override;
  void ShowSuccessText(bool shown) override;
  void SetProgressPos(std::uint32_t position) override;
  // Every box without the blank lines the procedures put around their texts.
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override;
  // With the error icon, the reason and the next step; afterwards the bar (and the
  // taskbar button) no longer shows where the update broke off.
  void ShowFailure(const UpdateResult& result, const std::string& seedText, const std::string& caption) override;
  // The instruction text names the running stage, and is the instructions again when
  // no update runs.
  void OnStage(UpdateStage stage) override;
  std::optional<std::string> ChoosePackageFile(const std::string& filter, const std::string& initialFolder) override;
  // The question with what the offer adds (installed version, older or same, radio
  // image), OK/Cancel.
  int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) override;
  void StartTransferTimer() override;
  void KillTransferTimer() override;

 private:
  // Runs `call` on the dialog's thread with the controls; false when detached.
  bool OnDialogThread(const std::function<void(const DialogControls&)>& call);
  // A message box owned by the dialog, on the dialog's thread.
  int Box(const DialogControls& c, const std::string& text, const std::string& caption, UINT style);

  std::optional<std::string> presetPackage_;
  std::optional<std::string> chosenPackage_;

  std::atomic<HWND> dialog_{nullptr};
  DialogControls controls_;  // written before dialog_ is published, read after
};

// The program's file name without folder and extension: the caption of message boxes
// that have no title of their own.
std::wstring ProgramName();

}  // namespace vantor::win32
