#pragma once
// What the command line shows of a transfer's progress: a bar redrawn in place on a
// terminal, fitted to its width, or a plain line per tenth of the way when the output
// goes to a file, a pipe or a dumb terminal (logs of repair benches stay short).
//
// Not thread-safe; the view serialises calls.

#include <cstdint>
#include <optional>
#include <string>

#include "session/ResultWords.h"
#include "session/UpdateResult.h"
#include "workflow/TransferPace.h"

namespace vantor::cli {

// "0:07", "12:03", "1:02:03" for a number of seconds.
std::string FormatDuration(std::uint64_t seconds);
// Columns `utf8` takes on a terminal (CJK characters take two).
int DisplayWidth(const std::string& utf8);
// `utf8` cut to at most `columns` columns, never inside a character.
std::string CutToWidth(const std::string& utf8, int columns);

// One bar line, without the carriage return. Anything unknown is left out.
struct BarFields {
  std::uint32_t percent = 0;  // shown as given up to 100; the bar saturates
  std::optional<std::uint64_t> sent;
  std::optional<std::uint64_t> total;
  std::optional<double> bytesPerSecond;
  std::optional<std::uint64_t> secondsLeft;
  std::string stage;                        // "main image"; empty: not shown
  std::string waiting;                      // "waiting for the controller" while silent
  std::optional<std::uint64_t> elapsedSeconds;
};
// The full form: bar, percentage, stage, bytes, rate, time left, elapsed.
std::string FormatBar(const BarFields& fields, int barWidth = 24);
// The longest form that fits a terminal of `columns` columns without wrapping (no bar
// below 40); always under `columns`.
std::string FitBar(const BarFields& fields, int columns);


class ProgressMeter {
 public:
  // The procedure's percentage (the dialog's progress bar position). True when what
  // the meter shows changed.
  bool OnPercent(std::uint32_t percent, std::uint64_t nowMs);
  // The bytes behind it, when the procedure tells them. True as for OnPercent.
  bool OnBytes(std::uint64_t sent, std::uint64_t total, std::uint64_t nowMs);
  bool OnBytes(const ByteProgress& progress, std::uint64_t nowMs);
  // A stage begins: time spent erasing never counts into the rate. The first stage of
  // the transfer (an erase, before any byte) starts the clock of the elapsed time.
  void OnStage(UpdateStage stage, std::uint64_t nowMs);

  // The fields for the state at `nowMs` (elapsed time since the transfer began, and
  // the waiting note when nothing came for more than a second). The rate and time left
  // only while bytes move: an erase or a restart has neither.
  BarFields Fields(std::uint64_t nowMs) const;
  // The full bar line for the state now.
  std::string BarLine() const;
  // A plain line when a further tenth of the way has been reached since the last one,
  // else nothing. Percentages going back (the bar reset after success) are ignored.
  std::optional<std::string> TakePlainLine();
  // True when nothing moved for more than kSilenceMs before `nowMs`.
  bool Silent(std::uint64_t nowMs) const;

  static constexpr std::uint64_t kSilenceMs = 1000;

  bool started() const { return started_; }
  // The transfer has begun (its first stage or its first progress): there is a line.
  bool running() const { return pace_.began(); }
  std::uint32_t percent() const;  // from the bytes when known, else the procedure's
  std::optional<std::uint64_t> sent() const { return sent_; }
  std::optional<std::uint64_t> total() const { return total_; }
  UpdateStage stage() const { return stage_; }

 private:
  bool started_ = false;
  std::uint32_t percent_ = 0;
  std::uint32_t highestPercent_ = 0;
  int lastDecileShown_ = -1;
  std::optional<std::uint64_t> sent_;
  std::optional<std::uint64_t> total_;
  UpdateStage stage_ = UpdateStage::kIdle;
  std::uint64_t lastActivityMs_ = 0;
  workflow::TransferPace pace_;  // the rate, the time left and the elapsed time
};

}  // namespace vantor::cli
