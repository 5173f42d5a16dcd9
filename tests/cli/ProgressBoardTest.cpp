#include "cli/ProgressBoard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace vantor::cli {
namespace {

// What the board wrote: one unit's bytes at every 5 %, then its result.
std::string BoardOutput(BoardMode mode) {
  std::FILE* file = std::tmpfile();
  {
    ProgressBoard board(file, mode, {"1-2"});
    for (std::uint64_t sent = 0; sent <= 100; sent += 5) {
      ByteProgress progress;
      progress.stage = UpdateStage::kWritingMain;
      progress.sent = sent;
      progress.total = 100;
      board.Update(0, progress);
    }
    board.Finish(0, "updated");
  }
  std::string text;
  std::rewind(file);
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

// -q and a watch promise one result line per controller; a dumb terminal gets no cursor escapes.
TEST(ProgressBoard, QuietAndDumbTerminalsGetWhatTheyPromise) {
  EXPECT_EQ(BoardOutput(BoardMode::kResultsOnly), "[1-2] updated\n");
  const std::string log = BoardOutput(BoardMode::kLog);
  EXPECT_EQ(log.find('\x1b'), std::string::npos);
  EXPECT_GT(log.size(), std::string("[1-2] updated\n").size());

  EXPECT_EQ(ChooseBoardMode(true, true, false), BoardMode::kResultsOnly);
  EXPECT_EQ(ChooseBoardMode(false, true, true), BoardMode::kLog);
  EXPECT_EQ(ChooseBoardMode(false, false, false), BoardMode::kLog);
  EXPECT_EQ(ChooseBoardMode(false, true, false), BoardMode::kLive);
}

}  // namespace
}  // namespace vantor::cli
