#include "cli/ProgressBoard.h"

#include <algorithm>

#include "base/Format.h"
#include "cli/Output.h"
#include "cli/ProgressMeter.h"
#include "session/ResultWords.h"

namespace vantor::cli {
namespace {

// `line` cut to `columns` visible columns. Escape sequences (a result's colour) take no
// column and are kept whole; a cut line ends with a reset, so no colour runs on.
std::string CutVisible(const std::string& line, int columns) {
  std::string kept;
  int used = 0;
  bool escapes = false;
  for (std::size_t i = 0; i < line.size();) {
    if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[') {
      std::size_t end = i + 2;
      while (end < line.size() && (line[end] < 0x40 || line[end] > 0x7E)) ++end;
      end = std::min(end + 1, line.size());
      kept += line.substr(i, end - i);
      escapes = true;
      i = end;
      continue;
    }
    std::size_t next = i + 1;
    while (next < line.size() && (static_cast<unsigned char>(line[next]) & 0xC0) == 0x80) ++next;
    const std::string character = line.substr(i, next - i);
    used += DisplayWidth(character);
    if (used > columns) return escapes ? kept + "\x1b[0m" : kept;
    kept += character;
    i = next;
  }
  return kept;
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
  std::string text = linesOnScreen_ > 0 ? Format("\x1b[%zuA", linesOnScreen_) : std::string();
  // One column spare: some terminals wrap a line that fills the last one.
  const int columns = columns_ ? columns_() - 1 : 0;
  std::size_t drawn = 0;
  for (const Row& row : rows_) {
    if (row.scrolledAway) continue;
    text += "\r\x1b[K" + (columns > 0 ? CutVisible(Line(row), columns) : Line(row)) + "\n";
    ++drawn;
  }
  // Lines a taller board left below the new one.
  if (drawn < linesOnScreen_) text += "\x1b[J";
  WriteText(out_, text);
  linesOnScreen_ = drawn;
}

}  // namespace vantor::cli
