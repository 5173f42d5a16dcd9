#pragma once
// The question asked before closing the dialog while an update runs ("stop now?").
//
// A message box owned by the dialog, with No (keep updating) as its default button and
// a warning icon: Enter, the key most often pressed to get rid of a box, must not stop
// an update. The update may end while the question is open; the dialog then dismisses
// it (as if answered No) before it shows how the update ended, so boxes never stack and
// no question is left behind the dialog.
#include <windows.h>

#include <string>

namespace vantor::win32 {

class CloseQuestion {
 public:
  // Shows the question owned by `owner` and waits for the answer, pumping messages
  // meanwhile. True only when the user answered Yes (stop); false for No and when
  // Dismiss ended the question.
  bool Ask(HWND owner, const std::wstring& text, const std::wstring& caption);
  bool IsOpen() const { return open_; }
  // Ends an open question as if the user had answered No. On the owner's thread, from
  // inside Ask (a message that Ask's loop delivered); does nothing when none is open.
  void Dismiss();

 private:
  HWND owner_ = nullptr;
  bool open_ = false;
  bool dismissed_ = false;
};

}  // namespace vantor::win32
