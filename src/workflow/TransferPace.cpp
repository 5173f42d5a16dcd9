#include "workflow/TransferPace.h"

namespace vantor::workflow {
namespace {

constexpr std::uint64_t kMinimumMeasuredMs = 250;

}  // namespace

bool MovesNoBytes(UpdateStage stage) {
  return stage == UpdateStage::kErasingMain || stage == UpdateStage::kErasingRadio || stage == UpdateStage::kStamping ||
         stage == UpdateStage::kRestarting;
}

void TransferPace::OnStage(UpdateStage stage, std::uint64_t nowMs) {
  stage_ = stage;
  if (stage >= UpdateStage::kErasingMain && !startMs_) startMs_ = nowMs;
  lastBytesAtMs_.reset();
}

void TransferPace::OnBytes(std::uint64_t sent, std::uint64_t total, std::uint64_t nowMs) {
  if (!startMs_) startMs_ = nowMs;
  if (lastBytesAtMs_ && sent_ && sent > *sent_ && nowMs >= *lastBytesAtMs_) {
    measuredBytes_ += sent - *sent_;
    measuredMs_ += nowMs - *lastBytesAtMs_;
  }
  lastBytesAtMs_ = nowMs;
  sent_ = sent;
  total_ = total;
}

std::optional<std::uint64_t> TransferPace::ElapsedMs(std::uint64_t nowMs) const {
  if (!startMs_ || nowMs < *startMs_) return std::nullopt;
  return nowMs - *startMs_;
}

std::optional<double> TransferPace::BytesPerSecond() const {
  if (MovesNoBytes(stage_) || measuredBytes_ == 0 || measuredMs_ < kMinimumMeasuredMs) return std::nullopt;
  return static_cast<double>(measuredBytes_) * 1000.0 / static_cast<double>(measuredMs_);
}

std::optional<std::uint64_t> TransferPace::MsLeft() const {
  const std::optional<double> rate = BytesPerSecond();
  if (!rate || !sent_) return std::nullopt;
  if (*sent_ >= total_) return 0;
  return static_cast<std::uint64_t>(static_cast<double>(total_ - *sent_) * 1000.0 / *rate);
}

}  // namespace vantor::workflow
