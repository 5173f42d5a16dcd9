#include "addressed/ChunkWriter.h"

#include <algorithm>
#include <cstring>

#include "base/DebugOutput.h"

namespace vantor::addressed {
namespace {

constexpr std::uint8_t kErasedByte = 0xFF;

}  // namespace

bool ChunkWriter::Write(const std::uint8_t* data, std::uint32_t address, std::uint32_t n, std::uint32_t extent) {
  Chunk chunk;
  chunk.n = std::min(n, kMaxCommandData);
  std::memcpy(chunk.bytes.data(), data, chunk.n);
  chunk.address = address;
  chunk.extent = extent;
  if (!Place(chunk)) return false;
  previous_ = chunk;
  return true;
}

bool ChunkWriter::Place(const Chunk& chunk) {
  ExchangeTrace last;
  for (std::uint16_t attempt = 0; attempt < policy_.attempts; ++attempt) {
    if (attempt > 0 && policy_.retryPauseMs > 0) session_.clock.Pause(policy_.retryPauseMs);
    ExchangeTrace trace;
    const bool acknowledged =
        WriteBlock(session_, chunk.bytes.data(), chunk.address, chunk.n, chunk.extent, true, &trace) == 1;
    last = trace;
    if (!Settle(trace)) return false;
    if (!acknowledged) {
      ++outstanding_;
      continue;
    }
    if (outstanding_ == 0 && attempt == 0) return true;
    // The acknowledgement may have been an earlier command's late reply.
    switch (ReadBack(chunk)) {
      case Flash::kHolds:
        return true;
      case Flash::kErased:
        DebugLinef("chunk at 0x%x acknowledged but not written; sent again\n", chunk.address);
        outstanding_ = outstanding_ > 0 ? outstanding_ - 1 : 0;  // that reply was a late one
        continue;
      case Flash::kDiffers:
        return Fail(FailureReason::kReadBackMismatch);
      case Flash::kUnreadable:
        return Fail(FailureReason::kNoAnswer);
    }
  }
  return Fail(last.Reason(), last.refusal.value_or(0));
}

bool ChunkWriter::Settle(const ExchangeTrace& trace) {
  if (trace.staleAcks == 0) return true;
  outstanding_ = trace.staleAcks >= outstanding_ ? 0 : outstanding_ - trace.staleAcks;
  // A reply nobody waited for: the chunk before may have been acknowledged by it.
  if (!previous_) return true;
  const Chunk previous = *previous_;
  previous_.reset();
  switch (ReadBack(previous)) {
    case Flash::kHolds:
      return true;
    case Flash::kErased:
      DebugLinef("chunk at 0x%x acknowledged but not written; sent again\n", previous.address);
      return Place(previous);
    case Flash::kDiffers:
      return Fail(FailureReason::kReadBackMismatch);
    case Flash::kUnreadable:
      return Fail(FailureReason::kNoAnswer);
  }
  return true;
}

ChunkWriter::Flash ChunkWriter::ReadBack(const Chunk& chunk) {
  std::array<std::uint8_t, kMaxCommandData> flash{};
  ExchangeTrace trace;
  DrainStaleReplies(session_, &trace);
  const bool read = ReadBackMemory(session_, flash.data(), chunk.n, chunk.address, &trace) == 1;
  outstanding_ = trace.staleAcks >= outstanding_ ? 0 : outstanding_ - trace.staleAcks;
  if (!read) return Flash::kUnreadable;
  if (std::equal(chunk.bytes.begin(), chunk.bytes.begin() + chunk.n, flash.begin())) return Flash::kHolds;
  const bool erased =
      std::all_of(flash.begin(), flash.begin() + chunk.n, [](std::uint8_t byte) { return byte == kErasedByte; });
  return erased ? Flash::kErased : Flash::kDiffers;
}

bool ChunkWriter::Fail(FailureReason reason, std::uint32_t code) {
  failure_ = reason;
  failureCode_ = code;
  return false;
}

}  // namespace vantor::addressed
