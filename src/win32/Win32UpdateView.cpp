#include "win32/Win32UpdateView.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "base/LocalizedText.h"
#include "base/win32/Utf16.h"
#include "session/UpdateSession.h"
#include "win32/DialogWords.h"

namespace vantor::win32 {
namespace {

// The framed transfer's window timer.
constexpr UINT_PTR kTransferTimerId = 1;
constexpr UINT kTransferTimerMs = 100;
constexpr DWORD kPathCapacity = 1024;

UINT MessageBoxStyle(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOkCancel:
      return MB_OKCANCEL;
    case MessageButtons::kYesNo:
      return MB_YESNO;
    case MessageButtons::kOk:
      break;
  }
  return MB_OK;
}

int AnswerWhenDetached(MessageButtons buttons) {
  return buttons == MessageButtons::kYesNo ? kIdNo : kIdCancel;
}

// Where the keyboard goes while the button is disabled: the dialog's first other
// visible, enabled control, the one the dialog manager gives the focus to when the
// dialog opens with the button disabled.
HWND FocusWithoutButton(const DialogControls& c) {
  for (HWND child = GetWindow(c.dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (child != c.updateButton && IsWindowVisible(child) && IsWindowEnabled(child)) return child;
  }
  return c.dialog;
}

}  // namespace

std::wstring ProgramName() {
  std::vector<wchar_t> buffer(kPathCapacity);
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::wstring name(buffer.data(), length);
  const std::size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

void Win32UpdateView::Attach(const DialogControls& controls) {
  controls_ = controls;
  dialog_.store(controls.dialog);
}

void Win32UpdateView::Detach() { dialog_.store(nullptr); }

void Win32UpdateView::RunSentCall(LPARAM lParam) { (*reinterpret_cast<const std::function<void()>*>(lParam))(); }

bool Win32UpdateView::OnDialogThread(const std::function<void(const DialogControls&)>& call) {
  const HWND dialog = dialog_.load();
  if (dialog == nullptr) return false;
  bool ran = false;
  const std::function<void()> sent = [&] {
    ran = true;
    call(controls_);
  };
  // Sent, not posted: the caller waits until the dialog's thread has handled it. From
  // the dialog's own thread this is a plain call.
  SendMessageW(dialog, kWmRunOnDialogThread, 0, reinterpret_cast<LPARAM>(&sent));
  return ran;
}

void Win32UpdateView::SetTitle(const std::string& title) {
  OnDialogThread([&](const DialogControls& c) { SetWindowTextW(c.dialog, ToUtf16(title).c_str()); });
}

void Win32UpdateView::EnableUpdateButton(bool enabled) {
  OnDialogThread([&](const DialogControls& c) {
    // A disabled button keeps or loses the focus, and either way no key reaches the
    // dialog any more (Escape would not close it): the focus moves on first.
    if (!enabled && GetFocus() == c.updateButton) SetFocus(FocusWithoutButton(c));
    EnableWindow(c.updateButton, enabled ? TRUE : FALSE);
    // A file can be dropped exactly when the button could be clicked; otherwise the
    // cursor says no instead of a drop that does nothing.
    DragAcceptFiles(c.dialog, enabled ? TRUE : FALSE);
  });
}

void Win32UpdateView::ShowSuccessText(bool shown) {
  OnDialogThread([&](const DialogControls& c) { ShowWindow(c.successText, shown ? SW_SHOW : SW_HIDE); });
}

void Win32UpdateView::SetProgressPos(std::uint32_t position) {
  OnDialogThread([&](const DialogControls& c) {
    SendMessageW(c.progressBar, PBM_SETPOS, position, 0);
    if (taskbar != nullptr) taskbar->SetPosition(position);
  });
}

int Win32UpdateView::Box(const DialogControls& c, const std::string& text, const std::string& caption, UINT style) {
  const std::wstring title = caption.empty() ? ProgramName() : ToUtf16(caption);
  if (beforeMessageBox) beforeMessageBox();
  return MessageBoxW(c.dialog, ToUtf16(WithoutSurroundingBlanks(text)).c_str(), title.c_str(), style);
}

int Win32UpdateView::ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) {
  int answer = AnswerWhenDetached(buttons);
  OnDialogThread([&](const DialogControls& c) { answer = Box(c, text, caption, MessageBoxStyle(buttons)); });
  return answer;
}

void Win32UpdateView::ShowFailure(const UpdateResult& result, const std::string& seedText,
                                  const std::string& caption) {
  const std::string text = FailureBoxText(result, seedText);
  OnDialogThread([&](const DialogControls& c) {
    if (taskbar != nullptr) taskbar->ShowFailed();
    Box(c, text, caption, MB_OK | MB_ICONERROR);
    // A bar left at the point of failure reads as an update that still runs.
    SendMessageW(c.progressBar, PBM_SETPOS, 0, 0);
    if (taskbar != nullptr) taskbar->Clear();
  });
}

int Win32UpdateView::ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) {
  return ShowMessage(ConfirmationBoxText(offer, seedQuestion), ProductTitle(), MessageButtons::kOkCancel);
}

void Win32UpdateView::OnStage(UpdateStage stage) {
  const std::string text = StageInstruction(stage).value_or(LocalizedText(text::kInstructions));
  OnDialogThread([&](const DialogControls& c) {
    if (c.instructionText != nullptr) SetWindowTextW(c.instructionText, ToUtf16(text).c_str());
  });
}

std::optional<std::string> Win32UpdateView::ChoosePackageFile(const std::string& filter,
                                                              const std::string& initialFolder) {
  std::optional<std::string> chosen;
  OnDialogThread([&](const DialogControls& c) {
    if (presetPackage_) {
      chosen = std::move(presetPackage_);
      presetPackage_.reset();
      chosenPackage_ = chosen;
      return;
    }
    // "label|pattern||" becomes the double-NUL-terminated list the dialog expects.
    std::wstring filterList = ToUtf16(filter);
    for (wchar_t& ch : filterList) {
      if (ch == L'|') ch = L'\0';
    }
    filterList.push_back(L'\0');
    const std::wstring folder = ToUtf16(initialFolder);
    std::vector<wchar_t> path(kPathCapacity, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = c.dialog;
    ofn.lpstrFilter = filterList.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrDefExt = L"*.*";
    // A mistyped name is answered by the open-file dialog itself, which stays open,
    // instead of ending the update without a word.
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameW(&ofn)) chosen = ToUtf8(path.data());
    chosenPackage_ = chosen;
  });
  return chosen;
}

void Win32UpdateView::StartTransferTimer() {
  OnDialogThread([](const DialogControls& c) { SetTimer(c.dialog, kTransferTimerId, kTransferTimerMs, nullptr); });
}

void Win32UpdateView::KillTransferTimer() {
  OnDialogThread([](const DialogControls& c) { KillTimer(c.dialog, kTransferTimerId); });
}

}  // namespace vantor::win32
