#include "cli/ProgressBoard.h"

#include "base/Format.h"

namespace vantor::cli {
namespace {

int Percent(const ByteProgress& progress) {
  if (progress.total == 0) return 0;
  return static_cast<int>(progress.sent * 100 / progress.total);
}

}  // namespace

ProgressBoard::ProgressBoard(std::FILE* out, bool terminal, std::vector<std::string> names)
    : out_(out), terminal_(terminal) {
  for (std::string& name : names) rows_.push_back({std::move(name), "waiting"});
}

std::size_t ProgressBoard::Add(const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  rows_.push_back({name, "starting"});
  return rows_.size() - 1;
}

void ProgressBoard::Update(std::size_t index, const ByteProgress& progress) {
  std::lock_guard<std::mutex> lock(mutex_);
  Row& row = rows_.at(index);
  if (row.finished) return;
  const int percent = Percent(progress);
  const int step = percent / 10;
  if (step == row.lastStep && progress.stage == row.lastStage && !terminal_) return;
  const bool changed = step != row.lastStep || progress.stage != row.lastStage;
  row.lastStep = step;
  row.lastStage = progress.stage;
  row.text = Format("%-13s %3d%%", StageName(progress.stage), percent);
  if (terminal_) {
    if (changed) Redraw();
    return;
  }
  std::fprintf(out_, "[%s] %s\n", row.name.c_str(), row.text.c_str());
  std::fflush(out_);
}

void ProgressBoard::Finish(std::size_t index, const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  Row& row = rows_.at(index);
  row.finished = true;
  row.text = line;
  if (terminal_) {
    Redraw();
    return;
  }
  std::fprintf(out_, "[%s] %s\n", row.name.c_str(), line.c_str());
  std::fflush(out_);
}

void ProgressBoard::Say(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (terminal_ && linesOnScreen_ > 0) {
    // Up over the board, the line, then the board again below it.
    std::fprintf(out_, "\x1b[%zuA\r\x1b[J", linesOnScreen_);
    linesOnScreen_ = 0;
  }
  std::fprintf(out_, "%s\n", line.c_str());
  if (terminal_) Redraw();
  std::fflush(out_);
}

void ProgressBoard::Redraw() {
  if (linesOnScreen_ > 0) std::fprintf(out_, "\x1b[%zuA", linesOnScreen_);
  for (const Row& row : rows_) std::fprintf(out_, "\r\x1b[K[%s] %s\n", row.name.c_str(), row.text.c_str());
  linesOnScreen_ = rows_.size();
  std::fflush(out_);
}

}  // namespace vantor::cli
