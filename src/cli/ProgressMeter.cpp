#include "cli/ProgressMeter.h"

#include <algorithm>
#include <vector>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "session/ResultWords.h"

namespace vantor::cli {

std::string FormatDuration(std::uint64_t seconds) {
  const auto hours = static_cast<unsigned long long>(seconds / 3600);
  const auto minutes = static_cast<unsigned>((seconds / 60) % 60);
  const auto rest = static_cast<unsigned>(seconds % 60);
  if (hours > 0) return Format("%llu:%02u:%02u", hours, minutes, rest);
  return Format("%u:%02u", minutes, rest);
}

namespace {

// Bytes of the UTF-8 character starting with `lead`.
std::size_t CharacterLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Two columns for the East Asian wide and full-width characters (CJK, Hangul, kana,
// full-width forms), one for every other character: arrows and dashes are narrow.
int CharacterWidth(const char* bytes, std::size_t length) {
  if (length < 3) return 1;
  const auto b = [bytes](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
  const std::uint32_t code = length == 3 ? ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F)
                                         : ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) |
                                               (b(3) & 0x3F);
  const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0x303E) ||
                    (code >= 0x3041 && code <= 0xA4CF) || (code >= 0xAC00 && code <= 0xD7A3) ||
                    (code >= 0xF900 && code <= 0xFAFF) || (code >= 0xFE30 && code <= 0xFE4F) ||
                    (code >= 0xFF00 && code <= 0xFF60) || (code >= 0xFFE0 && code <= 0xFFE6) ||
                    (code >= 0x1F300 && code <= 0x1F64F) || (code >= 0x20000 && code <= 0x3FFFD);
  return wide ? 2 : 1;
}

std::string Bar(std::uint32_t percent, int width) {
  const std::uint32_t shown = std::min<std::uint32_t>(percent, 100);
  const int filled = static_cast<int>(shown * static_cast<std::uint32_t>(width) / 100);
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(width - filled), '-') + "]";
}

// How much of the line after the percentage: all of it, without the rate, or only the
// stage, the time left and the elapsed time.
enum class Detail { kAll, kBytes, kBrief };

std::string Tail(const BarFields& fields, Detail detail) {
  std::string line;
  if (!fields.stage.empty()) line += "  " + fields.stage;
  if (fields.sent && fields.total && detail != Detail::kBrief) {
    line += "  " + SizeText(*fields.sent) + " / " + SizeText(*fields.total);
  }
  if (!fields.waiting.empty()) {
    line += "  " + fields.waiting;
  } else {
    if (detail == Detail::kAll && fields.bytesPerSecond && *fields.bytesPerSecond > 0) {
      line += "  " + SizeText(static_cast<std::uint64_t>(*fields.bytesPerSecond)) + "/s";
    }
    if (fields.secondsLeft) line += "  " + FormatDuration(*fields.secondsLeft) + " " + LocalizedText(text::kTimeLeft);
  }
  if (fields.elapsedSeconds) line += "  [" + FormatDuration(*fields.elapsedSeconds) + "]";
  return line;
}

}  // namespace

int DisplayWidth(const std::string& utf8) {
  int columns = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t length = std::min(CharacterLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    columns += CharacterWidth(utf8.data() + i, length);
    i += length;
  }
  return columns;
}

std::string CutToWidth(const std::string& utf8, int columns) {
  int used = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t length = std::min(CharacterLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    const int width = CharacterWidth(utf8.data() + i, length);
    if (used + width > columns) break;
    used += width;
    i += length;
  }
  return utf8.substr(0, i);
}

std::string FormatBar(const BarFields& fields, int barWidth) {
  return Bar(fields.percent, barWidth) + Format(" %3u%%", fields.percent) + Tail(fields, Detail::kAll);
}

std::string FitBar(const BarFields& fields, int columns) {
  // The cursor must stay on the line's row: a line as wide as the terminal wraps, and
  // the next carriage return would then redraw on a new row.
  const int room = std::max(columns - 1, 1);
  const std::string percent = Format(" %3u%%", fields.percent);
  // The longest form that fits: the rate goes first, then the bar narrows, then the
  // bytes go; the stage, the time left and the elapsed time stay as long as anything
  // can. (An 80-column terminal shows the second form.)
  std::vector<std::string> forms;
  if (columns >= 40) {
    forms.push_back(FormatBar(fields, 24));
    forms.push_back(Bar(fields.percent, 16) + percent + Tail(fields, Detail::kBytes));
    forms.push_back(Bar(fields.percent, 10) + percent + Tail(fields, Detail::kBytes));
    forms.push_back(Bar(fields.percent, 10) + percent + Tail(fields, Detail::kBrief));
  }
  forms.push_back(percent.substr(1) + Tail(fields, Detail::kBrief));
  for (const std::string& form : forms) {
    if (DisplayWidth(form) <= room) return form;
  }
  return CutToWidth(forms.back(), room);
}

bool ProgressMeter::OnPercent(std::uint32_t percent, std::uint64_t nowMs) {
  // Start and each click put the bar at 0 before anything moves; the procedures put
  // it back to 0 after success. The meter shows a transfer, and keeps its furthest point.
  if (!started_ && percent == 0) return false;
  if (started_ && percent < highestPercent_) return false;
  const bool changed = !started_ || percent != percent_;
  started_ = true;
  pace_.Begin(nowMs);
  lastActivityMs_ = nowMs;
  percent_ = percent;
  highestPercent_ = std::max(highestPercent_, percent);
  return changed;
}

bool ProgressMeter::OnBytes(std::uint64_t sent, std::uint64_t total, std::uint64_t nowMs) {
  ByteProgress progress;
  progress.stage = stage_;
  progress.sent = sent;
  progress.total = total;
  return OnBytes(progress, nowMs);
}

bool ProgressMeter::OnBytes(const ByteProgress& progress, std::uint64_t nowMs) {
  const bool changed = !sent_ || *sent_ != progress.sent || *total_ != progress.total;
  pace_.OnBytes(progress.sent, progress.total, nowMs);
  started_ = true;
  sent_ = progress.sent;
  total_ = progress.total;
  lastActivityMs_ = nowMs;
  return changed;
}

void ProgressMeter::OnStage(UpdateStage stage, std::uint64_t nowMs) {
  stage_ = stage;
  pace_.OnStage(stage, nowMs);
  lastActivityMs_ = nowMs;
}

std::uint32_t ProgressMeter::percent() const {
  if (sent_ && total_ && *total_ > 0) return static_cast<std::uint32_t>(std::min<std::uint64_t>(*sent_, *total_) * 100 / *total_);
  return percent_;
}

bool ProgressMeter::Silent(std::uint64_t nowMs) const {
  return started_ && nowMs > lastActivityMs_ + kSilenceMs && percent() < 100;
}

BarFields ProgressMeter::Fields(std::uint64_t nowMs) const {
  BarFields fields;
  fields.percent = sent_ && total_ ? percent() : percent_;
  fields.sent = sent_;
  fields.total = total_;
  fields.stage = StageLabel(stage_);
  fields.bytesPerSecond = pace_.BytesPerSecond();
  if (const std::optional<std::uint64_t> left = pace_.MsLeft()) fields.secondsLeft = (*left + 500) / 1000;
  if (const std::optional<std::uint64_t> elapsed = pace_.ElapsedMs(nowMs)) fields.elapsedSeconds = *elapsed / 1000;
  if (Silent(nowMs)) fields.waiting = LocalizedText(text::kWaiting);
  return fields;
}

std::string ProgressMeter::BarLine() const {
  BarFields fields = Fields(lastActivityMs_);
  fields.elapsedSeconds.reset();
  fields.stage.clear();
  return FormatBar(fields);
}

std::optional<std::string> ProgressMeter::TakePlainLine() {
  if (!started_) return std::nullopt;
  const std::uint32_t shown = percent();
  const int decile = static_cast<int>(std::min<std::uint32_t>(shown, 100) / 10);
  if (decile <= lastDecileShown_) return std::nullopt;
  lastDecileShown_ = decile;
  std::string line = Format("progress %3u%%", shown);
  const std::string stage = StageLabel(stage_);
  if (!stage.empty()) line += "  " + stage;
  if (sent_ && total_) {
    line += Format("  %llu/%llu bytes", static_cast<unsigned long long>(*sent_),
                   static_cast<unsigned long long>(*total_));
  }
  return line;
}

}  // namespace vantor::cli
