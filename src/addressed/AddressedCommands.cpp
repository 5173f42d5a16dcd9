#include "addressed/AddressedCommands.h"

#include <algorithm>
#include <cstring>

#include "base/LittleEndian.h"

namespace vantor::addressed {
namespace {

std::uint32_t Read(UpdateSession& session) {
  return session.hid.ReadHid(session.receiveArea.data(), static_cast<std::uint8_t>(session.receiveArea.size()));
}

// The most reports one drain takes: more than a controller ever has in flight.
constexpr int kDrainLimit = 64;

// Notes in `trace` what a read for command `code` that did not match says about the
// controller.
void Note(ExchangeTrace* trace, std::uint32_t result, const std::uint8_t* reply, std::uint16_t code) {
  if (trace == nullptr) return;
  if (result == hid::kReadFailed || result == hid::kReadAbandoned) {
    ++trace->vanishedReads;
    return;
  }
  if (result != hid::kReadOk || reply[0] != 0 || reply[1] != kCommandMarker) return;
  const std::uint16_t status = Load16(reply + kReplyStatusOffset);
  const std::uint16_t echo = Load16(reply + kReplyEchoOffset);
  if (echo == code && status != kStatusDone && status != kStatusBusy) trace->refusal = status;
  if (echo == kCommandWriteImageData && status == kStatusDone) ++trace->staleAcks;
}

// The device-information query and the memory read share their retry rule: a read
// that brought nothing is followed by a pause and the command again; a stale or
// foreign reply is skipped without sending anything.
int QueryWithRetry(UpdateSession& session, std::uint16_t code, std::uint32_t firstLength, std::uint32_t retryLength,
                   std::uint32_t extentFirst, std::uint32_t extentRetry, std::uint32_t address,
                   std::uint8_t* destination, std::uint32_t count, ExchangeTrace* trace = nullptr) {
  SendAddressedCommand(session, nullptr, firstLength, address, extentFirst, code);
  for (std::uint8_t attempt = 0; attempt < kQueryReads; ++attempt) {
    const std::uint32_t result = Read(session);
    if (result != hid::kReadOk) {
      session.clock.Pause(kQueryRetryPauseMs);
      SendAddressedCommand(session, nullptr, retryLength, address, extentRetry, code);
      continue;
    }
    if (!ReplyMatches(result, session.receiveArea.data(), code)) {
      Note(trace, result, session.receiveArea.data(), code);
      continue;
    }
    // The reply carries at most 46 data bytes; never copy from beyond it.
    const std::uint32_t copied = std::min<std::uint32_t>(count, kReplyDataSize);
    std::memcpy(destination, session.receiveArea.data() + kReplyDataOffset, copied);
    return 1;
  }
  return 0;
}

}  // namespace

FailureReason ExchangeTrace::Reason() const {
  if (vanishedReads > 0) return FailureReason::kUnplugged;
  if (writeFailed) return FailureReason::kWriteFailed;
  if (refusal) return FailureReason::kControllerRefused;
  return FailureReason::kNoAnswer;
}

EncodedCommand EncodeCommand(const std::uint8_t* data, std::uint32_t length, std::uint32_t address,
                             std::uint32_t extent, std::uint16_t code, std::uint16_t reserved) {
  EncodedCommand command;
  std::uint8_t* bytes = command.bytes.data();
  const std::uint32_t capped = std::min(length, kMaxCommandData);
  bytes[0] = kCommandMarker;
  Store16(bytes + 1, code);
  Store16(bytes + 3, reserved);
  Store32(bytes + 5, capped);
  Store32(bytes + 9, extent);
  Store32(bytes + 13, address);
  std::uint32_t n = 0;
  if (data != nullptr) {
    std::memcpy(bytes + kCommandHeaderSize, data, capped);
    n = capped;
  }
  command.count = static_cast<std::uint8_t>(kCommandHeaderSize + n);
  return command;
}

bool ReplyMatches(std::uint32_t readResult, const std::uint8_t* reply, std::uint16_t code) {
  return readResult == hid::kReadOk && reply[0] == 0 && reply[1] == kCommandMarker &&
         Load16(reply + kReplyStatusOffset) == kStatusDone && Load16(reply + kReplyEchoOffset) == code;
}

DeviceInfo ParseDeviceInfo(const std::uint8_t* bytes) {
  DeviceInfo info;
  info.type = Load16(bytes);
  info.variant = bytes[2];
  info.versionWord = Load32(bytes + 4);
  return info;
}

std::uint16_t BleCheckWord(const std::array<std::uint8_t, 16>& block) {
  // The controller's check mixes a constant into every word; eight of them cancel,
  // but the sum is formed the way the bootloader forms it.
  std::uint16_t word = 0;
  for (std::size_t i = 0; i < block.size(); i += 2) {
    word = static_cast<std::uint16_t>(word ^ Load16(block.data() + i) ^ 0x8795);
  }
  return word;
}

int SendAddressedCommand(UpdateSession& session, const std::uint8_t* data, std::uint32_t length, std::uint32_t address,
                         std::uint32_t extent, std::uint16_t code, std::uint16_t reserved) {
  const EncodedCommand command = EncodeCommand(data, length, address, extent, code, reserved);
  return session.hid.WriteHid(command.bytes.data(), command.count);
}

int QueryDeviceInfo(UpdateSession& session, std::uint8_t* destination, std::uint32_t count) {
  // The repeated query carries 0/0: the bootloader answers it the same way.
  return QueryWithRetry(session, kCommandDeviceInfo, kDeviceInfoSize, 0, kDeviceInfoSize, 0, 0, destination, count);
}

int ReadDeviceMemory(UpdateSession& session, std::uint8_t* destination, std::uint32_t n, std::uint32_t address,
                     ExchangeTrace* trace) {
  return QueryWithRetry(session, kCommandRead, n, n, n, n, address, destination, n, trace);
}

int ReadBackMemory(UpdateSession& session, std::uint8_t* destination, std::uint32_t n, std::uint32_t address,
                   ExchangeTrace* trace) {
  const std::uint32_t copied = std::min(n, kMaxCommandData);
  for (std::uint16_t send = 1; send <= kReadBackSends; ++send) {
    if (send > 1) session.clock.Pause(kQueryRetryPauseMs);
    SendAddressedCommand(session, nullptr, n, address, n, kCommandRead);
    for (std::uint16_t read = 0; read < kWriteBlockReads; ++read) {
      const std::uint32_t result = Read(session);
      if (!ReplyMatches(result, session.receiveArea.data(), kCommandRead)) {
        Note(trace, result, session.receiveArea.data(), kCommandRead);
        continue;
      }
      std::memcpy(destination, session.receiveArea.data() + kReplyDataOffset, copied);
      // Every send before this one may still be answered; those answers carry this
      // address's bytes, and the next read must not take them for its own.
      std::uint16_t unanswered = static_cast<std::uint16_t>(send - 1);
      for (std::uint16_t wait = 0; unanswered > 0 && wait < kWriteBlockReads; ++wait) {
        const std::uint32_t late = Read(session);
        if (ReplyMatches(late, session.receiveArea.data(), kCommandRead)) {
          --unanswered;
        } else {
          Note(trace, late, session.receiveArea.data(), kCommandRead);
        }
      }
      return 1;
    }
  }
  return 0;
}

void DrainStaleReplies(UpdateSession& session, ExchangeTrace* trace) {
  for (int i = 0; i < kDrainLimit; ++i) {
    const std::uint32_t result =
        session.hid.ReadHidWithin(session.receiveArea.data(), static_cast<std::uint8_t>(session.receiveArea.size()), 0);
    if (result != hid::kReadOk) return;
    Note(trace, result, session.receiveArea.data(), 0);
  }
}

int EraseRegion(UpdateSession& session, std::uint16_t code, std::uint32_t start, std::uint32_t length,
                ExchangeTrace* trace) {
  SendAddressedCommand(session, nullptr, 0, start, length, code);
  session.clock.Pause(kEraseFirstPauseMs);
  std::uint16_t idlePolls = 0;
  for (std::uint32_t poll = 0; poll < kEraseMaxPolls; ++poll) {
    if (session.interruptRequested) return 0;
    const std::uint32_t result = Read(session);
    const std::uint8_t* reply = session.receiveArea.data();
    Note(trace, result, reply, code);
    const bool ours = result == hid::kReadOk && reply[0] == 0 && reply[1] == kCommandMarker &&
                      Load16(reply + kReplyEchoOffset) == code;
    if (ours && Load16(reply + kReplyStatusOffset) == kStatusDone) return 1;
    if (ours && Load16(reply + kReplyStatusOffset) == kStatusBusy) idlePolls = 0;
    SendAddressedCommand(session, nullptr, 0, start, length, code);
    session.clock.Pause(kErasePollPauseMs);
    ++idlePolls;
    if (idlePolls >= kEraseIdlePolls) return 0;
  }
  return 0;
}

int WriteBlock(UpdateSession& session, const std::uint8_t* data, std::uint32_t address, std::uint32_t length,
               std::uint32_t extent, bool streaming, ExchangeTrace* trace) {
  const std::uint16_t code = streaming ? kCommandWriteImageData : kCommandWriteBlock;
  DrainStaleReplies(session, trace);
  if (SendAddressedCommand(session, data, length, address, extent, code) == 0 && trace != nullptr) {
    trace->writeFailed = true;
  }
  for (std::uint16_t read = 0; read < kWriteBlockReads; ++read) {
    const std::uint32_t result = Read(session);
    if (ReplyMatches(result, session.receiveArea.data(), code)) return 1;
    Note(trace, result, session.receiveArea.data(), code);
  }
  return 0;
}

int RunFirmware(UpdateSession& session, ExchangeTrace* trace) {
  ExchangeTrace local;
  ExchangeTrace& seen = trace != nullptr ? *trace : local;
  DrainStaleReplies(session, &seen);
  const bool goneBefore = seen.vanishedReads > 0;
  const bool written = SendAddressedCommand(session, nullptr, 0, 0, 0, kCommandRun) != 0;
  if (!written) seen.writeFailed = true;
  // The controller answers before it restarts; a reply that is only a few frames late
  // must not turn a finished update into a failed one.
  for (std::uint16_t read = 0; read < kWriteBlockReads; ++read) {
    const std::uint32_t result = Read(session);
    if (ReplyMatches(result, session.receiveArea.data(), kCommandRun)) return 1;
    Note(&seen, result, session.receiveArea.data(), kCommandRun);
    if (result == hid::kReadFailed || result == hid::kReadAbandoned) {
      seen.leftAfterCommand = written && !goneBefore;
      break;
    }
  }
  return 0;
}

int WriteFirmwareVersion(UpdateSession& session, ExchangeTrace* trace) {
  std::uint8_t word[4];
  Store32(word, session.state.firmwareVersion());
  return WriteBlock(session, word, kFirmwareVersionAddress, 4, 4, false, trace);
}

int WriteBleVersion(UpdateSession& session, ExchangeTrace* trace) {
  std::uint8_t word[2];
  Store16(word, static_cast<std::uint16_t>(session.state.bleVersion()));
  return WriteBlock(session, word, kBleVersionAddress, 2, 2, false, trace);
}

int WriteBleCheckWord(UpdateSession& session, ExchangeTrace* trace) {
  std::uint8_t word[2];
  Store16(word, BleCheckWord(session.state.bleCheckBlock()));
  return WriteBlock(session, word, kBleCheckWordAddress, 2, 2, false, trace);
}

}  // namespace vantor::addressed
