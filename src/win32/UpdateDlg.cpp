#include "win32/UpdateDlg.h"

#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "base/win32/Utf16.h"
#include "res/resource.h"
#include "win32/DialogTexts.h"
#include "win32/DialogWords.h"
#include "win32/DroppedPackage.h"
#include "workflow/Diagnosis.h"

namespace vantor::win32 {
namespace {

void SetText(HWND window, TextSlot slot) { SetWindowTextW(window, ToUtf16(LocalizedText(slot)).c_str()); }

// The template places the dialog at 0,0, which means: centre it on the work area of
// the monitor it opens on.
void CentreOnWorkArea(HWND dialog) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (!GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  RECT window;
  GetWindowRect(dialog, &window);
  const RECT& area = monitor.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int x = area.left + (area.right - area.left - width) / 2;
  const int y = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CUpdateDlg::CUpdateDlg(hid::HidBackend& backend, Clock& clock)
    : ModalDialog(IDD_VANTORUPDATE_DIALOG),
      backend_(backend),
      system_(workflow::RunningSystem()),
      session_(backend, view_, clock),
      controller_(session_) {
  m_hIcon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

CUpdateDlg::~CUpdateDlg() {
  if (m_hIcon != nullptr) DestroyIcon(m_hIcon);
}

BOOL CUpdateDlg::OnInitDialog() {
  const HWND dialog = hwnd();
  CentreOnWorkArea(dialog);
  SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

  updateButton = GetDlgItem(dialog, IDC_UPDATE_BUTTON);
  progressBar = GetDlgItem(dialog, IDC_PROGRESS);
  // GetDlgItem takes the id as an int; -1 is the success text's.
  successText = GetDlgItem(dialog, IDC_STATIC);
  ShowWindow(successText, SW_HIDE);
  SetText(successText, text::kSuccess);
  instructionText = GetDlgItem(dialog, IDC_INSTRUCTION_TEXT);
  SetText(instructionText, text::kInstructions);
  SendMessageW(progressBar, PBM_SETRANGE, 0, 0x00640000);
  SendMessageW(progressBar, PBM_SETPOS, 0, 0);
  SetText(updateButton, text::kUsbUpdate);

  // A box the update shows means it has ended (or needs the user): it replaces an open
  // close question instead of stacking on it.
  view_.beforeMessageBox = [this] { closeQuestion_.Dismiss(); };
  if (ITaskbarList3* list = TaskbarProgress::CreateList()) {
    taskbar_.Attach(dialog, list);
    list->Release();
  }
  view_.taskbar = &taskbar_;
  view_.Attach(DialogControls{dialog, updateButton, progressBar, successText, instructionText});
  controller_.onWorkerExit = [dialog] { PostMessageW(dialog, kWmWorkerExited, 0, 0); };
  // Clears the record, detects (registering this window for device changes), probes a
  // controller that is there and sets the title. The probe may show a message box, and
  // device changes that its loop delivers wait until the start is complete.
  inDeviceChange_ = true;
  controller_.Start(dialog);
  RunDeferredDeviceEvents();
  inDeviceChange_ = false;
  ShowIdleInstruction();
  return TRUE;
}

INT_PTR CUpdateDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // A taskbar that starts after the dialog (or again) knows nothing of the progress.
  static const UINT taskbarButtonCreated = RegisterWindowMessageW(L"TaskbarButtonCreated");
  if (message == taskbarButtonCreated && message != 0) {
    taskbar_.Reapply();
    return FALSE;
  }
  switch (message) {
    case kWmRunOnDialogThread:
      Win32UpdateView::RunSentCall(lParam);
      return TRUE;
    case kWmWorkerExited:
      OnWorkerExited();
      return TRUE;
    case WM_PAINT:
      if (!IsIconic(hwnd())) return FALSE;
      OnPaint();
      return TRUE;
    case WM_QUERYDRAGICON:
      // One of the messages whose result a dialog procedure returns directly.
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_DEVICECHANGE:
      return Result(OnDeviceChange(static_cast<UINT>(wParam), static_cast<DWORD_PTR>(lParam)));
    case WM_TIMER:
      // The framed transfer's timer only keeps the default processing.
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_UPDATE_BUTTON && HIWORD(wParam) == BN_CLICKED) {
        OnUpdateButton();
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK) {
        OnEnter();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        OnCloseRequest(IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return TRUE;
    case WM_DESTROY:
      view_.Detach();
      taskbar_.Detach();
      return FALSE;
    default:
      return FALSE;
  }
}

void CUpdateDlg::OnPaint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd(), &paint);
  SendMessageW(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(hwnd(), &client);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(hwnd(), &paint);
}

BOOL CUpdateDlg::OnDeviceChange(UINT eventType, DWORD_PTR /*eventData*/) {
  // A probe shows message boxes, whose loops deliver further WM_DEVICECHANGE here:
  // those wait until the current one is done instead of probing inside a probe.
  if (inDeviceChange_ || closePending_) {
    if (!closePending_) deferredDeviceEvents_.push_back(eventType);
    return TRUE;
  }
  inDeviceChange_ = true;
  controller_.OnDeviceChange(eventType);
  RunDeferredDeviceEvents();
  inDeviceChange_ = false;
  ShowIdleInstruction();
  // Every request to allow a removal is granted.
  return TRUE;
}

void CUpdateDlg::RunDeferredDeviceEvents() {
  while (!deferredDeviceEvents_.empty() && !closePending_) {
    const std::uint32_t next = deferredDeviceEvents_.front();
    deferredDeviceEvents_.erase(deferredDeviceEvents_.begin());
    controller_.OnDeviceChange(next);
  }
  deferredDeviceEvents_.clear();
}

void CUpdateDlg::OnUpdateButton() {
  if (controller_.HasWorker() || closePending_ || closeQuestion_.IsOpen()) {
    view_.ClearPresetPackage();
    return;
  }
  view_.ForgetPackageChoice();
  if (controller_.OnUpdateButton()) return;
  view_.ClearPresetPackage();
  // No worker started: a controller that could not be opened is said so, with what to
  // do, rather than the click being ignored.
  if (!session_.hid.Detected()) return;
  if (const std::optional<std::string> why = OpenFailureText(session_.hid.LastOpenError())) {
    view_.ShowMessage(*why, ProductTitle(), MessageButtons::kOk);
    FocusUpdateButton();
  }
}

void CUpdateDlg::OnDropFiles(HDROP drop) {
  const std::optional<std::wstring> package = DroppedPackage(drop);
  const bool anything = DroppedCount(drop) > 0;
  DragFinish(drop);
  // Drops are accepted only while the button is (DragAcceptFiles follows it); one that
  // arrives as an update starts is not a second update.
  if (controller_.HasWorker() || closePending_ || closeQuestion_.IsOpen() || !IsWindowEnabled(updateButton)) return;
  if (!package) {
    if (anything) view_.ShowMessage(LocalizedText(text::kDropOnlyPackage), ProductTitle(), MessageButtons::kOk);
    return;
  }
  // The same flow as a click, with the file already chosen.
  view_.PresetPackage(ToUtf8(*package));
  FocusUpdateButton();
  OnUpdateButton();
}

void CUpdateDlg::OnWorkerExited() {
  // An update that ended without a box of its own may still find the question open.
  closeQuestion_.Dismiss();
  if (closePending_) {
    controller_.WaitForWorker();  // already past its last act: returns at once
    if (session_.result().outcome == UpdateOutcome::kInterrupted) {
      view_.ShowMessage(LocalizedText(text::kStoppedKeepsBootMode), ProductTitle(), MessageButtons::kOk);
    }
    EndDialog(hwnd(), IDCANCEL);
    return;
  }
  taskbar_.Clear();
  // Releases the thread and runs a probe that an arrival during the update held back.
  controller_.OnWorkerFinished();
  ShowIdleInstruction();
  ShowEnding(session_.result());
  FocusUpdateButton();
}

void CUpdateDlg::ShowEnding(const UpdateResult& result) {
  // Every other ending showed its box (or, like a cancelled file choice, needs none).
  if (result.outcome == UpdateOutcome::kNothingMatched) {
    view_.ShowMessage(LocalizedText(text::kNoMatchingFirmware), ProductTitle(), MessageButtons::kOk);
  }
  // A file was chosen and still no package: it could not be opened or read. (No choice
  // at all is the user's cancel, which needs no word.)
  if (result.outcome == UpdateOutcome::kNoPackage && view_.ChosenPackage()) {
    view_.ShowMessage(Format(LocalizedText(text::kPackageUnreadableAt).c_str(), view_.ChosenPackage()->c_str()),
                      ProductTitle(), MessageButtons::kOk);
  }
}

void CUpdateDlg::ShowIdleInstruction() {
  // A running update's stage stays; its controller is the update's own.
  if (controller_.HasWorker() || closePending_) return;
  const workflow::Diagnosis diagnosis = workflow::Diagnose(*system_, &backend_, "", "");
  SetWindowTextW(instructionText, ToUtf16(IdleInstruction(diagnosis)).c_str());
}

void CUpdateDlg::FocusUpdateButton() {
  if (hwnd() == nullptr || !IsWindowEnabled(updateButton)) return;
  // WM_NEXTDLGCTL rather than SetFocus: the dialog manager also makes it the default
  // button, the one Enter presses.
  SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(updateButton), TRUE);
}

void CUpdateDlg::OnEnter() {
  if (closePending_ || closeQuestion_.IsOpen()) return;
  if (IsWindowEnabled(updateButton)) {
    FocusUpdateButton();
    OnUpdateButton();
    return;
  }
  OnCloseRequest(IDOK);
}

void CUpdateDlg::OnCloseRequest(INT_PTR result) {
  if (closePending_ || closeQuestion_.IsOpen()) return;
  if (controller_.IsUpdating()) {
    const bool stop =
        closeQuestion_.Ask(hwnd(), ToUtf16(LocalizedText(text::kCloseQuestion)), ToUtf16(ProductTitle()));
    if (!stop) {
      // The closing box hands the focus back to where it was when it opened, which is
      // not the button when the update ended meanwhile.
      FocusUpdateButton();
      return;
    }
  }
  // The worker may have ended while the question was up.
  if (controller_.HasWorker()) {
    controller_.RequestStop();
    closePending_ = true;
    return;
  }
  EndDialog(hwnd(), result);
}

}  // namespace vantor::win32
