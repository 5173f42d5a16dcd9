#pragma once
// The update view of the command line. It reports from the update's events and
// results, not from the dialog's texts: message boxes are recorded (for the JSON
// document) but not printed, since the command line says its own verdict from the
// UpdateResult; the OK/Cancel confirmation becomes the offer (what will be written to
// which controller) and a y/N question on the terminal, never in redirected output;
// the file-open dialog answers with the file named on the command line; the progress
// is a bar fitted to the terminal, or plain lines in a log.
//
// Threads: the probe calls it from the main thread, the update from the worker and the
// ticker from a thread of its own; every call is serialised by one lock.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "session/UpdateView.h"
#include "cli/ProgressMeter.h"
#include "workflow/UnattendedView.h"

namespace vantor::cli {

struct TerminalViewOptions {
  std::FILE* out = stdout;     // where progress and informative lines go
  std::FILE* prompt = stderr;  // where the offer and the y/N question go
  bool terminal = false;       // `out` is a terminal that can redraw a line in place
  std::function<int()> columns;  // the terminal's width now; none: 80
  bool quiet = false;          // no progress, no offer when nothing is asked
  bool assumeYes = false;      // --yes: confirm without asking
  // --dry-run: the offer is taken and not confirmed, without a word or a question, so
  // the update stops before its first write.
  bool dryRun = false;
  std::optional<std::string> packagePath;  // what the file-open dialog answers
  // Reads the user's answer to a y/N question: true yes, false no, nothing when no
  // answer came (end of input, a signal, or the wait's bound).
  std::function<std::optional<bool>()> readAnswer;
  // Told of each stage (the -v trace); `traceOnScreen` when its lines reach the screen
  // the bar is drawn on, so the bar makes way for them.
  std::function<void(UpdateStage)> onStage;
  bool traceOnScreen = false;
  Clock* clock = nullptr;  // for the rate and elapsed time; none: neither shown
};

class TerminalView final : public UpdateView {
 public:
  explicit TerminalView(TerminalViewOptions options);

  void SetTitle(const std::string& title) override;
  void EnableUpdateButton(bool enabled) override;
  void ShowSuccessText(bool shown) override;
  void SetProgressPos(std::uint32_t position) override;
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override;
  std::optional<std::string> ChoosePackageFile(const std::string& filter, const std::string& initialFolder) override;
  // The offer in lines, then "Continue? [y/N]".
  int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) override;
  // What `verify` compares, on `out`; nothing is asked.
  void ShowVerifyOffer(const PackageOffer& offer) override;
  void OnStage(UpdateStage stage) override;
  void ReportBytes(const ByteProgress& progress) override;
  void OnConcluded(const UpdateResult& result) override;

  // Called about every quarter second (and as virtual time passes): keeps the line's
  // elapsed time moving and says when the controller has been silent for a second.
  void Tick();
  // A line of the command line's own (a verdict, a hint) on `stream`, after the bar.
  void Say(const std::string& line, std::FILE* stream = nullptr);

  // Message box texts (trimmed), in order.
  std::vector<std::string> messages() const;
  std::vector<std::string> titles() const;
  // The confirmation question, once asked, and whether the user declined it.
  std::optional<std::string> question() const;
  bool declined() const;
  // The update stopped at its offer because it was a dry run.
  bool stoppedForDryRun() const;
  bool successTextShown() const;
  std::optional<std::uint64_t> bytesSent() const;
  std::optional<std::uint64_t> bytesTotal() const;
  // The most bytes each stage reported (by StageName).
  std::map<std::string, std::uint64_t> stageBytes() const;

 private:
  // Shows `lines` and asks y/N (or answers yes under --yes); true for yes. With mutex_ held.
  bool Ask(const std::string& question, const std::vector<std::string>& lines);
  void Draw(bool force);  // with mutex_ held
  void EndBar();          // with mutex_ held
  void Print(std::FILE* stream, const std::string& line);  // with mutex_ held
  std::uint64_t Now() const;

  TerminalViewOptions options_;
  mutable std::mutex mutex_;
  ProgressMeter meter_;
  static constexpr std::uint64_t kRedrawIntervalMs = 100;
  bool barOnScreen_ = false;
  bool concluded_ = false;  // the result is out: no bar drawn after it
  bool waitingSaid_ = false;
  std::uint64_t lastDrawMs_ = 0;
  std::vector<std::string> messages_;
  std::vector<std::string> titles_;
  std::optional<std::string> question_;
  bool declined_ = false;
  bool stoppedForDryRun_ = false;
  bool successTextShown_ = false;
  std::map<std::string, std::uint64_t> stageBytes_;
};

using workflow::TrimMessage;

// "y", "yes" (any case) and "是" are yes; anything else is no.
bool IsYes(const std::string& answer);

}  // namespace vantor::cli
