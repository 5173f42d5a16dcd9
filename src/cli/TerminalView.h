#pragma once
// The update view of the command line: what the dialog would show, as terminal lines.
// Message boxes become lines, the OK/Cancel confirmation a y/N question (or "yes" with
// --yes), the file-open dialog answers with the file named on the command line, and the
// progress bar is drawn in place on a terminal or as plain lines in a log.
//
// Threads: the probe calls it from the main thread and the update from the worker;
// every call is serialised by one lock, so lines never interleave.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "session/UpdateView.h"
#include "cli/ProgressMeter.h"

namespace vantor::cli {

struct TerminalViewOptions {
  std::FILE* out = stdout;  // where the human-readable lines go
  bool terminal = false;    // `out` is a terminal: draw the bar in place
  bool assumeYes = false;   // --yes: confirm without asking
  std::optional<std::string> packagePath;  // what the file-open dialog answers
  // Reads the user's answer to a y/N question: true yes, false no, nothing when no
  // answer came (end of input, Ctrl-C, or the wait's bound).
  std::function<std::optional<bool>()> readAnswer;
  Clock* clock = nullptr;  // for the transfer rate; none: no rate shown
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
  void ReportBytes(const ByteProgress& progress) override;

  // A line of the command line's own (the final verdict, a hint).
  void Say(const std::string& line);

  // Message texts as shown (trimmed), in order.
  std::vector<std::string> messages() const;
  bool MessageShown(const std::string& text) const;
  std::vector<std::string> titles() const;
  // The confirmation question, once asked, and whether the user declined it.
  std::optional<std::string> question() const;
  bool declined() const;
  bool successTextShown() const;
  std::optional<std::uint64_t> bytesSent() const;
  std::optional<std::uint64_t> bytesTotal() const;

 private:
  void Draw();           // with mutex_ held
  void EndBar();         // with mutex_ held
  void Print(const std::string& line);  // with mutex_ held

  TerminalViewOptions options_;
  mutable std::mutex mutex_;
  ProgressMeter meter_;
  static constexpr std::uint64_t kRedrawIntervalMs = 100;
  bool barOnScreen_ = false;
  std::uint64_t lastDrawMs_ = 0;
  std::vector<std::string> messages_;
  std::vector<std::string> titles_;
  std::optional<std::string> question_;
  bool declined_ = false;
  bool successTextShown_ = false;
};

// A message box text as one terminal paragraph: CR LF made LF, blank edges removed.
std::string TrimMessage(const std::string& text);

// "y", "yes" (any case) and "是" are yes; anything else is no.
bool IsYes(const std::string& answer);

}  // namespace vantor::cli
