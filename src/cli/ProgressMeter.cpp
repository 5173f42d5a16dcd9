#include "cli/ProgressMeter.h"

#include <algorithm>

#include "base/Format.h"

namespace vantor::cli {

std::string FormatBytes(std::uint64_t bytes) {
  if (bytes < 1024) return Format("%llu B", static_cast<unsigned long long>(bytes));
  if (bytes < 1024 * 1024) return Format("%.1f KiB", static_cast<double>(bytes) / 1024.0);
  return Format("%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
}

std::string FormatDuration(std::uint64_t seconds) {
  const auto hours = static_cast<unsigned long long>(seconds / 3600);
  const auto minutes = static_cast<unsigned>((seconds / 60) % 60);
  const auto rest = static_cast<unsigned>(seconds % 60);
  if (hours > 0) return Format("%llu:%02u:%02u", hours, minutes, rest);
  return Format("%u:%02u", minutes, rest);
}

std::string FormatBar(const BarFields& fields, int barWidth) {
  const std::uint32_t shown = std::min<std::uint32_t>(fields.percent, 100);
  const int filled = static_cast<int>(shown * static_cast<std::uint32_t>(barWidth) / 100);
  std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                     std::string(static_cast<std::size_t>(barWidth - filled), '-') + "]";
  line += Format(" %3u%%", fields.percent);
  if (fields.sent && fields.total) {
    line += "  " + FormatBytes(*fields.sent) + " / " + FormatBytes(*fields.total);
  }
  if (fields.bytesPerSecond && *fields.bytesPerSecond > 0) {
    line += "  " + FormatBytes(static_cast<std::uint64_t>(*fields.bytesPerSecond)) + "/s";
  }
  if (fields.secondsLeft) line += "  " + FormatDuration(*fields.secondsLeft) + " left";
  return line;
}

bool ProgressMeter::OnPercent(std::uint32_t percent, std::uint64_t /*nowMs*/) {
  // Start and each click put the bar at 0 before anything moves; the procedures put
  // it back to 0 after success. The meter shows a transfer, and keeps its furthest point.
  if (!started_ && percent == 0) return false;
  if (started_ && percent < highestPercent_) return false;
  const bool changed = !started_ || percent != percent_;
  started_ = true;
  percent_ = percent;
  highestPercent_ = std::max(highestPercent_, percent);
  return changed;
}

bool ProgressMeter::OnBytes(std::uint64_t sent, std::uint64_t total, std::uint64_t nowMs) {
  const bool changed = !sent_ || *sent_ != sent || *total_ != total;
  if (!sent_) {
    firstBytesAtMs_ = nowMs;
    firstBytes_ = sent;
  }
  started_ = true;
  sent_ = sent;
  total_ = total;
  lastBytesAtMs_ = nowMs;
  return changed;
}

std::string ProgressMeter::BarLine() const {
  BarFields fields;
  fields.percent = percent_;
  fields.sent = sent_;
  fields.total = total_;
  if (sent_ && lastBytesAtMs_ > firstBytesAtMs_ && *sent_ > firstBytes_) {
    const double seconds = static_cast<double>(lastBytesAtMs_ - firstBytesAtMs_) / 1000.0;
    const double rate = static_cast<double>(*sent_ - firstBytes_) / seconds;
    fields.bytesPerSecond = rate;
    if (total_ && *total_ > *sent_) {
      fields.secondsLeft = static_cast<std::uint64_t>(static_cast<double>(*total_ - *sent_) / rate + 0.5);
    } else {
      fields.secondsLeft = 0;
    }
  }
  return FormatBar(fields);
}

std::optional<std::string> ProgressMeter::TakePlainLine() {
  if (!started_) return std::nullopt;
  const int decile = static_cast<int>(std::min<std::uint32_t>(percent_, 100) / 10);
  if (decile <= lastDecileShown_) return std::nullopt;
  lastDecileShown_ = decile;
  std::string line = Format("progress %3u%%", percent_);
  if (sent_ && total_) {
    line += Format("  %llu/%llu bytes", static_cast<unsigned long long>(*sent_),
                   static_cast<unsigned long long>(*total_));
  }
  return line;
}

}  // namespace vantor::cli
