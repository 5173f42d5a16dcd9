// The dialog's view under Wine: calls from the worker thread must be carried to the
// window's own thread (controls are never touched from the worker), keep their text
// intact, and do nothing once the window is gone.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "base/win32/Utf16.h"
#include "win32/Win32UpdateView.h"

namespace vantor::win32 {
namespace {

// Threads on which the sent calls ran.
std::vector<DWORD> g_callThreads;

LRESULT CALLBACK TestDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kWmRunOnDialogThread) {
    g_callThreads.push_back(GetCurrentThreadId());
    Win32UpdateView::RunSentCall(lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class DialogWindow {
 public:
  DialogWindow() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &TestDialogProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VantorViewTest";
    RegisterClassW(&windowClass);
    controls_.dialog = CreateWindowExW(0, L"VantorViewTest", L"s", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr,
                                       windowClass.hInstance, nullptr);
    controls_.updateButton = Child(L"Button", BS_PUSHBUTTON);
    controls_.progressBar = Child(L"msctls_progress32", 0);
    SendMessageW(controls_.progressBar, PBM_SETRANGE, 0, 0x00640000);
    controls_.successText = Child(L"Static", SS_CENTER);
  }
  ~DialogWindow() {
    if (controls_.dialog != nullptr) DestroyWindow(controls_.dialog);
  }
  // Wine makes no windows without a display; run-gui-tests.sh runs this with one.
  bool made() const { return controls_.dialog != nullptr && controls_.progressBar != nullptr; }
  const DialogControls& controls() const { return controls_; }

 private:
  HWND Child(const wchar_t* windowClass, DWORD style) {
    return CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, controls_.dialog,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  DialogControls controls_;
};

// Pumps this thread's messages until `done` (bounded, so a lost call fails the test
// instead of hanging it).
bool PumpUntil(const std::atomic<bool>& done) {
  for (int round = 0; round < 1000 && !done.load(); ++round) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return done.load();
}

std::wstring Text(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

TEST(Win32UpdateView, WorkerCallsRunOnTheWindowThreadAndTakeEffect) {
  DialogWindow window;
  if (!window.made()) GTEST_SKIP() << "no display to make windows on";
  Win32UpdateView view;
  view.Attach(window.controls());
  g_callThreads.clear();
  ShowWindow(window.controls().successText, SW_HIDE);

  std::atomic<bool> done{false};
  std::thread worker([&] {
    view.SetTitle("Vantor Update v2.00(GamePad V1.50 beta2)");
    view.EnableUpdateButton(false);
    view.ShowSuccessText(true);
    view.SetProgressPos(42);
    view.SetTitle("升级成功。");
    done = true;
  });
  const bool finished = PumpUntil(done);
  worker.join();
  ASSERT_TRUE(finished);

  ASSERT_EQ(g_callThreads.size(), 5u);
  for (DWORD thread : g_callThreads) EXPECT_EQ(thread, GetCurrentThreadId());
  EXPECT_EQ(ToUtf8(Text(window.controls().dialog)), "升级成功。");
  EXPECT_FALSE(IsWindowEnabled(window.controls().updateButton));
  EXPECT_TRUE(IsWindowVisible(window.controls().successText) ||
              (GetWindowLongW(window.controls().successText, GWL_STYLE) & WS_VISIBLE) != 0);
  EXPECT_EQ(SendMessageW(window.controls().progressBar, PBM_GETPOS, 0, 0), 42);
}

// The dialog's controls in a real dialog (the dialog manager's focus rules apply): a
// progress bar, then the button, made from a template in memory.
class RealDialog {
 public:
  RealDialog() {
    std::vector<WORD> t;
    const auto dword = [&t](DWORD value) {
      t.push_back(LOWORD(value));
      t.push_back(HIWORD(value));
    };
    const auto text = [&t](const wchar_t* value) {
      for (; *value != L'\0'; ++value) t.push_back(static_cast<WORD>(*value));
      t.push_back(0);
    };
    const auto align = [&t] {
      if (t.size() % 2 != 0) t.push_back(0);
    };
    dword(WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_SETFONT);
    dword(0);
    t.insert(t.end(), {2, 0, 0, 235, 138, 0, 0});  // two controls; no menu, default class
    text(L"t");
    t.push_back(9);
    text(L"MS Shell Dlg");
    align();
    dword(WS_CHILD | WS_VISIBLE | WS_BORDER);
    dword(0);
    t.insert(t.end(), {7, 7, 221, 14, 1003});
    text(L"msctls_progress32");
    t.insert(t.end(), {0, 0});  // no text, no creation data
    align();
    dword(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON);
    dword(0);
    t.insert(t.end(), {7, 109, 221, 22, 1007, 0xFFFF, 0x0080});
    text(L"USB Update");
    t.push_back(0);
    controls_.dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                                  nullptr, &Procedure, 0);
    controls_.progressBar = GetDlgItem(controls_.dialog, 1003);
    controls_.updateButton = GetDlgItem(controls_.dialog, 1007);
  }
  ~RealDialog() {
    if (controls_.dialog != nullptr) DestroyWindow(controls_.dialog);
  }
  bool made() const { return controls_.updateButton != nullptr; }
  const DialogControls& controls() const { return controls_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM lParam) {
    if (message != kWmRunOnDialogThread) return FALSE;
    Win32UpdateView::RunSentCall(lParam);
    return TRUE;
  }
  DialogControls controls_;
};

// A disabled window takes no keys: were the focus left on the button when the
// controller goes, Escape and Enter would reach nobody and the dialog would seem dead.
TEST(Win32UpdateView, DisablingTheFocusedButtonKeepsTheKeyboardInTheDialog) {
  RealDialog dialog;
  if (!dialog.made()) GTEST_SKIP() << "no display to make windows on";
  const DialogControls& controls = dialog.controls();
  SetForegroundWindow(controls.dialog);
  SendMessageW(controls.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls.updateButton), TRUE);
  ASSERT_EQ(GetFocus(), controls.updateButton);
  Win32UpdateView view;
  view.Attach(controls);

  view.EnableUpdateButton(false);
  ASSERT_FALSE(IsWindowEnabled(controls.updateButton));
  const HWND focus = GetFocus();
  EXPECT_NE(focus, nullptr);
  EXPECT_NE(focus, controls.updateButton);
  EXPECT_TRUE(focus == controls.dialog || IsChild(controls.dialog, focus));
}

TEST(Win32UpdateView, ADetachedViewTouchesNothingAndDeclines) {
  DialogWindow window;
  if (!window.made()) GTEST_SKIP() << "no display to make windows on";
  Win32UpdateView view;
  view.Attach(window.controls());
  view.Detach();
  g_callThreads.clear();

  view.SetTitle("changed");
  view.EnableUpdateButton(false);
  EXPECT_EQ(view.ShowMessage("stop?", "", MessageButtons::kYesNo), kIdNo);
  EXPECT_EQ(view.ShowMessage("go on?", "", MessageButtons::kOkCancel), kIdCancel);
  EXPECT_FALSE(view.ChoosePackageFile("File type(*.dat)|*.dat||", "C:\\").has_value());

  EXPECT_TRUE(g_callThreads.empty());
  EXPECT_EQ(Text(window.controls().dialog), L"s");
  EXPECT_TRUE(IsWindowEnabled(window.controls().updateButton));
}

}  // namespace
}  // namespace vantor::win32
