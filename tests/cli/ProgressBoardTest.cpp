#include "cli/ProgressBoard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/LocalizedText.h"
#include "cli/BoardRows.h"

namespace vantor::cli {
namespace {

ByteProgress Written(std::uint64_t sent) {
  ByteProgress progress;
  progress.stage = UpdateStage::kWritingMain;
  progress.sent = sent;
  progress.total = 100;
  return progress;
}

std::string ReadAll(std::FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

// A live row wider than the terminal takes more than one line: the redraw moves up
// over every line the board took (not one per row, which left copies of the board
// behind), and a result keeps its whole text.
TEST(ProgressBoard, LiveRowsWiderThanTheTerminalAreMovedOverWhole) {
  std::FILE* file = std::tmpfile();
  {
    ProgressBoard board(file, BoardMode::kLive, {"1-2 VTSIM0001", "1-3 VTSIM0002"});
    board.SetColumns([] { return 21; });
    board.SetDetail(0, "1.50 → 1.51");
    board.Update(0, Written(50));  // row 1: 3 lines (45 columns), row 2: 1
    board.Finish(1, "\x1b[31mfailed: the controller was unplugged\x1b[0m");  // row 2: 3 lines (52)
    board.Update(0, Written(60));
  }
  const std::string text = ReadAll(file);
  EXPECT_NE(text.find("\x1b[4A"), std::string::npos) << text;
  EXPECT_NE(text.find("\x1b[6A"), std::string::npos) << text;
  EXPECT_NE(text.find("[1-3 VTSIM0002] \x1b[31mfailed: the controller was unplugged\x1b[0m"), std::string::npos)
      << text;
}

// What the board wrote: one unit's bytes at every 5 %, then its result.
std::string BoardOutput(BoardMode mode) {
  std::FILE* file = std::tmpfile();
  {
    ProgressBoard board(file, mode, {"1-2"});
    for (std::uint64_t sent = 0; sent <= 100; sent += 5) board.Update(0, Written(sent));
    board.Finish(0, "updated");
  }
  return ReadAll(file);
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
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

// A watch's live board: each result printed once above the updates still running, and
// never drawn again, however many controllers come (a board of every unit ever seen
// would grow past the screen and redraw them all at each step).
TEST(ProgressBoard, AWatchBoardHoldsOnlyTheRunningUpdates) {
  SetUiLanguageOverride(kLanguageEnglishUs);
  std::FILE* file = std::tmpfile();
  {
    ProgressBoard board(file, BoardMode::kLive, {}, FinishedRows::kScrollAway);
    const std::size_t first = board.Add("1-1");
    const std::size_t second = board.Add("1-2");
    board.Update(first, Written(50));
    board.Update(second, Written(10));
    board.Finish(first, "updated");
    board.Update(second, Written(60));
    board.Finish(second, "failed");
  }
  const std::string screen = ReadAll(file);
  EXPECT_EQ(Count(screen, "[1-1] updated"), 1u) << screen;
  EXPECT_EQ(Count(screen, "[1-2] failed"), 1u) << screen;
  // The last draw, after the first result, had one row: one line up, not two.
  const std::size_t lastProgress = screen.rfind("[1-2] main image  60%");
  ASSERT_NE(lastProgress, std::string::npos) << screen;
  EXPECT_EQ(screen.compare(lastProgress - 8, 8, "\x1b[1A\r\x1b[J"), 0) << screen;
  EXPECT_EQ(screen.substr(screen.size() - 13), "[1-2] failed\n") << screen;
  SetUiLanguageOverride(std::nullopt);
}

// A unit's result is on its row the moment its update ends, in the user's words, with
// its versions; it read "waiting" until the slowest unit of the bench had finished,
// then "controller-refused in erasing-main".
TEST(ProgressBoard, AUnitsResultIsShownWhenItEnds) {
  SetUiLanguageOverride(kLanguageEnglishUs);
  std::FILE* file = std::tmpfile();
  {
    ProgressBoard board(file, BoardMode::kLog, {"9-1 VT01", "9-2 VT02"});
    BoardRows rows(board, false);
    board.SetDetail(1, "1.50 → 1.51");
    UpdateResult refused;
    refused.outcome = UpdateOutcome::kFailed;
    refused.reason = FailureReason::kControllerRefused;
    refused.stage = UpdateStage::kErasingMain;
    refused.code = 1;
    rows.OnUnitConcluded(1, refused);
    const std::string early = [&] {
      std::fflush(file);
      std::string text;
      std::rewind(file);
      for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
      return text;
    }();
    EXPECT_EQ(early.rfind("[9-2 VT02] 1.50 → 1.51  failed (erasing): the controller refused the update (code 1)", 0), 0u)
        << early;
    board.Finish(1, "a second result");  // the bench's own pass at the end
  }
  EXPECT_EQ(ReadAll(file).find("a second result"), std::string::npos);
  SetUiLanguageOverride(std::nullopt);
}

}  // namespace
}  // namespace vantor::cli
