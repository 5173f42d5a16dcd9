#pragma once
// Writes one stage's image chunks (command 3) with acknowledgement.
//
// Replies carry no sequence number, so an acknowledgement is only as good as the
// certainty that no earlier reply is still on its way. Input that arrived before a
// command is drained (WriteBlock). Once a chunk has gone unanswered its reply may
// still come and be taken for a later chunk's; from then on, until the drains have
// accounted for every such reply, each acknowledged chunk is read back from the
// controller's flash before the stream goes on (a chunk found erased is sent again, one
// found different fails the stage). A surplus acknowledgement found by a drain puts
// the chunk before it in doubt too.

#include <array>
#include <cstdint>
#include <optional>

#include "addressed/AddressedCommands.h"

namespace vantor::addressed {

class ChunkWriter {
 public:
  struct Policy {
    std::uint16_t attempts = 10;     // sends of one chunk before the stage fails
    std::uint32_t retryPauseMs = 0;  // pause before each send after the first
  };

  ChunkWriter(UpdateSession& session, Policy policy) : session_(session), policy_(policy) {}

  // True once the `n` bytes at `data` are in the controller's flash at `address`.
  // False: the stage has failed; failure() says why.
  bool Write(const std::uint8_t* data, std::uint32_t address, std::uint32_t n, std::uint32_t extent);
  FailureReason failure() const { return failure_; }
  std::uint32_t failureCode() const { return failureCode_; }

 private:
  enum class Flash { kHolds, kErased, kDiffers, kUnreadable };
  struct Chunk {
    std::array<std::uint8_t, kMaxCommandData> bytes{};
    std::uint32_t address = 0;
    std::uint32_t n = 0;
    std::uint32_t extent = 0;
  };

  // Sends `chunk` until it is acknowledged and, in doubt, found in the flash.
  bool Place(const Chunk& chunk);
  Flash ReadBack(const Chunk& chunk);
  // Accounts for acknowledgements that came unawaited; false when they put an earlier
  // chunk in doubt and it is not in the flash.
  bool Settle(const ExchangeTrace& trace);
  bool Fail(FailureReason reason, std::uint32_t code = 0);

  UpdateSession& session_;
  Policy policy_;
  std::uint32_t outstanding_ = 0;  // sends whose reply never came (yet)
  std::optional<Chunk> previous_;
  FailureReason failure_ = FailureReason::kNone;
  std::uint32_t failureCode_ = 0;
};

}  // namespace vantor::addressed
