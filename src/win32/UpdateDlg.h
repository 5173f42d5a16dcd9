#pragma once
// CUpdateDlg: the update dialog (template 102). The window side only: every rule of
// start-up, the update button and device changes lives in UpdateController.
//
// Threads. All of this class runs on the dialog's thread. The one worker reaches the
// dialog only through Win32UpdateView (sent messages) and announces its end with a
// posted message; the dialog never blocks on the worker, so those sent calls always
// get through. Closing while a worker runs asks first, asks the worker to stop, and
// ends the dialog only once the worker has gone, so nothing it uses is destroyed
// under it.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "update/UpdateController.h"
#include "session/UpdateSession.h"
#include "win32/ModalDialog.h"
#include "win32/Win32UpdateView.h"

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
  void OnWorkerExited();
  // Device changes that arrived while a start-up or device-change probe pumped messages.
  void RunDeferredDeviceEvents();
  // Esc, Enter, the close box and Alt+F4 all arrive as IDCANCEL or IDOK.
  void OnCloseRequest(INT_PTR result);

  // Declaration order is destruction order in reverse: the controller (which would
  // join a worker) goes before the session, the session before the view.
  Win32UpdateView view_;
  UpdateSession session_;
  UpdateController controller_;
  HICON m_hIcon = nullptr;

  HWND updateButton = nullptr;
  HWND progressBar = nullptr;
  HWND successText = nullptr;
  HWND instructionText = nullptr;

  bool closePending_ = false;    // the user chose to stop; end once the worker is gone
  bool askingToClose_ = false;
  bool inDeviceChange_ = false;  // a probe may pump messages (its message boxes)
  std::vector<std::uint32_t> deferredDeviceEvents_;
};

}  // namespace vantor::win32
