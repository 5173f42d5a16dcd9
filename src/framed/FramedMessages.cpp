#include "framed/FramedMessages.h"

#include <algorithm>

#include "base/DebugOutput.h"

namespace vantor::framed {
namespace {

// One report: the count byte, then the frame bytes.
int WriteFramePiece(UpdateSession& session, const std::uint8_t* piece, std::size_t length) {
  std::uint8_t data[hid::kReportDataSize];
  data[0] = static_cast<std::uint8_t>(length);
  std::copy(piece, piece + length, data + 1);
  return session.hid.WriteHid(data, static_cast<std::uint8_t>(length + 1));
}

}  // namespace

std::vector<std::uint8_t> BuildCommandFrame(std::uint8_t code, const std::uint8_t* payload, int n) {
  // Frames are assembled in a 1024-byte area: 7 bytes of framing leave 1017 for data.
  const std::size_t payloadLength =
      n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), kFrameBufferSize - 7) : 0;
  std::vector<std::uint8_t> frame(payloadLength > 0 ? payloadLength + 7 : 5, 0);
  frame[0] = 0x00;
  frame[1] = kTypeCommand;
  if (payloadLength > 0) {
    Store16(&frame[2], static_cast<std::uint16_t>(payloadLength + 3));
    frame[4] = code;
    Store16(&frame[5], static_cast<std::uint16_t>(payloadLength));
    std::copy(payload, payload + payloadLength, frame.begin() + 7);
  } else {
    Store16(&frame[2], 1);
    frame[4] = code;
  }
  return frame;
}

std::vector<std::uint8_t> BuildHeaderPayload(std::uint32_t versionWord, std::uint32_t address, std::uint32_t length) {
  std::vector<std::uint8_t> payload(kHeaderPayloadSize, 0);
  Store32(&payload[0], versionWord);
  Store32(&payload[4], address);
  Store32(&payload[8], length);
  return payload;
}

int SendFirmwarePacket(UpdateSession& session, std::uint8_t code, const std::uint8_t* payload, int n) {
  const std::vector<std::uint8_t> frame = BuildCommandFrame(code, payload, n);
  if (code != kCommandData) {
    DebugLinef("SendFirmwarePacket cmd %d\n", code);
    // Non-data frames are short (the longest, the header, is 35 bytes) and fit one report.
    return WriteFramePiece(session, frame.data(), std::min<std::size_t>(frame.size(), hid::kReportDataSize - 1));
  }
  std::size_t offset = 0;
  std::size_t remaining = frame.size();
  while (remaining > 0) {
    const std::size_t piece = std::min(remaining, kMaxDataPiece);
    if (WriteFramePiece(session, frame.data() + offset, piece) == 0) {
      DebugLine("WriteHid error\n");
      return 0;
    }
    remaining -= piece;
    offset += piece;
    DebugLinef("WriteHid %d btye sucessful\n", static_cast<int>(piece));
  }
  return 1;
}

int SendHeaderMessage(UpdateSession& session, std::uint32_t versionWord, std::uint32_t address, std::uint32_t length) {
  const std::vector<std::uint8_t> payload = BuildHeaderPayload(versionWord, address, length);
  return SendFirmwarePacket(session, kCommandHeader, payload.data(), static_cast<int>(payload.size()));
}

int SendDataMessage(UpdateSession& session, const std::uint8_t* chunk, int k) {
  return SendFirmwarePacket(session, kCommandData, chunk, k);
}

int SendControlMessage(UpdateSession& session, std::uint8_t type, std::uint8_t value) {
  const std::uint8_t frame[5] = {0x00, type, 0x01, 0x00, value};
  return WriteFramePiece(session, frame, sizeof frame);
}

}  // namespace vantor::framed
