#pragma once
// The addressed bootloader's command reports: one 64-byte command per output report,
// one 64-byte reply per input report, and the operations the update composes from
// them (device information, memory read, erase with polling, acknowledged writes,
// run, and the three stamped values).
//
// Every operation runs synchronously on the calling thread, reads into
// session.receiveArea and pauses only through session.clock. None shows anything to
// the user: each returns 1 or 0 and the caller decides. Two operations must never run
// on one session at the same time (they share the channel and receiveArea).

#include <array>
#include <cstdint>
#include <optional>

#include "session/UpdateSession.h"

namespace vantor::addressed {

inline constexpr std::uint8_t kCommandMarker = 5;
inline constexpr std::size_t kCommandSize = 64;
// Marker, code, reserved, length, extent, address: what precedes the data.
inline constexpr std::size_t kCommandHeaderSize = 17;
// The most data bytes one command carries.
inline constexpr std::uint32_t kMaxCommandData = 46;

enum CommandCode : std::uint16_t {
  kCommandWriteBlock = 2,
  kCommandWriteImageData = 3,
  kCommandErase = 4,
  kCommandRead = 5,
  kCommandRun = 7,
  kCommandDeviceInfo = 0xC0,
};

enum ReplyStatus : std::uint16_t {
  kStatusDone = 0,
  kStatusBusy = 16,
};

// Reply layout (the 64 data bytes of an input report).
inline constexpr std::size_t kReplyStatusOffset = 2;
inline constexpr std::size_t kReplyEchoOffset = 4;
inline constexpr std::size_t kReplyDataOffset = 18;
inline constexpr std::size_t kReplyDataSize = 46;

// Addresses with this bit set lie in the Bluetooth LE radio's flash.
inline constexpr std::uint32_t kRadioAddressBit = 0x80000000;
inline constexpr std::uint32_t kMainFlashBase = 0x08000000;
inline constexpr std::uint32_t kFirmwareVersionAddress = 0x08000034;
inline constexpr std::uint32_t kBleVersionAddress = 0x80010004;
inline constexpr std::uint32_t kBleCheckWordAddress = 0x80010006;

inline constexpr std::uint32_t kDeviceInfoSize = 44;

// A read-back (a chunk in doubt, --verify) gets the patience a write gets: each send
// waits for up to kWriteBlockReads reads, and a read command that brought nothing in
// that time is sent again, a pause apart, this often in all (about a second at the
// update's 10 ms read time-out).
inline constexpr std::uint16_t kReadBackSends = 4;

// Erase pacing: a pause after the command, then a poll every 500 ms; 20 polls in a row
// without a busy reply end it.
inline constexpr std::uint32_t kEraseFirstPauseMs = 1000;
inline constexpr std::uint32_t kErasePollPauseMs = 500;
inline constexpr std::uint16_t kEraseIdlePolls = 20;
// A controller that keeps answering busy is given up on after this many polls in all
// (about a minute of polling). A full-flash erase of the controller's main flash takes
// a few seconds, so only a hung bootloader reaches it.
inline constexpr std::uint32_t kEraseMaxPolls = 120;

inline constexpr std::uint16_t kWriteBlockReads = 20;
inline constexpr std::uint8_t kQueryReads = 5;
inline constexpr std::uint32_t kQueryRetryPauseMs = 100;

// A command as it goes to WriteHid: the 64 bytes, of which only the first `count`
// (17 + the data bytes copied) are handed over.
struct EncodedCommand {
  std::array<std::uint8_t, kCommandSize> bytes{};
  std::uint8_t count = 0;
};

// Builds a command. The length is capped at 46 and stored whether data is given or
// not; `data`, when not null, supplies that many bytes.
EncodedCommand EncodeCommand(const std::uint8_t* data, std::uint32_t length, std::uint32_t address,
                             std::uint32_t extent, std::uint16_t code, std::uint16_t reserved = 0);

// True when a read that returned `readResult` brought the done reply to `code`.
bool ReplyMatches(std::uint32_t readResult, const std::uint8_t* reply, std::uint16_t code);

// The fields of the 44-byte device information the updater uses.
struct DeviceInfo {
  std::uint16_t type = 0;
  std::uint8_t variant = 0;
  std::uint32_t versionWord = 0;
};
DeviceInfo ParseDeviceInfo(const std::uint8_t* bytes);

// The Bluetooth LE check word of a 16-byte block: each little-endian word XOR 0x8795.
std::uint16_t BleCheckWord(const std::array<std::uint8_t, 16>& block);

// What the reads of one operation saw, for telling why it failed (a controller that
// refused, one that went away, one that stayed silent) and for noticing
// acknowledgements of image data that came when none was awaited.
struct ExchangeTrace {
  std::uint32_t vanishedReads = 0;       // reads refused at once: the channel is gone
  std::optional<std::uint16_t> refusal;  // status of a reply to the command that was neither done nor busy
  std::uint32_t staleAcks = 0;           // done replies to image data (command 3) read while not awaited
  bool writeFailed = false;              // the command could not be written to the channel
  // The channel went away in answer to the command: it was written while the
  // controller was there, and the reads after it found the device gone.
  bool leftAfterCommand = false;
  FailureReason Reason() const;
};

// Reads (without waiting) the input reports that arrived before a command is sent, so
// that a late reply is never taken for the answer to the next command. Bounded.
void DrainStaleReplies(UpdateSession& session, ExchangeTrace* trace);

// Encodes and writes one command; WriteHid's result (nobody relies on it: a command
// that was not written shows as missing replies).
int SendAddressedCommand(UpdateSession& session, const std::uint8_t* data, std::uint32_t length, std::uint32_t address,
                         std::uint32_t extent, std::uint16_t code, std::uint16_t reserved = 0);

// 1 = `count` bytes (at most 46) of the device information copied to `destination`.
int QueryDeviceInfo(UpdateSession& session, std::uint8_t* destination, std::uint32_t count);
// 1 = min(n, 46) bytes read from `address` copied to `destination`.
int ReadDeviceMemory(UpdateSession& session, std::uint8_t* destination, std::uint32_t n, std::uint32_t address,
                     ExchangeTrace* trace = nullptr);
// The read-back of an update: 1 = min(n, 46) bytes read from `address` copied to
// `destination`. The replies to sends that went unanswered in time are waited for
// (bounded) once the answer is in, so that none of them is taken for the next read's.
int ReadBackMemory(UpdateSession& session, std::uint8_t* destination, std::uint32_t n, std::uint32_t address,
                   ExchangeTrace* trace = nullptr);
// 1 = the controller reported the erase done. 0 = gave up, or
// session.interruptRequested was seen between polls.
int EraseRegion(UpdateSession& session, std::uint16_t code, std::uint32_t start, std::uint32_t length,
                ExchangeTrace* trace = nullptr);
// Command 3 when `streaming`, else 2, sent after the stale input is drained.
// 1 = acknowledged within 20 reads.
int WriteBlock(UpdateSession& session, const std::uint8_t* data, std::uint32_t address, std::uint32_t length,
               std::uint32_t extent, bool streaming, ExchangeTrace* trace = nullptr);
// 1 = the run command was acknowledged (within 20 reads, after the stale input is
// drained): the controller leaves its boot mode for the firmware. A controller that
// restarts before its answer can be read shows as trace->leftAfterCommand.
int RunFirmware(UpdateSession& session, ExchangeTrace* trace = nullptr);
// Stamp session.state.firmwareVersion() / bleVersion() / the check word of
// bleCheckBlock() at their fixed addresses.
int WriteFirmwareVersion(UpdateSession& session, ExchangeTrace* trace = nullptr);
int WriteBleVersion(UpdateSession& session, ExchangeTrace* trace = nullptr);
int WriteBleCheckWord(UpdateSession& session, ExchangeTrace* trace = nullptr);

}  // namespace vantor::addressed
