#include "hid/CHid.h"

#include <algorithm>
#include <cstring>

#include "base/DebugOutput.h"

namespace vantor::hid {

CHid::CHid(HidBackend& backend) : backend_(backend) {}

CHid::~CHid() {
  m_hDevNotify.reset();
  std::lock_guard<std::mutex> lock(channelMutex_);
  channel_.reset();
}

std::vector<FoundController> CHid::ListControllers() {
  std::vector<FoundController> found;
  for (const HidInterface& candidate : backend_.Enumerate()) {
    // An interface whose attributes could not be read is passed over.
    if (!candidate.vendorId || !candidate.productId) continue;
    const std::optional<Protocol> protocol = ProtocolOf(*candidate.vendorId, *candidate.productId);
    if (!protocol) continue;
    found.push_back({candidate.path, *candidate.vendorId, *candidate.productId, *protocol, candidate.serialNumber,
                     candidate.location});
  }
  return found;
}

bool CHid::Accepts(const FoundController& controller) const {
  return restrictedPath_.empty() || controller.path == restrictedPath_;
}

int CHid::FindHidDevice() {
  std::lock_guard<std::mutex> lock(detectionMutex_);
  for (const FoundController& controller : ListControllers()) {
    if (!Accepts(controller)) continue;
    // The first accepted device ends the search.
    m_DevicePath = controller.path;
    DebugLinef("m_DevicePath:%s\n", m_DevicePath.c_str());
    detected_ = controller;
    return 1;
  }
  return 0;
}

int CHid::DetectPresence() {
  int found = 0;
  {
    std::lock_guard<std::mutex> lock(detectionMutex_);
    for (const FoundController& controller : ListControllers()) {
      if (Accepts(controller)) found = 1;
    }
  }
  m_bDevicePresent = found;
  return found;
}

int CHid::RegisterHidNotification() {
  m_hDevNotify = backend_.RegisterNotifications(m_hNotifyWnd);
  return m_hDevNotify != nullptr ? 1 : 0;
}

int CHid::DetectDevice() {
  const int found = FindHidDevice();
  {
    std::lock_guard<std::mutex> lock(detectionMutex_);
    if (m_bNotifyRegistered == 0) {
      RegisterHidNotification();
      m_bNotifyRegistered = 1;  // tried once; a failure is not retried
    }
  }
  m_bDevicePresent = found;
  return found;
}

int CHid::OpenDevice() { return OpenDevice(DevicePath()); }

int CHid::OpenDevice(const std::string& path) {
  OpenError error = OpenError::kNone;
  std::shared_ptr<HidChannel> opened = backend_.Open(path, &error);
  lastOpenError_ = opened ? OpenError::kNone : error;
  if (!opened) return 0;
  {
    // The pair this replaces closes when the last read or write using it returns.
    std::lock_guard<std::mutex> lock(channelMutex_);
    channel_ = std::move(opened);
  }
  SetReadTimeout(kOpenReadTimeoutMs);
  return 1;
}

std::shared_ptr<HidChannel> CHid::Channel() const {
  std::lock_guard<std::mutex> lock(channelMutex_);
  return channel_;
}

int CHid::WriteHid(const std::uint8_t* data, std::uint8_t n) {
  const std::size_t count = std::min<std::size_t>(n, kReportDataSize);
  std::lock_guard<std::mutex> lock(writeMutex_);
  outputReport_[0] = 0;  // report id
  if (count > 0) std::memcpy(&outputReport_[1], data, count);
  const std::shared_ptr<HidChannel> channel = Channel();
  if (!channel) return 0;
  return channel->Write(outputReport_) ? 1 : 0;
}

std::uint32_t CHid::ReadHid(std::uint8_t* destination, std::uint8_t n) {
  return ReadHidWithin(destination, n, m_nReadTimeout.load());
}

std::uint32_t CHid::ReadHidWithin(std::uint8_t* destination, std::uint8_t n, std::uint32_t timeoutMs) {
  const std::shared_ptr<HidChannel> channel = Channel();
  if (!channel) return kReadAbandoned;
  Report report{};
  const std::uint32_t result = channel->Read(report, timeoutMs);
  const std::size_t count = std::min<std::size_t>(n, kReportDataSize);
  if (result == kReadOk && count > 0) std::memcpy(destination, &report[1], count);
  return result;
}

void CHid::SetReadTimeout(std::uint32_t milliseconds) { m_nReadTimeout = milliseconds; }

void CHid::RestrictToPath(std::string path) {
  std::lock_guard<std::mutex> lock(detectionMutex_);
  restrictedPath_ = std::move(path);
}

std::string CHid::DevicePath() const {
  std::lock_guard<std::mutex> lock(detectionMutex_);
  return m_DevicePath;
}

std::optional<FoundController> CHid::Detected() const {
  std::lock_guard<std::mutex> lock(detectionMutex_);
  return detected_;
}

Report CHid::OutputReport() const {
  std::lock_guard<std::mutex> lock(writeMutex_);
  return outputReport_;
}

}  // namespace vantor::hid
