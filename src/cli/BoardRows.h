#pragma once
// The units' progress on the board, and each one's result the moment its update ends
// (not when the last one has): unit n is the board's row n.

#include "cli/ProgressBoard.h"
#include "cli/UnitWords.h"
#include "workflow/Watch.h"

namespace vantor::cli {

class BoardRows : public workflow::WatchListener {
 public:
  explicit BoardRows(ProgressBoard& board) : board_(board) {}
  void OnUnitBytes(std::size_t unit, const ByteProgress& progress) override { board_.Update(unit, progress); }
  void OnUnitConcluded(std::size_t unit, const UpdateResult& result) override {
    board_.Finish(unit, UnitResultLine(result));
  }

 protected:
  ProgressBoard& board_;
};

}  // namespace vantor::cli
