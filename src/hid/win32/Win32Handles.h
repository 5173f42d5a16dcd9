#pragma once
// Move-only owners for the Windows handles of the report channel, so that no path
// through the backend can leak a handle or close one twice.
#include <windows.h>

#include <setupapi.h>

#include <utility>

namespace vantor::hid::win32 {

// A kernel object handle. File handles use INVALID_HANDLE_VALUE for "none" and events
// use null; both count as empty here.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  void Reset() {
    if (valid()) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// A SetupAPI device information list.
class DeviceInfoList {
 public:
  explicit DeviceInfoList(HDEVINFO list) : list_(list) {}
  ~DeviceInfoList() {
    if (valid()) SetupDiDestroyDeviceInfoList(list_);
  }
  DeviceInfoList(const DeviceInfoList&) = delete;
  DeviceInfoList& operator=(const DeviceInfoList&) = delete;

  HDEVINFO get() const { return list_; }
  bool valid() const { return list_ != INVALID_HANDLE_VALUE && list_ != nullptr; }

 private:
  HDEVINFO list_;
};

}  // namespace vantor::hid::win32
