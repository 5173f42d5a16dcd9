#pragma once
// A thin modal dialog over DialogBoxParamW: the template, the window handle and one
// virtual message handler. Everything runs on the thread that called DoModal.
#include <windows.h>

namespace vantor::win32 {

class ModalDialog {
 public:
  explicit ModalDialog(int templateId) : templateId_(templateId) {}
  virtual ~ModalDialog() = default;
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  // Runs the dialog until EndDialog; returns EndDialog's value (-1 if it could not be
  // created).
  INT_PTR DoModal(HWND parent);
  HWND hwnd() const { return hwnd_; }

 protected:
  // WM_INITDIALOG. TRUE: the dialog manager gives the focus to the first tab stop.
  virtual BOOL OnInitDialog() = 0;
  // Every later message. Follows the dialog-procedure rules: FALSE lets the dialog
  // manager do its default processing.
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // For messages whose result is not the procedure's return value.
  INT_PTR Result(LRESULT result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND hwnd_ = nullptr;
};

}  // namespace vantor::win32
