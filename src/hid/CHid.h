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
#include <optional>
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
  std::optional<std::string> serialNumber;
  std::optional<std::string> location;
};

class CHid {
 public:
  static constexpr std::uint32_t kInitialReadTimeoutMs = 10;
  static constexpr std::uint32_t kOpenReadTimeoutMs = 200;

  explicit CHid(HidBackend& backend);
  virtual ~CHid();
  CHid(const CHid&) = delete;
  CHid& operator=(const CHid&) = delete;

  // 1 when a supported controller was accepted: it becomes Detected() (path in
  // m_DevicePath, and its protocol). 0 leaves the last detection as it was.
  int FindHidDevice();
  // 1 when the window in m_hNotifyWnd was registered for HID arrivals and removals.
  int RegisterHidNotification();
  // FindHidDevice, plus the one-time registration. Sets m_bDevicePresent.
  int DetectDevice();
  // Sets m_bDevicePresent (1 when a supported controller is attached) without
  // touching the last detection: while an update runs, its controller stays its own.
  int DetectPresence();
  // Opens a new report channel on the stored path; read time-out becomes 200 ms.
  int OpenDevice();
  // The same on `path`: an update opens the controller it has taken, not whatever a
  // detection on another thread may have stored meanwhile.
  int OpenDevice(const std::string& path);
  // Sends report id 0 followed by the n data bytes through the persistent output
  // report: bytes after n keep what an earlier write left there. Non-zero = written.
  int WriteHid(const std::uint8_t* data, std::uint8_t n);
  // Waits up to m_nReadTimeout for one input report; on kReadOk copies its first n
  // data bytes (report id dropped) to `destination`. Returns a ReadResult.
  std::uint32_t ReadHid(std::uint8_t* destination, std::uint8_t n);
  // The same with its own time-out (0: only a report that has already arrived), for
  // draining input that came before a command was sent.
  std::uint32_t ReadHidWithin(std::uint8_t* destination, std::uint8_t n, std::uint32_t timeoutMs);
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
  // The last accepted controller (path, ids and protocol read together), if any.
  std::optional<FoundController> Detected() const;
  // The output report as the last write left it (for diagnostics and tests).
  Report OutputReport() const;

  void* m_hNotifyWnd = nullptr;
  std::atomic<int> m_bDevicePresent{0};
  std::atomic<std::uint32_t> m_nReadTimeout{kInitialReadTimeoutMs};
  int m_bNotifyRegistered = 0;

 private:
  std::shared_ptr<HidChannel> Channel() const;

  HidBackend& backend_;
  bool Accepts(const FoundController& controller) const;  // with detectionMutex_ held

  mutable std::mutex detectionMutex_;  // m_DevicePath, detected_, restriction
  std::string m_DevicePath;
  std::optional<FoundController> detected_;
  std::string restrictedPath_;
  std::unique_ptr<NotificationRegistration> m_hDevNotify;

  mutable std::mutex channelMutex_;  // guards the pointer, not the I/O
  std::shared_ptr<HidChannel> channel_;
  std::atomic<OpenError> lastOpenError_{OpenError::kNone};

  mutable std::mutex writeMutex_;  // the one output report buffer
  Report outputReport_{};
};

}  // namespace vantor::hid
