#pragma once
// The update's progress on the dialog's taskbar button (ITaskbarList3), so that an
// update still shows while the dialog is minimised: the bar's percentage while it
// moves, red when the update failed, nothing otherwise.
//
// Dialog's thread only (the interface lives in its apartment). Without a taskbar that
// offers the interface every call does nothing.
#include <windows.h>
#include <shobjidl.h>

#include <cstdint>

namespace vantor::win32 {

class TaskbarProgress {
 public:
  TaskbarProgress() = default;
  ~TaskbarProgress();
  TaskbarProgress(const TaskbarProgress&) = delete;
  TaskbarProgress& operator=(const TaskbarProgress&) = delete;

  // The taskbar of this session, initialised; null when there is none. Needs COM.
  static ITaskbarList3* CreateList();
  // Shows on `window`'s button through `list` (takes a reference; null: no taskbar).
  void Attach(HWND window, ITaskbarList3* list);
  void Detach();

  // The progress bar's position: 0 shows no progress, 1..100 (and above) a percentage.
  void SetPosition(std::uint32_t percent);
  // The update failed: the button turns red until the next position or Clear.
  void ShowFailed();
  void Clear();
  // The taskbar was (re)created (its "TaskbarButtonCreated" message): what it showed
  // before is gone, so it is told again.
  void Reapply();

 private:
  void Apply();

  HWND window_ = nullptr;
  ITaskbarList3* list_ = nullptr;
  TBPFLAG state_ = TBPF_NOPROGRESS;
  std::uint32_t value_ = 0;
};

}  // namespace vantor::win32
