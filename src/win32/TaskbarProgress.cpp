#include "win32/TaskbarProgress.h"

namespace vantor::win32 {
namespace {

constexpr std::uint32_t kFull = 100;

}  // namespace

TaskbarProgress::~TaskbarProgress() { Detach(); }

ITaskbarList3* TaskbarProgress::CreateList() {
  ITaskbarList3* list = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              reinterpret_cast<void**>(&list))) ||
      list == nullptr) {
    return nullptr;
  }
  if (FAILED(list->HrInit())) {
    list->Release();
    return nullptr;
  }
  return list;
}

void TaskbarProgress::Attach(HWND window, ITaskbarList3* list) {
  Detach();
  window_ = window;
  list_ = list;
  if (list_ != nullptr) list_->AddRef();
}

void TaskbarProgress::Detach() {
  if (list_ != nullptr) list_->Release();
  list_ = nullptr;
  window_ = nullptr;
}

void TaskbarProgress::SetPosition(std::uint32_t percent) {
  // The bar is handed values above 100 unchanged; the button shows them as full.
  value_ = percent < kFull ? percent : kFull;
  state_ = value_ == 0 ? TBPF_NOPROGRESS : TBPF_NORMAL;
  Apply();
}

void TaskbarProgress::ShowFailed() {
  // A failure before the first percent still shows: a full red button.
  if (value_ == 0) value_ = kFull;
  state_ = TBPF_ERROR;
  Apply();
}

void TaskbarProgress::Clear() {
  value_ = 0;
  state_ = TBPF_NOPROGRESS;
  Apply();
}

void TaskbarProgress::Reapply() { Apply(); }

void TaskbarProgress::Apply() {
  if (list_ == nullptr || window_ == nullptr) return;
  // The state first: setting a value turns a "no progress" button into a normal one.
  list_->SetProgressState(window_, state_);
  if (state_ != TBPF_NOPROGRESS) list_->SetProgressValue(window_, value_, kFull);
}

}  // namespace vantor::win32
