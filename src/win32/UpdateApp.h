#pragma once
// CUpdateApp: the one application object. InitInstance runs the update dialog
// modally and returns 0, so the program ends when the dialog closes.

namespace vantor::win32 {

class CUpdateApp {
 public:
  // 0: no message loop of the application's own follows.
  int InitInstance();
};

}  // namespace vantor::win32
