#pragma once
// Progress of several updates at once. On a terminal one line per controller, redrawn
// in place; in a log, a line prefixed with the controller's name each time its stage
// changes or it passes another 10 %; quiet, only each controller's result line. Called
// from every update's worker; one lock.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "session/UpdateResult.h"

namespace vantor::cli {

enum class BoardMode {
  kLive,         // a terminal that understands cursor movement: rows redrawn in place
  kLog,          // a pipe, a file or a dumb terminal: a line per stage and 10 %
  kResultsOnly,  // -q, or a watch's log: one result line per controller
};

// What a live board does with a finished row. A bench's fixed set of controllers keeps
// every row in its place; a watch, whose controllers never stop coming, prints each
// result once above the rows still running, so the board is only as tall as the
// updates in progress.
enum class FinishedRows { kStay, kScrollAway };

// Quiet wins; cursor escapes only where the stream is a terminal that is not dumb.
BoardMode ChooseBoardMode(bool quiet, bool terminal, bool dumbTerminal);

class ProgressBoard {
 public:
  // `names`: one per controller, in the order their lines appear.
  ProgressBoard(std::FILE* out, BoardMode mode, std::vector<std::string> names,
                FinishedRows finished = FinishedRows::kStay);

  // Adds a controller (watch: one that arrived later); returns its index.
  std::size_t Add(const std::string& name);
  void Update(std::size_t index, const ByteProgress& progress);
  // What stays on a controller's line from its probe on ("1.50 → 1.51").
  void SetDetail(std::size_t index, const std::string& detail);
  // A finished controller's result line, printed once (on a terminal in its line); a
  // second result for the same controller is ignored.
  void Finish(std::size_t index, const std::string& line);
  // A line of its own (a notice); on a terminal the board is redrawn below it.
  void Say(const std::string& line);
  // The terminal's width, asked at each redraw: a row wider than it takes more than one
  // line, and the redraw must move up over all of them.
  void SetColumns(std::function<int()> columns);

 private:
  struct Row {
    std::string name;
    std::string text;
    std::string detail;
    int lastStep = -1;
    UpdateStage lastStage = UpdateStage::kIdle;
    bool finished = false;
    bool scrolledAway = false;  // printed above the board, no longer drawn in it
  };
  std::string Line(const Row& row) const;
  // With mutex_ held: the board erased, `line` printed, the board drawn below it.
  void PrintAbove(const std::string& line);
  void Redraw();  // with mutex_ held

  std::FILE* out_;
  BoardMode mode_;
  bool terminal_;  // mode_ == kLive
  FinishedRows finishedRows_;
  std::mutex mutex_;
  std::vector<Row> rows_;
  std::size_t linesOnScreen_ = 0;
  std::function<int()> columns_;
};

}  // namespace vantor::cli
