#pragma once
// An emulated addressed bootloader (the controller under 0x2DC8:0x3002), for the tests
// and the programs' simulated mode.
//
// An independent model of the controller: it keeps its own wire constants and byte
// layouts and includes nothing of the updater's protocol code, on purpose, so that a
// wrong constant in the updater fails a test instead of being mirrored here. Do not
// merge the two.
//
// Flash model. Main flash starts at 0x08000000; the Bluetooth LE radio's flash is
// reached with bit 31 set (0x80000000 | a). Both read 0xFF where erased. Image data
// (command 3) may only be written to erased bytes, as the flash itself demands; a
// write block (command 2) is the bootloader's own record writer, which rewrites its
// page, so the stamped values may land on programmed bytes. The device information
// reports the version word stored at 0x08000034 (0xFFFFFFFF while that is erased)
// and the radio's version is the word at 0x80010004.
//
// Replies. Every command is answered with a report echoing its code: status 0 when
// done, 16 for an erase still running, 1 for a command refused (bad address, write to
// unerased flash, write while erasing). An erase stays busy for
// `Settings::eraseBusyMs` on the clock; asking again for the region while it runs
// answers busy, asking again once it is done answers done without erasing anew.
//
// Faults are injected through `Faults` (set before or between exchanges).
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
#include <vector>

#include "base/Clock.h"
#include "sim/SimDevice.h"
#include "sim/SimHidBackend.h"

namespace vantor::sim {

class AddressedEmulator final : public SimDevice {
 public:
  static constexpr std::uint16_t kVendorId = 0x2DC8;
  static constexpr std::uint16_t kProductId = 0x3002;
  static constexpr std::uint32_t kMainFlashBase = 0x08000000;
  static constexpr std::uint32_t kRadioBit = 0x80000000;
  static constexpr std::uint16_t kStatusRefused = 1;

  // Picks the n-th (1-based) command with a given code, counting every command of
  // that code the emulator received (repeats included).
  struct CommandAt {
    std::uint16_t code = 0;
    std::uint32_t occurrence = 1;
  };

  struct Faults {
    // No reply to `count` commands of a code, from the given occurrence on.
    struct Drop {
      CommandAt from;
      std::uint32_t count = 1;
    };
    std::vector<Drop> drops;
    // A stale reply (done, echoing another command's code) is sent ahead of the
    // reply to these commands.
    std::vector<CommandAt> staleBefore;
    // Image data (command 3) written to this address is never acknowledged.
    std::optional<std::uint32_t> neverAcknowledgeAt;
    // An erase starting at this address is refused (status 1) instead of run.
    std::optional<std::uint32_t> refuseEraseAt;
    // An erase starting at this address never finishes: it answers busy forever.
    std::optional<std::uint32_t> hangEraseAt;
    // A write block (command 2) at this address is never acknowledged.
    std::optional<std::uint32_t> neverAcknowledgeBlockAt;
    // The controller is pulled out as this command arrives (it is not carried out).
    std::optional<CommandAt> removeAt;

    // The reply to this command comes `delayMs` late; the replies behind it queue up
    // behind it, as they do in the controller's endpoint.
    struct Late {
      CommandAt at;
      std::uint32_t delayMs = 0;
    };
    std::vector<Late> late;
    // The reply to these commands is sent twice.
    std::vector<CommandAt> duplicated;
    // The reply to these commands is held back and sent after the reply to the next
    // command that is answered: two replies swap places.
    std::vector<CommandAt> reordered;
    // These commands are lost on the way: never carried out, never answered. They
    // count as occurrences (the host sent them) but are not in Commands().
    std::vector<CommandAt> lost;
    // Programming fails for these writes (command 3 or 2): nothing is written and the
    // reply says refused.
    std::vector<CommandAt> failedPrograms;
    // The host's write of these commands fails at the channel, so the bootloader never
    // sees them. Counted apart: the n-th time the host offers a command of the code.
    std::vector<CommandAt> refusedWrites;
    // The byte at this address reads back wrong (a cell that does not hold what was
    // programmed), whatever the flash model holds.
    std::optional<std::uint32_t> corruptReadAt;
  };

  struct Settings {
    std::uint16_t deviceType = 8194;
    std::uint8_t deviceVariant = 0;
    // Version word stored at 0x08000034 at start; 0xFFFFFFFF acts out a controller
    // that holds no firmware.
    std::uint32_t versionWord = 150;
    std::uint16_t radioVersion = 0x0102;
    std::uint32_t mainFlashSize = 512 * 1024;
    std::uint32_t radioFlashSize = 256 * 1024;
    // Delay of each reply (a real controller answers in the next 1 ms USB frame).
    std::uint32_t replyDelayMs = 0;
    // How long an erase answers busy.
    std::uint32_t eraseBusyMs = 0;
    // Once it has taken the run command the controller starts its firmware and its
    // boot-mode device leaves the bus this long after (on the clock; 0: at once, before
    // its answer can be read). Unset: it answers and stays, still in boot mode.
    std::optional<std::uint32_t> leavesAfterRunMs;
    Faults faults;
  };

  // A received command as the emulator read it (data limited to its length field).
  struct Command {
    std::uint16_t code = 0;
    std::uint16_t reserved = 0;
    std::uint32_t length = 0;
    std::uint32_t extent = 0;
    std::uint32_t address = 0;
    std::vector<std::uint8_t> data;
  };

  AddressedEmulator(Clock& clock, Settings settings);

  // Makes an emulator and adds it to `backend` under the addressed controller's ids.
  static std::shared_ptr<AddressedEmulator> Attach(SimHidBackend& backend, Clock& clock, Settings settings,
                                                   std::string path = "addressed-controller");

  void OnOutputReport(const hid::Report& report, ReportSink& host) override;
  bool RefusesWrite(const hid::Report& report) override;
  bool Present() const override;

  void Unplug() { present_ = false; }
  void SetFaults(Faults faults);

  // The main flash over the last erased main region (empty when none was erased).
  std::vector<std::uint8_t> MainImage() const;
  // The radio flash over the last erased radio region (empty when none was erased).
  std::vector<std::uint8_t> BleImage() const;
  // `n` bytes of flash from `address` (bit 31 selects the radio); 0xFF outside flash.
  std::vector<std::uint8_t> ReadFlash(std::uint32_t address, std::uint32_t n) const;
  std::uint32_t VersionWord() const;
  std::uint16_t RadioVersion() const;
  std::uint16_t RadioCheckWord() const;

  std::vector<Command> Commands() const;
  // How many commands of `code` arrived.
  std::uint32_t CountOf(std::uint16_t code) const;
  // True once the run command was taken (and answered, unless the reply is lost).
  bool Restarted() const;

 private:
  struct Region {
    std::uint32_t address = 0;
    std::uint32_t length = 0;
  };
  struct Erase {
    Region region;
    std::uint64_t doneAt = 0;
    bool hangs = false;
    bool writtenSince = false;  // a later erase request then erases anew
  };

  std::vector<std::uint8_t>* FlashFor(std::uint32_t address, std::uint32_t* offset);
  const std::vector<std::uint8_t>* FlashFor(std::uint32_t address, std::uint32_t* offset) const;
  bool InFlash(std::uint32_t address, std::uint32_t length) const;
  bool Erasing() const;
  std::uint16_t HandleErase(const Command& command);
  std::uint16_t HandleImageData(const Command& command);
  std::uint16_t HandleWriteBlock(const Command& command);
  hid::Report MakeReply(std::uint16_t code, std::uint16_t status, const std::uint8_t* data, std::size_t n) const;
  void Answer(ReportSink& host, std::uint16_t code, std::uint32_t occurrence, const hid::Report& reply);
  bool Dropped(std::uint16_t code, std::uint32_t occurrence) const;
  std::uint32_t LateBy(std::uint16_t code, std::uint32_t occurrence) const;
  std::vector<std::uint8_t> Bytes(std::uint32_t address, std::uint32_t n) const;

  static constexpr std::uint64_t kNever = ~std::uint64_t{0};

  Clock& clock_;
  std::atomic<bool> present_{true};
  std::atomic<std::uint64_t> leavesAt_{kNever};  // the restart after the run command
  mutable std::mutex mutex_;
  Settings settings_;
  std::vector<std::uint8_t> mainFlash_;
  std::vector<std::uint8_t> radioFlash_;
  std::optional<Region> lastMainErase_;
  std::optional<Region> lastRadioErase_;
  std::optional<Erase> erase_;
  std::vector<Command> commands_;
  std::map<std::uint16_t, std::uint32_t> counts_;
  std::map<std::uint16_t, std::uint32_t> offered_;
  std::optional<hid::Report> held_;
  std::uint16_t lastCode_ = 0;
  bool restarted_ = false;
};

}  // namespace vantor::sim
