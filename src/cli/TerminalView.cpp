#include "cli/TerminalView.h"

#include <algorithm>
#include <cctype>

#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/OfferLines.h"
#include "cli/Output.h"

namespace vantor::cli {

bool IsYes(const std::string& answer) {
  std::string word = TrimMessage(answer);
  std::transform(word.begin(), word.end(), word.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return word == "y" || word == "yes" || word == "是";
}

TerminalView::TerminalView(TerminalViewOptions options) : options_(std::move(options)) {}

std::uint64_t TerminalView::Now() const { return options_.clock ? options_.clock->NowMs() : 0; }

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
  if (meter_.OnPercent(position, Now())) Draw(false);
}

void TerminalView::OnStage(UpdateStage stage) {
  std::function<void(UpdateStage)> trace;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    meter_.OnStage(stage, Now());
    waitingSaid_ = false;
    trace = options_.onStage;
    if (trace && options_.traceOnScreen) EndBar();
  }
  if (trace) trace(stage);
  // The new stage at once (an erase sends no bytes to redraw the line by), below the
  // trace's line when there is one.
  std::lock_guard<std::mutex> lock(mutex_);
  if (options_.terminal && meter_.running() && !concluded_) Draw(true);
}

void TerminalView::ReportBytes(const ByteProgress& progress) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::uint64_t& most = stageBytes_[StageName(progress.stage)];
  most = std::max(most, progress.stageSent);
  waitingSaid_ = false;
  if (meter_.OnBytes(progress, Now())) Draw(false);
}

void TerminalView::OnConcluded(const UpdateResult& /*result*/) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (barOnScreen_) Draw(true);
  EndBar();
  concluded_ = true;
}

void TerminalView::Tick() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (options_.quiet || !meter_.running() || concluded_) return;
  const std::uint64_t now = Now();
  if (options_.terminal) {
    // Also after a line of the program's own ended the bar: it comes back below it.
    if (!barOnScreen_ || now >= lastDrawMs_ + kRedrawIntervalMs) Draw(true);
    return;
  }
  if (!meter_.started()) return;
  // A log gets one line per silence.
  if (meter_.Silent(now) && !waitingSaid_) {
    waitingSaid_ = true;
    Print(options_.out, LocalizedText(text::kWaiting) + "...");
  }
}

int TerminalView::ShowMessage(const std::string& text, const std::string& /*caption*/, MessageButtons buttons) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::string shown = TrimMessage(text);
  messages_.push_back(shown);
  // The dialog's boxes: the command line reports the result itself.
  if (buttons == MessageButtons::kOk) return kIdOk;
  const bool yesNo = buttons == MessageButtons::kYesNo;
  return Ask(shown, {shown}) ? (yesNo ? kIdYes : kIdOk) : (yesNo ? kIdNo : kIdCancel);
}

int TerminalView::ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::string shown = TrimMessage(seedQuestion);
  messages_.push_back(shown);
  if (options_.dryRun) {
    stoppedForDryRun_ = true;
    return kIdCancel;
  }
  return Ask(shown, OfferLines(offer)) ? kIdOk : kIdCancel;
}

void TerminalView::ShowVerifyOffer(const PackageOffer& offer) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (options_.quiet) return;
  for (const std::string& line : VerifyOfferLines(offer)) Print(options_.out, line);
}

bool TerminalView::Ask(const std::string& question, const std::vector<std::string>& lines) {
  question_ = question;
  if (options_.assumeYes) {
    if (!options_.quiet) {
      for (const std::string& line : lines) Print(options_.out, line);
    }
    return true;
  }
  EndBar();
  for (const std::string& line : lines) Print(options_.prompt, line);
  WriteText(options_.prompt, LocalizedText(text::kContinuePrompt));
  // The answer may take the user a while; nothing else draws meanwhile.
  const std::optional<bool> answer = options_.readAnswer ? options_.readAnswer() : std::nullopt;
  if (!answer) WriteText(options_.prompt, "\n");
  if (answer.value_or(false)) return true;
  declined_ = true;
  return false;
}

std::optional<std::string> TerminalView::ChoosePackageFile(const std::string& /*filter*/,
                                                           const std::string& /*initialFolder*/) {
  return options_.packagePath;
}

void TerminalView::Say(const std::string& line, std::FILE* stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  Print(stream != nullptr ? stream : options_.out, line);
}

void TerminalView::Draw(bool force) {
  if (options_.quiet) return;
  const std::uint64_t now = Now();
  if (options_.terminal) {
    // A redraw per chunk would be thousands of lines to the terminal; ten a second
    // read the same, and the last one (100 %) is always drawn.
    const bool finished = meter_.percent() >= 100;
    if (!force && barOnScreen_ && !finished && now < lastDrawMs_ + kRedrawIntervalMs) return;
    lastDrawMs_ = now;
    const int columns = options_.columns ? options_.columns() : 80;
    const std::string line = FitBar(meter_.Fields(now), columns);
    // Padding to the old line's end instead of an erase sequence: the line never
    // reaches the last column, so it never wraps.
    const int pad = std::max(0, std::max(columns - 1, 1) - DisplayWidth(line));
    WriteText(options_.out, "\r" + line + std::string(static_cast<std::size_t>(pad), ' '));
    barOnScreen_ = true;
    return;
  }
  if (const std::optional<std::string> line = meter_.TakePlainLine()) Print(options_.out, *line);
}

void TerminalView::EndBar() {
  if (!barOnScreen_) return;
  WriteText(options_.out, "\n");
  barOnScreen_ = false;
}

void TerminalView::Print(std::FILE* stream, const std::string& line) {
  EndBar();
  WriteText(stream, line + "\n");
}

std::vector<std::string> TerminalView::messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
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

bool TerminalView::stoppedForDryRun() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stoppedForDryRun_;
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

std::map<std::string, std::uint64_t> TerminalView::stageBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stageBytes_;
}

}  // namespace vantor::cli
