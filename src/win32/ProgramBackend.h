#pragma once
// Where the program's HID reports go. VantorUpdate.exe links the Windows HID backend;
// VantorUpdateSim.exe links an emulated controller instead. The rest of the program is
// the same, so the simulated build exercises the very dialog that ships.
#include <memory>

#include "base/Clock.h"
#include "hid/HidBackend.h"

namespace vantor::win32 {

class ProgramBackend {
 public:
  explicit ProgramBackend(Clock& clock);
  ~ProgramBackend();
  ProgramBackend(const ProgramBackend&) = delete;
  ProgramBackend& operator=(const ProgramBackend&) = delete;

  hid::HidBackend& backend();
  // After the dialog has closed and its worker has ended.
  void OnDialogClosed();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantor::win32
