#include "win32/UpdateApp.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/Clock.h"
#include "win32/ProgramBackend.h"
#include "win32/UpdateDlg.h"

namespace vantor::win32 {

int CUpdateApp::InitInstance() {
  // The progress bar's window class.
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  // The taskbar button's progress and the file-open dialog are COM objects of this
  // thread's apartment.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  RealClock clock;
  ProgramBackend program(clock);
  {
    CUpdateDlg dialog(program.backend(), clock);
    // What the dialog returns is not examined.
    dialog.DoModal(nullptr);
  }
  program.OnDialogClosed();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

}  // namespace vantor::win32

namespace {
vantor::win32::CUpdateApp theApp;
}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
  return theApp.InitInstance();
}
