#include "cli/ProgressBoard.h"

#include "base/Format.h"
#include "cli/Output.h"
#include "cli/ProgressMeter.h"
#include "session/ResultWords.h"

namespace vantor::cli {
namespace {

// The columns `line` takes on the screen: escape sequences (a result's colour) take none.
int VisibleWidth(const std::string& line) {
  std::string visible;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[') {
      i += 2;
      while (i < line.size() && (line[i] < 0x40 || line[i] > 0x7E)) ++i;
      continue;
    }
    visible += line[i];
  }
  return DisplayWidth(visible);
}

int Percent(const ByteProgress& progress) {
  if (progress.total == 0) return 0;
  return static_cast<int>(progress.sent * 100 / progress.total);
}

}  // namespace

BoardMode ChooseBoardMode(bool quiet, bool terminal, bool dumbTerminal) {
  if (quiet) return BoardMode::kResultsOnly;
  return terminal && !dumbTerminal ? BoardMode::kLive : BoardMode::kLog;
}

ProgressBoard::ProgressBoard(std::FILE* out, BoardMode mode, std::vector<std::string> names, FinishedRows finished)
    : out_(out), mode_(mode), terminal_(mode == BoardMode::kLive), finishedRows_(finished) {
  for (std::string& name : names) {
    rows_.emplace_back();
    rows_.back().name = std::move(name);
  }
}

std::size_t ProgressBoard::Add(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  rows_.emplace_back();
  rows_.back().name = name;
  return rows_.size() - 1;
}

void ProgressBoard::Update(std::size_t index, const ByteProgress& progress) {
  std::lock_guard<std::mutex> lock(mutex_);
  Row& row = rows_.at(index);
  if (row.finished || mode_ == BoardMode::kResultsOnly) return;
  const int percent = Percent(progress);
  const int step = percent / 10;
  if (step == row.lastStep && progress.stage == row.lastStage && !terminal_) return;
  const bool changed = step != row.lastStep || progress.stage != row.lastStage;
  row.lastStep = step;
  row.lastStage = progress.stage;
  row.text = Format("%s %3d%%", StageLabel(progress.stage).c_str(), percent);
  if (terminal_) {
    if (changed) Redraw();
    return;
  }
  WriteText(out_, Line(row) + "\n");
}

void ProgressBoard::SetDetail(std::size_t index, const std::string& detail) {
  std::lock_guard<std::mutex> lock(mutex_);
  rows_.at(index).detail = detail;
}

void ProgressBoard::Finish(std::size_t index, const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  Row& row = rows_.at(index);
  if (row.finished) return;
  row.finished = true;
  row.text = line;
  if (terminal_ && finishedRows_ == FinishedRows::kScrollAway) {
    row.scrolledAway = true;
    PrintAbove(Line(row));
    return;
  }
  if (terminal_) {
    Redraw();
    return;
  }
  WriteText(out_, Line(row) + "\n");
}

std::string ProgressBoard::Line(const Row& row) const {
  std::string line = "[" + row.name + "]";
  if (!row.detail.empty()) line += " " + row.detail + " ";
  return line + " " + row.text;
}

void ProgressBoard::SetColumns(std::function<int()> columns) {
  std::lock_guard<std::mutex> lock(mutex_);
  columns_ = std::move(columns);
}

void ProgressBoard::Say(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  PrintAbove(line);
}

void ProgressBoard::PrintAbove(const std::string& line) {
  std::string text;
  if (terminal_ && linesOnScreen_ > 0) {
    // Up over the board, the line, then the board again below it.
    text = Format("\x1b[%zuA\r\x1b[J", linesOnScreen_);
    linesOnScreen_ = 0;
  }
  WriteText(out_, text + line + "\n");
  if (terminal_) Redraw();
}

// In one write, so the board never shows half drawn.
void ProgressBoard::Redraw() {
  // Up to the board's first line and everything below it cleared: a row the terminal
  // wrapped took more than one line, and a shorter row would leave its tail behind.
  std::string text = linesOnScreen_ > 0 ? Format("\x1b[%zuA\r\x1b[J", linesOnScreen_) : std::string();
  const int columns = columns_ ? columns_() : 0;
  std::size_t drawn = 0;
  for (const Row& row : rows_) {
    if (row.scrolledAway) continue;
    const std::string line = Line(row);
    text += line + "\n";
    // A result keeps its whole reason and next step, on as many lines as it needs.
    const int width = VisibleWidth(line);
    drawn += columns > 0 && width > columns ? static_cast<std::size_t>((width + columns - 1) / columns) : 1;
  }
  WriteText(out_, text);
  linesOnScreen_ = drawn;
}

}  // namespace vantor::cli
