// The dialog's two shell seams, in process: what its taskbar button shows through the
// update (ITaskbarList3), and which file of a drop it takes as the package.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "win32/DroppedPackage.h"
#include "win32/TaskbarProgress.h"

namespace vantor::win32 {
namespace {

// Records the progress calls; every other method of the taskbar only succeeds.
class RecordingTaskbar final : public ITaskbarList3 {
 public:
  std::vector<std::pair<TBPFLAG, ULONGLONG>> shown;  // state, and the value when one was set
  ULONG references = 1;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG done, ULONGLONG total) override {
    EXPECT_EQ(total, 100u);
    EXPECT_FALSE(shown.empty()) << "a value before any state";
    if (!shown.empty()) shown.back().second = done;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG state) override {
    shown.emplace_back(state, ~0ull);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return S_OK; }
};

constexpr ULONGLONG kNoValue = ~0ull;
const HWND kWindow = reinterpret_cast<HWND>(0x1234);

TEST(TaskbarProgress, FollowsTheBarTurnsRedOnFailureAndClearsAtTheEnd) {
  RecordingTaskbar taskbar;
  {
    TaskbarProgress progress;
    progress.Attach(kWindow, &taskbar);
    EXPECT_EQ(taskbar.references, 2u);
    progress.SetPosition(0);    // the click
    progress.SetPosition(37);
    progress.SetPosition(140);  // the bar is handed what the percentage gives
    progress.ShowFailed();
    progress.Clear();
    progress.SetPosition(0);
    progress.ShowFailed();  // before the first percent
    progress.Reapply();
  }
  EXPECT_EQ(taskbar.references, 1u) << "released with the dialog";
  const std::vector<std::pair<TBPFLAG, ULONGLONG>> expected = {
      {TBPF_NOPROGRESS, kNoValue}, {TBPF_NORMAL, 37}, {TBPF_NORMAL, 100},    {TBPF_ERROR, 100},
      {TBPF_NOPROGRESS, kNoValue}, {TBPF_NOPROGRESS, kNoValue}, {TBPF_ERROR, 100}, {TBPF_ERROR, 100}};
  EXPECT_EQ(taskbar.shown, expected);
}

TEST(TaskbarProgress, WithoutATaskbarNothingHappens) {
  TaskbarProgress progress;
  progress.Attach(kWindow, nullptr);
  progress.SetPosition(50);
  progress.ShowFailed();
  progress.Clear();
}

// A drop as the shell hands it over: DROPFILES followed by the NUL-separated names.
HDROP MakeDrop(const std::vector<std::wstring>& names) {
  std::wstring list;
  for (const std::wstring& name : names) list += name + L'\0';
  list += L'\0';
  const SIZE_T size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(reinterpret_cast<BYTE*>(header) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

TEST(DroppedPackage, TakesTheFirstDatInAnyCaseAndNothingElse) {
  const std::pair<std::vector<std::wstring>, std::wstring> cases[] = {
      {{L"C:\\fw\\pad.dat"}, L"C:\\fw\\pad.dat"},
      {{L"C:\\notes.txt", L"C:\\fw\\PAD.DAT", L"C:\\fw\\other.dat"}, L"C:\\fw\\PAD.DAT"},
      {{L"C:\\fw\\pad.dat.txt", L"C:\\fw\\dat", L"C:\\fw"}, L""},
  };
  for (const auto& [names, expected] : cases) {
    const HDROP drop = MakeDrop(names);
    EXPECT_EQ(DroppedCount(drop), names.size());
    EXPECT_EQ(DroppedPackage(drop).value_or(L""), expected);
    GlobalFree(drop);
  }
}

}  // namespace
}  // namespace vantor::win32
