#pragma once
// The units' progress on the board, and each one's result the moment its update ends
// (not when the last one has): unit n is the board's row n.

#include "cli/Colour.h"
#include "cli/ProgressBoard.h"
#include "cli/UnitWords.h"
#include "workflow/Watch.h"

namespace vantor::cli {

class BoardRows : public workflow::WatchListener {
 public:
  // `colour`: results in green or red (Colour.h).
  BoardRows(ProgressBoard& board, bool colour) : board_(board), colour_(colour) {}
  void OnUnitBytes(std::size_t unit, const ByteProgress& progress) override { board_.Update(unit, progress); }
  void OnUnitConcluded(std::size_t unit, const UpdateResult& result) override {
    board_.Finish(unit, Paint(UnitResultLine(result), result.outcome == UpdateOutcome::kSucceeded, colour_));
  }

 protected:
  ProgressBoard& board_;
  bool colour_;
};

}  // namespace vantor::cli
