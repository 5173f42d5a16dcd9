#include "cli/TerminalView.h"

#include <algorithm>
#include <cctype>

#include "base/LocalizedText.h"
#include "cli/CliTexts.h"

namespace vantor::cli {

std::string TrimMessage(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result += text[i];
  }
  const auto blank = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
  const auto first = std::find_if_not(result.begin(), result.end(), blank);
  const auto last = std::find_if_not(result.rbegin(), result.rend(), blank).base();
  return first < last ? std::string(first, last) : std::string();
}

bool IsYes(const std::string& answer) {
  std::string word = TrimMessage(answer);
  std::transform(word.begin(), word.end(), word.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return word == "y" || word == "yes" || word == "是";
}

TerminalView::TerminalView(TerminalViewOptions options) : options_(std::move(options)) {}

void TerminalView::SetTitle(const std::string& title) {
  std::lock_guard<std::mutex> lock(mutex_);
  titles_.push_back(title);
}

void TerminalView::EnableUpdateButton(bool /*enabled*/) {}

void TerminalView::ShowSuccessText(bool shown) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (shown) successTextShown_ = true;
}

void TerminalView::SetProgressPos(std::uint32_t position) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (meter_.OnPercent(position, options_.clock ? options_.clock->NowMs() : 0)) Draw();
}

void TerminalView::ReportBytes(const ByteProgress& progress) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (meter_.OnBytes(progress.sent, progress.total, options_.clock ? options_.clock->NowMs() : 0)) Draw();
}

int TerminalView::ShowMessage(const std::string& text, const std::string& /*caption*/, MessageButtons buttons) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::string shown = TrimMessage(text);
  messages_.push_back(shown);
  Print(shown);
  if (buttons == MessageButtons::kOk) return kIdOk;

  const int yes = buttons == MessageButtons::kYesNo ? kIdYes : kIdOk;
  const int no = buttons == MessageButtons::kYesNo ? kIdNo : kIdCancel;
  question_ = shown;
  const std::string prompt = LocalizedText(text::kContinuePrompt);
  if (options_.assumeYes) {
    Print(prompt + "y");
    return yes;
  }
  std::fputs(prompt.c_str(), options_.out);
  std::fflush(options_.out);
  // The answer may take the user a while; nothing else draws meanwhile.
  const std::optional<bool> answer = options_.readAnswer ? options_.readAnswer() : std::nullopt;
  if (!answer) std::fputc('\n', options_.out);
  std::fflush(options_.out);
  if (answer.value_or(false)) return yes;
  declined_ = true;
  return no;
}

std::optional<std::string> TerminalView::ChoosePackageFile(const std::string& /*filter*/,
                                                           const std::string& /*initialFolder*/) {
  return options_.packagePath;
}

void TerminalView::Say(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  Print(line);
}

void TerminalView::Draw() {
  if (options_.terminal) {
    // A redraw per chunk would be thousands of lines to the terminal; ten a second
    // read the same, and the last one (100 %) is always drawn.
    const std::uint64_t now = options_.clock ? options_.clock->NowMs() : 0;
    const bool finished = meter_.percent() >= 100;
    if (barOnScreen_ && !finished && now < lastDrawMs_ + kRedrawIntervalMs) return;
    lastDrawMs_ = now;
    const std::string line = "\r" + meter_.BarLine() + "\x1b[K";
    std::fputs(line.c_str(), options_.out);
    std::fflush(options_.out);
    barOnScreen_ = true;
    return;
  }
  if (const std::optional<std::string> line = meter_.TakePlainLine()) Print(*line);
}

void TerminalView::EndBar() {
  if (!barOnScreen_) return;
  std::fputc('\n', options_.out);
  barOnScreen_ = false;
}

void TerminalView::Print(const std::string& line) {
  EndBar();
  std::fputs(line.c_str(), options_.out);
  std::fputc('\n', options_.out);
  std::fflush(options_.out);
}

std::vector<std::string> TerminalView::messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

bool TerminalView::MessageShown(const std::string& text) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string wanted = TrimMessage(text);
  return std::find(messages_.begin(), messages_.end(), wanted) != messages_.end();
}

std::vector<std::string> TerminalView::titles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return titles_;
}

std::optional<std::string> TerminalView::question() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return question_;
}

bool TerminalView::declined() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return declined_;
}

bool TerminalView::successTextShown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return successTextShown_;
}

std::optional<std::uint64_t> TerminalView::bytesSent() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return meter_.sent();
}

std::optional<std::uint64_t> TerminalView::bytesTotal() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return meter_.total();
}

}  // namespace vantor::cli
