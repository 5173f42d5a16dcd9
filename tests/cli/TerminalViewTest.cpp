#include "cli/TerminalView.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "base/LocalizedText.h"

namespace vantor::cli {
namespace {

// A view writing to a temporary file, whose text the test reads back.
class ViewOnFile {
 public:
  explicit ViewOnFile(TerminalViewOptions options) : file_(std::tmpfile()) {
    options.out = file_;
    options.prompt = file_;
    view_ = std::make_unique<TerminalView>(std::move(options));
  }
  ~ViewOnFile() { std::fclose(file_); }
  TerminalView& view() { return *view_; }
  std::string Text() {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    char buffer[512];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, got);
    return text;
  }

 private:
  std::FILE* file_;
  std::unique_ptr<TerminalView> view_;
};

TEST(TerminalView, ConfirmationAnswers) {
  SetUiLanguageOverride(kLanguageEnglishUs);
  int asked = 0;
  std::optional<bool> answer;
  TerminalViewOptions options;
  options.readAnswer = [&] {
    ++asked;
    return answer;
  };

  ViewOnFile yes([&] {
    TerminalViewOptions o = options;
    o.assumeYes = true;
    return o;
  }());
  EXPECT_EQ(yes.view().ShowMessage("New firmware 1.5\n", "t", MessageButtons::kOkCancel), kIdOk);
  EXPECT_EQ(asked, 0) << "--yes never waits for the user";
  EXPECT_FALSE(yes.view().declined());
  EXPECT_EQ(yes.Text(), "New firmware 1.5\n") << "the offer, and no question";

  ViewOnFile asking(options);
  answer = true;
  EXPECT_EQ(asking.view().ShowMessage("q", "t", MessageButtons::kYesNo), kIdYes);
  answer = false;
  EXPECT_EQ(asking.view().ShowMessage("q", "t", MessageButtons::kOkCancel), kIdCancel);
  EXPECT_TRUE(asking.view().declined());
  answer = std::nullopt;  // end of input or Ctrl-C: never a yes
  EXPECT_EQ(asking.view().ShowMessage("q", "t", MessageButtons::kYesNo), kIdNo);
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(asking.view().question(), "q");
  SetUiLanguageOverride(std::nullopt);
}

// The dialog's boxes are kept for the JSON document; the command line says its own
// verdict from the update's result.
TEST(TerminalView, MessageBoxesAreRecordedTrimmedNotPrinted) {
  ViewOnFile file({});
  EXPECT_EQ(file.view().ShowMessage("\n Firmware upgraded! \n", "", MessageButtons::kOk), kIdOk);
  file.view().ShowMessage("1. Hold LB+RB.\r\n\r\n2. Click.", "", MessageButtons::kOk);
  EXPECT_EQ(file.Text(), "");
  EXPECT_EQ(file.view().messages(), (std::vector<std::string>{"Firmware upgraded!", "1. Hold LB+RB.\n\n2. Click."}));
}

// In a log the bar becomes a line per tenth; messages end a bar drawn in place.
TEST(TerminalView, ProgressOnALogAndOnATerminal) {
  ViewOnFile log({});
  for (std::uint32_t percent : {0u, 5u, 12u, 100u, 0u}) log.view().SetProgressPos(percent);
  EXPECT_EQ(log.Text(), "progress   5%\nprogress  12%\nprogress 100%\n");

  TerminalViewOptions onTerminal;
  onTerminal.terminal = true;
  ViewOnFile terminal(onTerminal);
  terminal.view().SetProgressPos(0);  // the click: no bar before the transfer
  terminal.view().SetProgressPos(50);
  terminal.view().Say("Firmware upgraded!");
  terminal.view().SetProgressPos(0);  // the reset after success: no bar after the verdict
  const std::string text = terminal.Text();
  EXPECT_EQ(text.rfind("\r[", 0), 0u) << text;
  // Padded to the width instead of an erase sequence, which dumb terminals print.
  EXPECT_EQ(text.find("\x1b"), std::string::npos) << text;
  const std::string bar = text.substr(1, text.find('\n') - 1);
  EXPECT_EQ(bar.size(), 79u) << bar;
  EXPECT_EQ(text.substr(text.find('\n')), "\nFirmware upgraded!\n");
}

// The line from the erase to the end: it shows each stage the moment it begins (an
// erase sends no bytes that would redraw it), its elapsed time counts from the first
// stage, not the first byte, and a stage that moves no bytes promises no time left.
// It froze at every stage change and came back only with the next bytes.
TEST(TerminalView, TheLineFollowsEveryStageWithTheTimeMoving) {
  SetUiLanguageOverride(kLanguageEnglishUs);
  VirtualClock clock;
  TerminalViewOptions options;
  options.terminal = true;
  options.clock = &clock;
  options.onStage = [](UpdateStage) {};
  ViewOnFile screen(options);
  TerminalView& view = screen.view();
  const auto lastLine = [&screen] {
    const std::string text = screen.Text();
    return text.substr(text.rfind('\r') + 1);
  };
  const auto bytes = [](UpdateStage stage, std::uint64_t sent) {
    ByteProgress progress;
    progress.stage = stage;
    progress.stageSent = progress.sent = sent;
    progress.stageTotal = 1000;
    progress.total = 2000;
    return progress;
  };

  view.OnStage(UpdateStage::kErasingMain);
  EXPECT_NE(lastLine().find("erasing"), std::string::npos) << lastLine();
  clock.Pause(3000);
  view.Tick();
  EXPECT_NE(lastLine().find("[0:03]"), std::string::npos) << lastLine();

  view.OnStage(UpdateStage::kWritingMain);
  view.ReportBytes(bytes(UpdateStage::kWritingMain, 0));
  clock.Pause(1000);
  view.ReportBytes(bytes(UpdateStage::kWritingMain, 1000));
  EXPECT_NE(lastLine().find("[0:04]"), std::string::npos) << lastLine();

  view.OnStage(UpdateStage::kErasingRadio);
  const std::string erasing = lastLine();
  EXPECT_NE(erasing.find("erasing"), std::string::npos) << erasing;
  EXPECT_EQ(erasing.find("left"), std::string::npos) << erasing;
  // A line of the program's own ends the bar, and the bar comes back below it.
  view.Say("a note");
  clock.Pause(2000);
  view.Tick();
  EXPECT_NE(lastLine().find("[0:06]"), std::string::npos) << lastLine();

  view.OnConcluded(UpdateResult{});
  const std::string ended = screen.Text();
  clock.Pause(2000);
  view.Tick();
  EXPECT_EQ(screen.Text(), ended) << "nothing is drawn after the result";
  SetUiLanguageOverride(std::nullopt);
}

TEST(TerminalView, WhatCountsAsYes) {
  for (const char* yes : {"y", "Y", "yes", " YES \n", "是"}) EXPECT_TRUE(IsYes(yes)) << yes;
  for (const char* no : {"", "n", "no", "yess", "ok"}) EXPECT_FALSE(IsYes(no)) << no;
}

}  // namespace
}  // namespace vantor::cli
