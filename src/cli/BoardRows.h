#pragma once
// The units' bytes on the progress board: unit n is the board's row n.

#include "cli/ProgressBoard.h"
#include "workflow/Watch.h"

namespace vantor::cli {

class BoardRows : public workflow::WatchListener {
 public:
  explicit BoardRows(ProgressBoard& board) : board_(board) {}
  void OnUnitBytes(std::size_t unit, const ByteProgress& progress) override { board_.Update(unit, progress); }

 protected:
  ProgressBoard& board_;
};

}  // namespace vantor::cli
