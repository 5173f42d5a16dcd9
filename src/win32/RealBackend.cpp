// The shipped program: controllers through the Windows HID services.
#include "win32/ProgramBackend.h"
#include "hid/win32/Win32HidBackend.h"

namespace vantor::win32 {

struct ProgramBackend::Impl {
  hid::Win32HidBackend backend;
};

ProgramBackend::ProgramBackend(Clock& /*clock*/) : impl_(std::make_unique<Impl>()) {}
ProgramBackend::~ProgramBackend() = default;

hid::HidBackend& ProgramBackend::backend() { return impl_->backend; }

void ProgramBackend::OnDialogClosed() {}

}  // namespace vantor::win32
