// A stand-in for the hidapi shared library: hidapi's entry points over a scripted list
// of devices, so the backend's mapping can be tested without hardware.

#include "FakeHidapi.h"

#include <hidapi/hidapi.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <deque>
#include <string>
#include <vector>

struct hid_device_ {
  std::string path;
};

namespace {

struct Device {
  std::string path;
  std::uint16_t vendorId;
  std::uint16_t productId;
  std::wstring serial;
};

struct State {
  std::vector<Device> devices;
  int openErrno = 0;
  std::deque<std::vector<std::uint8_t>> input;
  bool readsFail = false;
  std::vector<std::uint8_t> lastWrite;
  int lastReadTimeout = -2;
  int openDevices = 0;
};

State& Fake() {
  static State state;
  return state;
}

}  // namespace

extern "C" {

void fake_hidapi_reset() { Fake() = State{}; }

void fake_hidapi_add_device(const char* path, std::uint16_t vendorId, std::uint16_t productId) {
  Fake().devices.push_back({path, vendorId, productId, {}});
}

void fake_hidapi_set_serial(const wchar_t* serial) { Fake().devices.back().serial = serial; }

void fake_hidapi_fail_open(int errorNumber) { Fake().openErrno = errorNumber; }

void fake_hidapi_queue_input(const std::uint8_t* data, std::size_t n) { Fake().input.emplace_back(data, data + n); }

void fake_hidapi_fail_reads() { Fake().readsFail = true; }

std::size_t fake_hidapi_last_write(std::uint8_t* out, std::size_t capacity) {
  const std::vector<std::uint8_t>& last = Fake().lastWrite;
  std::memcpy(out, last.data(), std::min(capacity, last.size()));
  return last.size();
}

int fake_hidapi_last_read_timeout() { return Fake().lastReadTimeout; }

int fake_hidapi_open_devices() { return Fake().openDevices; }

int HID_API_EXPORT hid_init() { return 0; }

int HID_API_EXPORT hid_exit() { return 0; }

hid_device_info* HID_API_EXPORT hid_enumerate(unsigned short, unsigned short) {
  hid_device_info* head = nullptr;
  hid_device_info** tail = &head;
  for (const Device& device : Fake().devices) {
    auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
    info->path = strdup(device.path.c_str());
    info->vendor_id = device.vendorId;
    info->product_id = device.productId;
    info->serial_number = device.serial.empty() ? nullptr : wcsdup(device.serial.c_str());
    *tail = info;
    tail = &info->next;
  }
  // A node without a path, as a misbehaving platform layer might hand over.
  *tail = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
  return head;
}

void HID_API_EXPORT hid_free_enumeration(hid_device_info* list) {
  while (list != nullptr) {
    hid_device_info* next = list->next;
    std::free(list->path);
    std::free(list->serial_number);
    std::free(list);
    list = next;
  }
}

hid_device* HID_API_EXPORT hid_open_path(const char* path) {
  if (Fake().openErrno != 0) {
    errno = Fake().openErrno;
    return nullptr;
  }
  for (const Device& device : Fake().devices) {
    if (device.path == path) {
      ++Fake().openDevices;
      return new hid_device_{path};
    }
  }
  errno = ENOENT;
  return nullptr;
}

int HID_API_EXPORT hid_write(hid_device*, const unsigned char* data, size_t length) {
  Fake().lastWrite.assign(data, data + length);
  return static_cast<int>(length);
}

int HID_API_EXPORT hid_read_timeout(hid_device*, unsigned char* data, size_t length, int milliseconds) {
  Fake().lastReadTimeout = milliseconds;
  if (Fake().readsFail) return -1;
  if (Fake().input.empty()) return 0;
  const std::vector<std::uint8_t> next = Fake().input.front();
  Fake().input.pop_front();
  const std::size_t n = std::min(length, next.size());
  std::memcpy(data, next.data(), n);
  return static_cast<int>(n);
}

void HID_API_EXPORT hid_close(hid_device* device) {
  --Fake().openDevices;
  delete device;
}

}  // extern "C"
