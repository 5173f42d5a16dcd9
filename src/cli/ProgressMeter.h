#pragma once
// What the command line shows of a transfer's progress: a bar redrawn in place on a
// terminal, or a plain line per tenth of the way when the output goes to a file or a
// pipe (logs of repair benches stay short and readable).
//
// Not thread-safe; the view serialises calls.

#include <cstdint>
#include <optional>
#include <string>

namespace vantor::cli {

// "512 B", "27.0 KiB", "1.5 MiB".
std::string FormatBytes(std::uint64_t bytes);
// "0:07", "12:03", "1:02:03" for a number of seconds.
std::string FormatDuration(std::uint64_t seconds);

// One bar line, without the carriage return: bar, percentage, bytes, rate, time left.
// Any of bytes, rate and time left is left out when not known.
struct BarFields {
  std::uint32_t percent = 0;  // shown as given up to 100; the bar saturates
  std::optional<std::uint64_t> sent;
  std::optional<std::uint64_t> total;
  std::optional<double> bytesPerSecond;
  std::optional<std::uint64_t> secondsLeft;
};
std::string FormatBar(const BarFields& fields, int barWidth = 24);

class ProgressMeter {
 public:
  // The procedure's percentage (the dialog's progress bar position). True when what
  // the meter shows changed.
  bool OnPercent(std::uint32_t percent, std::uint64_t nowMs);
  // The bytes behind it, when the procedure tells them. True as for OnPercent.
  bool OnBytes(std::uint64_t sent, std::uint64_t total, std::uint64_t nowMs);

  // The bar line for the state now.
  std::string BarLine() const;
  // A plain line when a further tenth of the way has been reached since the last one,
  // else nothing. Percentages going back (the bar reset after success) are ignored.
  std::optional<std::string> TakePlainLine();

  bool started() const { return started_; }
  std::uint32_t percent() const { return percent_; }
  std::optional<std::uint64_t> sent() const { return sent_; }
  std::optional<std::uint64_t> total() const { return total_; }

 private:
  bool started_ = false;
  std::uint32_t percent_ = 0;
  std::uint32_t highestPercent_ = 0;
  int lastDecileShown_ = -1;
  std::optional<std::uint64_t> sent_;
  std::optional<std::uint64_t> total_;
  std::uint64_t firstBytesAtMs_ = 0;
  std::uint64_t firstBytes_ = 0;
  std::uint64_t lastBytesAtMs_ = 0;
};

}  // namespace vantor::cli
