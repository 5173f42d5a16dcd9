#pragma once
// An emulated framed bootloader (the older controllers under 0x0483:0x5750 and
// 0x2DC8:0x5750), for the tests and the programs' simulated mode.
//
// An independent model of the controller: it keeps its own wire constants and byte
// layouts and includes nothing of the updater's protocol code, on purpose, so that a
// wrong constant in the updater fails a test instead of being mirrored here. Do not
// merge the two.
//
// Conversation, as the bootloader drives it:
// - start message (type 26): answered with device information (type 25) carrying
//   Settings::firmwareType at message offsets 40..43 (1 or 200 = boot mode);
// - version query (command 4): answered with a version report carrying the version
//   word (0xFFFFFFFF = no firmware);
// - header (command 1): erases the announced region and asks for data (command 20);
// - data (command 0): written to flash behind the bytes before it, then the next data
//   request; once the announced length has arrived, one more data request, which the
//   finish command (command 2) answers. The finish has no answer: the bootloader
//   starts the new firmware, and its boot-mode device leaves the bus
//   (Settings::leavesAfterFinishMs). The version word becomes the header's.
// Refused with failure command 24: a header whose region is not in flash, data or a
// finish without a header, data after the whole image, a finish before it. Type-29
// messages (the host found no report) are counted and otherwise ignored.
//
// Frames are reassembled from the count-prefixed pieces of the host's reports (a data
// frame travels in pieces of up to 39 bytes). Bytes that run past the announced
// length are counted in OverrunBytes() and not written.
//
// Flash model: Settings::flashSize bytes from Settings::flashBase, 0xFF where erased.
//
// Faults are injected through Settings::faults, or SetFaults between exchanges. A
// controller whose reports are lost or that falls silent does not ask again: the
// transfer stalls until the host gives up.
//
// Threads: every method may be called from any thread; the backend calls
// OnOutputReport from whichever thread writes.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Clock.h"
#include "sim/SimDevice.h"
#include "sim/SimHidBackend.h"

namespace vantor::sim {

class FramedEmulator final : public SimDevice {
 public:
  static constexpr std::uint16_t kVendorId = 0x2DC8;
  static constexpr std::uint16_t kLegacyVendorId = 0x0483;
  static constexpr std::uint16_t kProductId = 0x5750;
  static constexpr std::uint32_t kBootModeType = 1;
  static constexpr std::uint32_t kAlternateBootModeType = 200;
  static constexpr std::uint32_t kApplicationModeType = 0;

  // A point in the conversation at which a fault strikes.
  enum class Step { kStart, kVersionQuery, kHeader, kChunk, kFinish };
  struct StepAt {
    Step step = Step::kChunk;
    // For kChunk: the n-th data message (1-based) since the last header, counting
    // those lost on the way. Other steps match every time they occur.
    std::uint32_t chunk = 1;
  };

  struct Faults {
    // The n-th data message is answered with `failureCommand` (21 or 24) instead of
    // a data request; the bootloader then stops taking data.
    std::optional<std::uint32_t> failAtChunk;
    std::uint8_t failureCommand = 21;
    // From this host report on the bootloader answers nothing.
    std::optional<StepAt> silentFrom;
    // The bootloader's answer to this report never reaches the host.
    std::optional<StepAt> loseReplyAt;
    // This report of the host never reaches the bootloader.
    std::optional<StepAt> loseHostReportAt;
    // The controller is pulled out as this report arrives (it is not carried out).
    std::optional<StepAt> removeAt;

    // The answer to this report comes `lateMs` late; answers behind it wait for it.
    std::optional<StepAt> lateReplyAt;
    std::uint32_t lateMs = 0;
    // The answer to this report is sent twice.
    std::optional<StepAt> duplicateReplyAt;
    // The last answer sent before arrives again, ahead of the answer to this report.
    std::optional<StepAt> staleReplyBefore;
    // The answer to this report is held back and sent after whatever the host's next
    // output report brings: it swaps places with the next answer.
    std::optional<StepAt> reorderReplyAt;
    // The host's n-th output report (1-based, every piece of a frame counts) fails at
    // the channel: the write reports failure and the bootloader never sees it.
    std::optional<std::uint32_t> refuseWriteAt;
  };

  struct Settings {
    // 1 or 200: boot mode; anything else: the controller runs its application.
    std::uint32_t firmwareType = kBootModeType;
    // Reported by the version query; 0xFFFFFFFF acts out a controller without firmware.
    std::uint32_t versionWord = 156;
    std::uint32_t flashBase = 0x08000000;
    std::uint32_t flashSize = 512 * 1024;
    // Delay of each answer; a real controller answers in the next 1 ms USB frame.
    std::uint32_t replyDelayMs = 0;
    // How long the erase behind a header keeps the bootloader from asking for data.
    std::uint32_t eraseBusyMs = 0;
    // Once it has taken the finish the controller restarts: its boot-mode device is gone
    // this long after (0: at once; a delay needs the clock, see Attach). Unset: it stays
    // in boot mode and says nothing, as a controller that hung would.
    std::optional<std::uint32_t> leavesAfterFinishMs = 0;
    Faults faults;
  };

  // What the last header announced.
  struct Header {
    std::uint32_t versionWord = 0;
    std::uint32_t address = 0;
    std::uint32_t length = 0;
  };

  // `clock` (may be null: then a restart leaves at once) times the restart.
  explicit FramedEmulator(Settings settings, const Clock* clock = nullptr);

  // Makes an emulator on the backend's clock and adds it to `backend` under
  // `vendorId`:0x5750.
  static std::shared_ptr<FramedEmulator> Attach(SimHidBackend& backend, Settings settings,
                                                std::string path = "framed-controller",
                                                std::uint16_t vendorId = kVendorId);

  void OnOutputReport(const hid::Report& report, ReportSink& host) override;
  bool RefusesWrite(const hid::Report& report) override;
  bool Present() const override;

  void Unplug() { present_ = false; }
  void SetFaults(Faults faults);

  // The flash over the region the last header announced (`length` bytes at its
  // address); empty before any header.
  std::vector<std::uint8_t> MainImage() const;
  std::optional<Header> LastHeader() const;
  // Image bytes taken since the last header, and the payload size of each data
  // message in order (lost ones excluded).
  std::uint32_t BytesReceived() const;
  std::vector<std::uint32_t> ChunkSizes() const;
  std::uint32_t OverrunBytes() const;
  // True once a finish arrived after the whole image (the controller then restarts).
  bool Finished() const;
  std::uint32_t VersionWord() const;
  // How many messages of `type` (and, for type 22, of command `command`) arrived.
  std::uint32_t CountOf(std::uint8_t type, std::uint8_t command = 0) const;
  // Frame bytes received but not yet a whole frame (a report sequence cut short).
  std::size_t PendingFrameBytes() const;

 private:
  void HandleFrame(const std::vector<std::uint8_t>& frame, ReportSink& host);
  bool Matches(const std::optional<StepAt>& at, Step step, std::uint32_t chunk) const;
  std::vector<std::uint8_t> HandleHeader(const std::vector<std::uint8_t>& frame);
  std::vector<std::uint8_t> HandleData(const std::vector<std::uint8_t>& frame, std::uint32_t chunk);
  std::vector<std::uint8_t> HandleFinish();
  std::vector<std::uint8_t> DeviceInformation() const;

  static constexpr std::uint64_t kNever = ~std::uint64_t{0};

  const Clock* clock_;
  std::atomic<bool> present_{true};
  // When the restart after the finish takes the device off the bus (clock time).
  std::atomic<std::uint64_t> leavesAt_{kNever};
  mutable std::mutex mutex_;
  Settings settings_;
  std::vector<std::uint8_t> flash_;
  std::vector<std::uint8_t> pending_;
  std::optional<Header> header_;
  bool streaming_ = false;
  bool silent_ = false;
  bool finished_ = false;
  std::uint32_t received_ = 0;
  std::uint32_t overrun_ = 0;
  std::uint32_t chunkArrivals_ = 0;
  std::vector<std::uint32_t> chunkSizes_;
  std::uint32_t writes_ = 0;
  std::optional<hid::Report> held_;
  std::optional<hid::Report> lastAnswer_;
  std::map<std::pair<std::uint8_t, std::uint8_t>, std::uint32_t> counts_;
};

}  // namespace vantor::sim
