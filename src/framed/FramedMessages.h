#pragma once
// Framed messages: every message is a frame (0x00, type, 16-bit little-endian body
// length, body). Frames travel in output reports behind a count byte; a data frame is
// cut into pieces of at most 39 bytes, one report each.

#include <cstdint>
#include <optional>
#include <vector>

#include "base/LittleEndian.h"
#include "session/UpdateSession.h"

namespace vantor::framed {

// Message types.
inline constexpr std::uint8_t kTypeCommand = 22;
inline constexpr std::uint8_t kTypeDeviceInfo = 25;
inline constexpr std::uint8_t kTypeStart = 26;
inline constexpr std::uint8_t kTypeNoReport = 29;

// Command codes, host to controller.
inline constexpr std::uint8_t kCommandData = 0;
inline constexpr std::uint8_t kCommandHeader = 1;
inline constexpr std::uint8_t kCommandFinish = 2;
inline constexpr std::uint8_t kCommandVersionQuery = 4;
// Command codes, controller to host.
inline constexpr std::uint8_t kCommandVersionReport = 4;
inline constexpr std::uint8_t kCommandDataRequest = 20;
inline constexpr std::uint8_t kCommandFailure = 21;
inline constexpr std::uint8_t kCommandFailureAlt = 24;

inline constexpr std::size_t kFrameBufferSize = 1024;
inline constexpr std::size_t kMaxDataPiece = 39;
inline constexpr std::size_t kHeaderPayloadSize = 28;

// The frame of a command message (pure): with a payload, L = n + 3 and a payload-length
// field; without one (n <= 0) the five bytes 00 16 01 00 code.
std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t code, const std::uint8_t* payload, int n);
// The 28-byte header payload: version word, address, length, 16 zero bytes.
std::vector<std::uint8_t> BuildHeaderPayload(std::uint32_t versionWord, std::uint32_t address, std::uint32_t length);

// Code not 0: one report; returns WriteHid's result. Code 0 (data): pieces of at most
// 39 bytes; returns 0 when a piece could not be written, 1 otherwise.
int SendFirmwarePacket(UpdateSession& session, std::uint8_t code, const std::uint8_t* payload, int n);
int SendHeaderMessage(UpdateSession& session, std::uint32_t versionWord, std::uint32_t address, std::uint32_t length);
int SendDataMessage(UpdateSession& session, const std::uint8_t* chunk, int k);
int SendControlMessage(UpdateSession& session, std::uint8_t type, std::uint8_t value);

// A message received in a report: receiveArea byte 0 is the count, the message
// follows. All accessors stay inside the 63 message bytes a report can carry.
struct ReceivedMessage {
  static constexpr std::size_t kMaxLength = 63;
  const std::uint8_t* bytes;  // at least kMaxLength readable bytes

  bool wellFormed() const { return bytes[0] == 0; }
  std::uint8_t type() const { return bytes[1]; }
  // Type 22: the command code (message offset 4).
  std::uint8_t command() const { return bytes[4]; }
  // Type 22, command 4: the version word at message offsets 7..10.
  std::uint32_t reportedVersion() const { return Word32(7); }
  // Type 25: firmwareType, the word at message offsets 40..43.
  std::uint32_t firmwareType() const { return Word32(40); }

 private:
  std::uint32_t Word32(std::size_t at) const { return Load32(bytes + at); }
};

inline constexpr bool IsBootMode(std::uint32_t firmwareType) { return firmwareType == 1 || firmwareType == 200; }

}  // namespace vantor::framed
