#include "win32/CloseQuestion.h"

namespace vantor::win32 {
namespace {

struct BoxSearch {
  HWND owner;
  HWND found;
};

// The message box is the dialog window of this thread that the owner owns.
BOOL CALLBACK FindOwnedBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (window != search->owner && GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window) &&
      lstrcmpW(className, L"#32770") == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool CloseQuestion::Ask(HWND owner, const std::wstring& text, const std::wstring& caption) {
  owner_ = owner;
  open_ = true;
  dismissed_ = false;
  const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
  open_ = false;
  // A dismissed question counts as No whatever its box returned.
  return answer == IDYES && !dismissed_;
}

void CloseQuestion::Dismiss() {
  if (!open_ || dismissed_) return;
  dismissed_ = true;
  BoxSearch search{owner_, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &FindOwnedBox, reinterpret_cast<LPARAM>(&search));
  // EndDialog hides the box and gives the owner back its input at once; the box's own
  // loop ends when control returns to it.
  if (search.found != nullptr) EndDialog(search.found, IDNO);
}

}  // namespace vantor::win32
