#pragma once
// CUpdateDlg: the update dialog (template 102). The window side only: every rule of
// start-up, the update button and device changes lives in UpdateController.
//
// Threads. All of this class runs on the dialog's thread. The one worker reaches the
// dialog only through Win32UpdateView (sent messages) and announces its end with a
// posted message; the dialog never blocks on the worker, so those sent calls always
// get through. Closing while a worker runs asks first (CloseQuestion), asks the worker
// to stop, tells the user the controller can be updated again, and ends the dialog
// only once the worker has gone, so nothing it uses is destroyed under it.
//
// Keys. Enter clicks the update button while it is enabled (the one push button, and
// the focus is put back on it when an update ends); only when no enabled button takes
// it does Enter close like Esc. Esc, Alt+F4 and the close box ask while an update runs
// and close otherwise.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "update/UpdateController.h"
#include "session/UpdateSession.h"
#include "win32/CloseQuestion.h"
#include "win32/ModalDialog.h"
#include "win32/TaskbarProgress.h"
#include "win32/Win32UpdateView.h"
#include "workflow/SystemView.h"

namespace vantor::win32 {

// Posted by the worker as its very last act.
inline constexpr UINT kWmWorkerExited = WM_APP + 2;

class CUpdateDlg final : public ModalDialog {
 public:
  CUpdateDlg(hid::HidBackend& backend, Clock& clock);
  ~CUpdateDlg() override;

  UpdateSession& session() { return session_; }

 protected:
  BOOL OnInitDialog() override;
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnPaint();
  HICON OnQueryDragIcon() const { return m_hIcon; }
  BOOL OnDeviceChange(UINT eventType, DWORD_PTR eventData);
  void OnUpdateButton();
  // A file dropped on the dialog: a .dat starts the same flow as a click, with the
  // file already chosen; anything else is answered with a box.
  void OnDropFiles(HDROP drop);
  void OnWorkerExited();
  // What the user is told once a worker has gone beyond the boxes the update showed.
  void ShowEnding(const UpdateResult& result);
  // The instruction text while no update runs: what the checks of `doctor` find when no
  // controller can be updated, after the start and every device change.
  void ShowIdleInstruction();
  // The keyboard focus back on the update button when it is enabled.
  void FocusUpdateButton();
  // Device changes that arrived while a start-up or device-change probe pumped messages.
  void RunDeferredDeviceEvents();
  // Enter arrives as IDOK unless the dialog manager already turned it into the focused
  // button's click.
  void OnEnter();
  // Esc, the close box and Alt+F4 arrive as IDCANCEL; Enter with no enabled button as IDOK.
  void OnCloseRequest(INT_PTR result);

  // Declaration order is destruction order in reverse: the controller (which would
  // join a worker) goes before the session, the session before the view, the view
  // before the taskbar button it shows on.
  TaskbarProgress taskbar_;
  Win32UpdateView view_;
  hid::HidBackend& backend_;
  std::unique_ptr<workflow::SystemView> system_;
  UpdateSession session_;
  UpdateController controller_;
  HICON m_hIcon = nullptr;

  HWND updateButton = nullptr;
  HWND progressBar = nullptr;
  HWND successText = nullptr;
  HWND instructionText = nullptr;

  bool closePending_ = false;    // the user chose to stop; end once the worker is gone
  CloseQuestion closeQuestion_;
  bool inDeviceChange_ = false;  // a probe may pump messages (its message boxes)
  std::vector<std::uint32_t> deferredDeviceEvents_;
};

}  // namespace vantor::win32
