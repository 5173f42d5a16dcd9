#pragma once
// How fast an update moves and how long it has left, for every front end to word in
// its own way. The rate is the bytes over the time of the stages that move them: an
// erase, the stamps and the restart move none, and counting their time would make the
// rate fall and the time left grow at every erase. The elapsed time runs from the
// first stage of the transfer (an erase comes before the first byte), not from the
// first byte.
//
// Not thread-safe; the front end's view serialises calls.

#include <cstdint>
#include <optional>

#include "session/UpdateResult.h"

namespace vantor::workflow {

// An erase, the stamps or the restart: stages during which no bytes move.
bool MovesNoBytes(UpdateStage stage);

class TransferPace {
 public:
  // A stage begins. The first stage from the erase on starts the elapsed time.
  void OnStage(UpdateStage stage, std::uint64_t nowMs);
  // The transfer's bytes so far (of all its images). A transfer told only its bytes
  // (no stage) starts its elapsed time at the first report.
  void OnBytes(std::uint64_t sent, std::uint64_t total, std::uint64_t nowMs);
  // The transfer shows it has begun some other way (the dialog's percentage): the
  // elapsed time starts now unless a stage or bytes started it.
  void Begin(std::uint64_t nowMs) {
    if (!startMs_) startMs_ = nowMs;
  }

  // The transfer has begun: its first stage or its first bytes came.
  bool began() const { return startMs_.has_value(); }
  std::optional<std::uint64_t> ElapsedMs(std::uint64_t nowMs) const;
  // Bytes a second while bytes move, once a quarter second of moving them was seen
  // (before that one slow first reply makes the figure jump); nothing otherwise.
  std::optional<double> BytesPerSecond() const;
  // The rest of the bytes at that rate; nothing when there is no rate.
  std::optional<std::uint64_t> MsLeft() const;

 private:
  UpdateStage stage_ = UpdateStage::kIdle;
  std::optional<std::uint64_t> startMs_;
  std::optional<std::uint64_t> sent_;
  std::uint64_t total_ = 0;
  // The time of the last byte report in this stage: a stage's first report only marks
  // where its measuring starts.
  std::optional<std::uint64_t> lastBytesAtMs_;
  std::uint64_t measuredBytes_ = 0;
  std::uint64_t measuredMs_ = 0;
};

}  // namespace vantor::workflow
