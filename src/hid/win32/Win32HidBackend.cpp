#include "hid/win32/Win32HidBackend.h"

#include <windows.h>

#include <dbt.h>
#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
}

#include <cwchar>
#include <iterator>
#include <optional>

#include "base/win32/Utf16.h"
#include "hid/win32/Win32Handles.h"
#include "hid/win32/Win32HidChannel.h"

namespace vantor::hid {
namespace {

using win32::DeviceInfoList;
using win32::UniqueHandle;

// A path can grow between the size query and the detail query (the interface was
// replaced); a few fresh tries are enough, after that the interface is passed over.
constexpr int kDetailAttempts = 3;

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

GUID HidClass() {
  GUID guid;
  HidD_GetHidGuid(&guid);
  return guid;
}

// `device` receives the device the interface belongs to, for its instance path.
std::optional<std::wstring> InterfacePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA& data, SP_DEVINFO_DATA* device) {
  std::vector<DWORD> buffer;  // DWORD elements keep the detail record aligned
  for (int attempt = 0; attempt < kDetailAttempts; ++attempt) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(list, &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
    buffer.assign((required + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    if (!SetupDiGetDeviceInterfaceDetailW(list, &data, detail, size, nullptr, device)) continue;
    const std::size_t room = (size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(WCHAR);
    return std::wstring(detail->DevicePath, wcsnlen(detail->DevicePath, room));
  }
  return std::nullopt;
}

// The device instance path ("HID\\VID_2DC8&PID_3002\\7&1A2B3C4D&0&0000"): the system
// derives it from the port the controller is plugged into, or from its serial number.
std::optional<std::string> InstancePath(HDEVINFO list, SP_DEVINFO_DATA& device) {
  WCHAR buffer[512] = {};
  DWORD required = 0;
  if (!SetupDiGetDeviceInstanceIdW(list, &device, buffer, static_cast<DWORD>(std::size(buffer)), &required)) {
    return std::nullopt;
  }
  return vantor::win32::ToUtf8(std::wstring(buffer, wcsnlen(buffer, std::size(buffer))));
}

HidInterface Describe(const std::wstring& path) {
  HidInterface found;
  found.path = vantor::win32::ToUtf8(path);
  const UniqueHandle probe(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareReadWrite, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!probe.valid()) return found;
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof(attributes);
  if (HidD_GetAttributes(probe.get(), &attributes)) {
    found.vendorId = attributes.VendorID;
    found.productId = attributes.ProductID;
  }
  // The string descriptor is at most 126 characters; the buffer's size is in bytes.
  WCHAR serial[128] = {};
  if (HidD_GetSerialNumberString(probe.get(), serial, sizeof(serial) - sizeof(WCHAR)) && serial[0] != L'\0') {
    found.serialNumber = vantor::win32::ToUtf8(std::wstring(serial, wcsnlen(serial, std::size(serial))));
  }
  return found;
}

OpenError OpenErrorFrom(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_INVALID_NAME:
      return OpenError::kNotFound;
    case ERROR_ACCESS_DENIED:
      return OpenError::kAccessDenied;
    case ERROR_SHARING_VIOLATION:
      return OpenError::kBusy;
    default:
      return OpenError::kOther;
  }
}

class Win32Registration final : public NotificationRegistration {
 public:
  explicit Win32Registration(HDEVNOTIFY handle) : m_hDevNotify(handle) {}
  ~Win32Registration() override { UnregisterDeviceNotification(m_hDevNotify); }
  Win32Registration(const Win32Registration&) = delete;
  Win32Registration& operator=(const Win32Registration&) = delete;

 private:
  HDEVNOTIFY m_hDevNotify;
};

}  // namespace

std::vector<HidInterface> Win32HidBackend::Enumerate() {
  std::vector<HidInterface> interfaces;
  GUID hidClass = HidClass();
  const DeviceInfoList list(SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
  if (!list.valid()) return interfaces;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!SetupDiEnumDeviceInterfaces(list.get(), nullptr, &hidClass, index, &data)) break;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (const std::optional<std::wstring> path = InterfacePath(list.get(), data, &device)) {
      HidInterface found = Describe(*path);
      found.location = InstancePath(list.get(), device);
      interfaces.push_back(std::move(found));
    }
  }
  return interfaces;
}

std::unique_ptr<HidChannel> Win32HidBackend::Open(const std::string& path, OpenError* error) {
  const std::wstring widePath = vantor::win32::ToUtf16(path);
  // The write handle is overlapped as well, so that a write can be given up on.
  UniqueHandle write(CreateFileW(widePath.c_str(), GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED, nullptr));
  if (!write.valid()) {
    if (error != nullptr) *error = OpenErrorFrom(GetLastError());
    return nullptr;
  }
  UniqueHandle read(CreateFileW(widePath.c_str(), GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr));
  if (!read.valid()) {
    if (error != nullptr) *error = OpenErrorFrom(GetLastError());
    return nullptr;
  }
  if (error != nullptr) *error = OpenError::kNone;
  return std::make_unique<win32::Win32HidChannel>(std::move(write), std::move(read));
}

std::unique_ptr<NotificationRegistration> Win32HidBackend::RegisterNotifications(void* window) {
  if (window == nullptr) return nullptr;
  // The record the notification service expects: 32 bytes, an empty name.
  static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32);
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = HidClass();
  HDEVNOTIFY handle = RegisterDeviceNotificationW(static_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (handle == nullptr) return nullptr;
  return std::make_unique<Win32Registration>(handle);
}

}  // namespace vantor::hid
