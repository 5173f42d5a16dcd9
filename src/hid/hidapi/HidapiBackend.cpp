#include "hid/hidapi/HidapiBackend.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <hidapi/hidapi.h>

#include "hid/hidapi/UsbIdentity.h"

namespace vantor::hid {
namespace {

// The entry points we use, resolved from the loaded library. Shared by the backend and
// every channel it opened, so the library stays loaded until the last one closes.
struct HidapiLibrary {
  void* handle = nullptr;
  decltype(&::hid_init) init = nullptr;
  decltype(&::hid_exit) exit = nullptr;
  decltype(&::hid_enumerate) enumerate = nullptr;
  decltype(&::hid_free_enumeration) freeEnumeration = nullptr;
  decltype(&::hid_open_path) openPath = nullptr;
  decltype(&::hid_write) write = nullptr;
  decltype(&::hid_read_timeout) readTimeout = nullptr;
  decltype(&::hid_close) close = nullptr;

  ~HidapiLibrary() {
    if (exit != nullptr) exit();
    if (handle != nullptr) dlclose(handle);
  }
};

template <typename Function>
bool Resolve(void* handle, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(dlsym(handle, name));
  return *function != nullptr;
}

std::shared_ptr<HidapiLibrary> LoadHidapi(const char* path, std::string* error) {
  auto library = std::make_shared<HidapiLibrary>();
  library->handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (library->handle == nullptr) {
    // The loader's own reason: missing, of the wrong architecture, or lacking a
    // library of its own.
    const char* why = dlerror();
    *error = std::string("cannot load ") + path + (why != nullptr ? std::string(": ") + why : std::string()) +
#ifdef __APPLE__
             " (install hidapi, e.g. `brew install hidapi`)";
#else
             " (install it with `sudo apt-get install libhidapi-hidraw0`)";
#endif
    return nullptr;
  }
  void* handle = library->handle;
  const bool complete = Resolve(handle, "hid_init", &library->init) &&
                        Resolve(handle, "hid_enumerate", &library->enumerate) &&
                        Resolve(handle, "hid_free_enumeration", &library->freeEnumeration) &&
                        Resolve(handle, "hid_open_path", &library->openPath) &&
                        Resolve(handle, "hid_write", &library->write) &&
                        Resolve(handle, "hid_read_timeout", &library->readTimeout) &&
                        Resolve(handle, "hid_close", &library->close);
  if (!complete) {
    *error = std::string(path) + " lacks an entry point this program needs";
    return nullptr;
  }
  if (library->init() != 0) {
    *error = std::string(path) + " could not be initialised";
    return nullptr;
  }
  // Only now may the destructor call hid_exit.
  Resolve(handle, "hid_exit", &library->exit);
  return library;
}

class HidapiChannel final : public HidChannel {
 public:
  HidapiChannel(std::shared_ptr<HidapiLibrary> library, hid_device* device)
      : library_(std::move(library)), device_(device) {}
  ~HidapiChannel() override { library_->close(device_); }
  HidapiChannel(const HidapiChannel&) = delete;
  HidapiChannel& operator=(const HidapiChannel&) = delete;

  // hid_write takes the report id as its first byte, just as our reports carry it.
  bool Write(const Report& report) override {
    return library_->write(device_, report.data(), report.size()) == static_cast<int>(report.size());
  }

  // A device without numbered reports hands hidapi its data bytes only; the caller
  // expects the report id in front, as on Windows.
  std::uint32_t Read(Report& report, std::uint32_t timeoutMs) override {
    report.fill(0);
    const int wait = static_cast<int>(std::min<std::uint32_t>(timeoutMs, INT_MAX));
    const int got = library_->readTimeout(device_, report.data() + 1, kReportDataSize, wait);
    if (got > 0) return kReadOk;
    if (got == 0) return kReadTimeout;
    return kReadFailed;
  }

 private:
  std::shared_ptr<HidapiLibrary> library_;
  hid_device* device_;
};

class HidapiBackend final : public HidBackend {
 public:
  explicit HidapiBackend(std::shared_ptr<HidapiLibrary> library) : library_(std::move(library)) {}

  std::vector<HidInterface> Enumerate() override {
    std::vector<HidInterface> interfaces;
    hid_device_info* list = library_->enumerate(0, 0);
    for (const hid_device_info* info = list; info != nullptr; info = info->next) {
      if (info->path == nullptr) continue;
      HidInterface found;
      found.path = info->path;
      found.vendorId = info->vendor_id;
      found.productId = info->product_id;
      found.serialNumber = SerialNumberUtf8(info->serial_number);
#ifndef __APPLE__
      found.location = UsbLocationOfHidraw(info->path);
#endif
      interfaces.push_back(std::move(found));
    }
    library_->freeEnumeration(list);
    return interfaces;
  }

  std::unique_ptr<HidChannel> Open(const std::string& path, OpenError* error) override {
    errno = 0;
    hid_device* device = library_->openPath(path.c_str());
    if (device != nullptr) return std::make_unique<HidapiChannel>(library_, device);
    if (error != nullptr) *error = Classify(path, errno);
    return nullptr;
  }

  // hidapi has no device-change notifications; the command line does not need them.
  std::unique_ptr<NotificationRegistration> RegisterNotifications(void* /*window*/) override { return nullptr; }

 private:
  static OpenError Classify(const std::string& path, int openErrno) {
    switch (openErrno) {
      case EACCES:
      case EPERM:
        return OpenError::kAccessDenied;
      case ENOENT:
      case ENODEV:
      case ENXIO:
        return OpenError::kNotFound;
      case EBUSY:
        return OpenError::kBusy;
      default:
        break;
    }
    // hidapi does not promise to leave errno as open() set it; the node's mode tells
    // without opening it.
    if (access(path.c_str(), R_OK | W_OK) != 0) {
      if (errno == EACCES || errno == EPERM) return OpenError::kAccessDenied;
      if (errno == ENOENT) return OpenError::kNotFound;
    }
    return OpenError::kOther;
  }

  std::shared_ptr<HidapiLibrary> library_;
};

}  // namespace

const char* HidapiLibraryName() {
#ifdef __APPLE__
  return "libhidapi.dylib";
#else
  return "libhidapi-hidraw.so.0";
#endif
}

std::unique_ptr<HidBackend> CreateHidapiBackend(std::string* error) {
  return CreateHidapiBackend(HidapiLibraryName(), error);
}

std::unique_ptr<HidBackend> CreateHidapiBackend(const char* path, std::string* error) {
  std::shared_ptr<HidapiLibrary> library = LoadHidapi(path, error);
  if (!library) return nullptr;
  return std::make_unique<HidapiBackend>(std::move(library));
}

}  // namespace vantor::hid
