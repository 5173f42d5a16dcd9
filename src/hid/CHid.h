#pragma once
// CHid: finds the supported controller, registers for device changes and carries
// reports to and from it (the report channel).
//
// Threads. The dialog's thread (detection, probe) and one update worker use a CHid.
// Detection fields are written under a lock, so a detection on either thread never
// leaves them half-written. Reports are exchanged by one thread at a time: the session
// hands the channel to either the probe or the worker (see UpdateSession). The
// channel pair itself is reference-counted: OpenDevice replaces the stored pair and
// the old one closes once the last read or write using it has returned.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/HidBackend.h"
#include "hid/SupportedDevices.h"

namespace vantor::hid {

// A supported controller as enumeration found it.
struct FoundController {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  Protocol protocol = Protocol::kFramed;
};

class CHid {
 public:
  static constexpr std::uint32_t kInitialReadTimeoutMs = 10;
  static constexpr std::uint32_t kOpenReadTimeoutMs = 200;

  explicit CHid(HidBackend& backend);
  virtual ~CHid();
  CHid(const CHid&) = delete;
  CHid& operator=(const CHid&) = delete;

  // 1 when a supported controller was accepted: its path is stored in m_DevicePath and
  // isAddressedDevice says its protocol. 0 leaves both as they were.
  int FindHidDevice();
  // 1 when the window in m_hNotifyWnd was registered for HID arrivals and removals.
  int RegisterHidNotification();
  // FindHidDevice, plus the one-time registration. Sets m_bDevicePresent.
  int DetectDevice();
  // Opens a new report channel on the stored path; read time-out becomes 200 ms.
  int OpenDevice();
  // Sends report id 0 followed by the n data bytes through the persistent output
  // report: bytes after n keep what an earlier write left there. Non-zero = written.
  int WriteHid(const std::uint8_t* data, std::uint8_t n);
  // Waits up to m_nReadTimeout for one input report; on kReadOk copies its first n
  // data bytes (report id dropped) to `destination`. Returns a ReadResult.
  std::uint32_t ReadHid(std::uint8_t* destination, std::uint8_t n);
  void SetReadTimeout(std::uint32_t milliseconds);

  // Every supported controller present, in the order detection would take them.
  std::vector<FoundController> ListControllers();
  // Restricts detection to the controller at `path` (empty: any), for a user who
  // has several attached.
  void RestrictToPath(std::string path);
  // Why the last OpenDevice failed.
  OpenError LastOpenError() const { return lastOpenError_.load(); }
  // The stored path, read consistently with the detection that wrote it.
  std::string DevicePath() const;
  // The output report as the last write left it (for diagnostics and tests).
  Report OutputReport() const;

  void* m_hNotifyWnd = nullptr;
  std::atomic<int> m_bDevicePresent{0};
  std::atomic<std::uint32_t> m_nReadTimeout{kInitialReadTimeoutMs};
  int m_bNotifyRegistered = 0;
  // 1 when the last accepted controller speaks the addressed protocol.
  std::atomic<int> isAddressedDevice{0};

 private:
  std::shared_ptr<HidChannel> Channel() const;

  HidBackend& backend_;
  mutable std::mutex detectionMutex_;  // m_DevicePath, isAddressedDevice, restriction
  std::string m_DevicePath;
  std::string restrictedPath_;
  std::unique_ptr<NotificationRegistration> m_hDevNotify;

  mutable std::mutex channelMutex_;  // guards the pointer, not the I/O
  std::shared_ptr<HidChannel> channel_;
  std::atomic<OpenError> lastOpenError_{OpenError::kNone};

  mutable std::mutex writeMutex_;  // the one output report buffer
  Report outputReport_{};
};

}  // namespace vantor::hid
