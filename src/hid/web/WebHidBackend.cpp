#include "hid/web/WebHidBackend.h"

#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "hid/SupportedDevices.h"

namespace vantor::hid {
namespace {

// The chosen devices live in the page's script, as Module.vantorHid: {id, device,
// queue of input reports, the waiting read's wake-up, gone, channels open on it}. A
// device's reports are queued only while a channel is open on it, and at most a
// bounded number: a reader that stopped reading must not make the page grow. A channel
// that replaces another on the same device opens before the old one ends (the update's
// after the probe's), so the old one's end leaves the device heard.
EM_JS(int, webhid_install, (), {
  if (Module.vantorHid) return 1;
  if (typeof navigator === 'undefined' || !navigator.hid) return 0;
  // closing: device -> its close under way. A device counts as open until its close
  // has settled, so one taken again meanwhile must wait for that close and open anew.
  const hid = { entries: [], nextId: 1, queueLimit: 256, closing: new Map() };
  hid.wake = (entry) => {
    if (entry.wake) entry.wake();
  };
  hid.add = (device) => {
    if (hid.entries.some((entry) => entry.device === device && !entry.gone)) return;
    const entry = { id: hid.nextId++, device, queue: [], wake: null, gone: false, channels: 0 };
    device.addEventListener('inputreport', (event) => {
      if (entry.channels === 0) return;
      const data = new Uint8Array(event.data.buffer, event.data.byteOffset, event.data.byteLength);
      entry.queue.push({ reportId: event.reportId, data: data.slice(0, 64) });
      if (entry.queue.length > hid.queueLimit) entry.queue.shift();
      hid.wake(entry);
    });
    hid.entries.push(entry);
  };
  hid.find = (id) => hid.entries.find((entry) => entry.id === id);
  navigator.hid.addEventListener('disconnect', (event) => {
    for (const entry of hid.entries) {
      if (entry.device === event.device && !entry.gone) {
        entry.gone = true;
        hid.wake(entry);
      }
    }
  });
  // A granted controller plugged in again (a policy's, or one chosen before).
  navigator.hid.addEventListener('connect', (event) => hid.add(event.device));
  Module.vantorHid = hid;
  return 1;
});

// `ids`: the supported vendor and product ids, pairs of COUNT. With `choose`, the
// browser's chooser when none is granted already; without, only the granted ones.
EM_ASYNC_JS(int, webhid_request, (const std::uint16_t* ids, int count, int choose), {
  if (!Module.vantorHid) return -1;
  const filters = [];
  for (let i = 0; i < count; i++) filters.push({ vendorId: HEAPU16[(ids >> 1) + 2 * i], productId: HEAPU16[(ids >> 1) + 2 * i + 1] });
  let devices = [];
  try {
    // Devices granted before (or by a policy) need no chooser while plugged in.
    const supported = (device) => filters.some((filter) => filter.vendorId === device.vendorId && filter.productId === device.productId);
    devices = navigator.hid.getDevices ? (await navigator.hid.getDevices()).filter(supported) : [];
    if (devices.length === 0 && choose) devices = await navigator.hid.requestDevice({ filters });
  } catch (error) {
    console.warn('requestDevice:', error);
    return 0;
  }
  for (const device of devices) Module.vantorHid.add(device);
  return devices.length;
});

EM_JS(void, webhid_forget, (), {
  const hid = Module.vantorHid;
  if (!hid) return;
  for (const entry of hid.entries) {
    entry.gone = true;
    hid.wake(entry);
    const device = entry.device;
    if (device.opened && !hid.closing.has(device)) {
      hid.closing.set(device, device.close().catch(() => {}).then(() => hid.closing.delete(device)));
    }
  }
  hid.entries = [];
});

EM_JS(int, webhid_count, (), { return Module.vantorHid ? Module.vantorHid.entries.filter((entry) => !entry.gone).length : 0; });

// The INDEX-th present device: its id, and its vendor and product ids at `ids`.
EM_JS(int, webhid_at, (int index, std::uint16_t* ids), {
  const entry = Module.vantorHid.entries.filter((entry) => !entry.gone)[index];
  if (!entry) return 0;
  HEAPU16[ids >> 1] = entry.device.vendorId;
  HEAPU16[(ids >> 1) + 1] = entry.device.productId;
  return entry.id;
});

// 0: open; 1: gone; 2: refused (on Linux the udev rule); 3: any other failure.
EM_ASYNC_JS(int, webhid_open, (int id), {
  const entry = Module.vantorHid && Module.vantorHid.find(id);
  if (!entry || entry.gone) return 1;
  try {
    const closing = Module.vantorHid.closing.get(entry.device);
    if (closing) await closing;
    if (entry.gone) return 1;
    if (!entry.device.opened) await entry.device.open();
  } catch (error) {
    console.warn('open:', error);
    if (entry.gone) return 1;
    return error && error.name === 'NotAllowedError' ? 2 : 3;
  }
  entry.queue = [];
  entry.channels++;
  return 0;
});

EM_JS(void, webhid_release, (int id), {
  const entry = Module.vantorHid && Module.vantorHid.find(id);
  if (!entry || entry.channels === 0) return;
  entry.channels--;
  if (entry.channels === 0) entry.queue = [];
});

// `report`: the report id, then the 64 data bytes.
EM_ASYNC_JS(int, webhid_send, (int id, const std::uint8_t* report), {
  const entry = Module.vantorHid && Module.vantorHid.find(id);
  if (!entry || entry.gone) return 0;
  const reportId = HEAPU8[report];
  const data = HEAPU8.slice(report + 1, report + 65);
  try {
    await entry.device.sendReport(reportId, data);
    return 1;
  } catch (error) {
    console.warn('sendReport:', error);
    return 0;
  }
});

// The ReadResult: 0 a report (at `report`, its id first), 0x102 none within
// `timeoutMs`, 0xFFFFFFFF the device is gone.
EM_ASYNC_JS(int, webhid_read, (int id, std::uint8_t* report, int timeoutMs), {
  const entry = Module.vantorHid && Module.vantorHid.find(id);
  if (!entry || entry.gone) return -1;
  if (entry.queue.length === 0 && timeoutMs > 0) {
    await new Promise((resolve) => {
      const timer = setTimeout(() => {
        entry.wake = null;
        resolve();
      }, timeoutMs);
      entry.wake = () => {
        clearTimeout(timer);
        entry.wake = null;
        resolve();
      };
    });
  }
  if (entry.gone) return -1;
  const next = entry.queue.shift();
  if (!next) return 0x102;
  HEAPU8.fill(0, report, report + 65);
  HEAPU8[report] = next.reportId;
  HEAPU8.set(next.data, report + 1);
  return 0;
});

constexpr char kPathPrefix[] = "webhid:";

class WebHidChannel final : public HidChannel {
 public:
  explicit WebHidChannel(int id) : id_(id) {}
  ~WebHidChannel() override { webhid_release(id_); }
  bool Write(const Report& report) override { return webhid_send(id_, report.data()) != 0; }
  std::uint32_t Read(Report& report, std::uint32_t timeoutMs) override {
    return static_cast<std::uint32_t>(webhid_read(id_, report.data(), static_cast<int>(timeoutMs)));
  }

 private:
  int id_;
};

class WebHidBackend final : public HidBackend {
 public:
  std::vector<HidInterface> Enumerate() override {
    std::vector<HidInterface> found;
    const int count = webhid_count();
    for (int index = 0; index < count; ++index) {
      std::uint16_t ids[2] = {0, 0};
      const int id = webhid_at(index, ids);
      if (id == 0) continue;
      HidInterface device;
      device.path = kPathPrefix + std::to_string(id);
      device.vendorId = ids[0];
      device.productId = ids[1];
      found.push_back(std::move(device));
    }
    return found;
  }

  std::unique_ptr<HidChannel> Open(const std::string& path, OpenError* error) override {
    const auto fail = [error](OpenError why) {
      if (error != nullptr) *error = why;
      return nullptr;
    };
    if (path.rfind(kPathPrefix, 0) != 0) return fail(OpenError::kNotFound);
    const int id = std::atoi(path.c_str() + sizeof(kPathPrefix) - 1);
    switch (webhid_open(id)) {
      case 0:
        break;
      case 1:
        return fail(OpenError::kNotFound);
      case 2:
        return fail(OpenError::kAccessDenied);
      default:
        return fail(OpenError::kOther);
    }
    if (error != nullptr) *error = OpenError::kNone;
    return std::make_unique<WebHidChannel>(id);
  }

  // The browser's connect and disconnect events change what Enumerate lists; the page
  // listens to them itself and looks again (PageUpdate::Look).
  std::unique_ptr<NotificationRegistration> RegisterNotifications(void*) override { return nullptr; }
};

}  // namespace

std::unique_ptr<HidBackend> CreateWebHidBackend(std::string* error) {
  if (webhid_install() == 0) {
    if (error != nullptr) *error = "this browser has no WebHID";
    return nullptr;
  }
  return std::make_unique<WebHidBackend>();
}

namespace {

int RequestSupported(bool choose) {
  if (webhid_install() == 0) return -1;
  std::uint16_t ids[2 * (sizeof(kSupportedDevices) / sizeof(kSupportedDevices[0]))];
  int count = 0;
  for (const SupportedDevice& device : kSupportedDevices) {
    ids[2 * count] = device.vendorId;
    ids[2 * count + 1] = device.productId;
    ++count;
  }
  return webhid_request(ids, count, choose ? 1 : 0);
}

}  // namespace

int RequestWebHidDevices() { return RequestSupported(true); }

int AddGrantedWebHidDevices() { return RequestSupported(false); }

void ForgetWebHidDevices() { webhid_forget(); }

}  // namespace vantor::hid
