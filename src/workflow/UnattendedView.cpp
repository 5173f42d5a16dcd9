#include "workflow/UnattendedView.h"

#include <algorithm>

namespace vantor::workflow {

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

int UnattendedView::ShowMessage(const std::string& text, const std::string& /*caption*/, MessageButtons buttons) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(TrimMessage(text));
  }
  return buttons == MessageButtons::kYesNo ? kIdYes : kIdOk;
}

int UnattendedView::ConfirmOffer(const PackageOffer& /*offer*/, const std::string& seedQuestion) {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.push_back(TrimMessage(seedQuestion));
  return kIdOk;
}

void UnattendedView::OnStage(UpdateStage stage) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stage != UpdateStage::kIdle && !firstStageAt_) firstStageAt_ = std::chrono::steady_clock::now();
  }
  if (listener_ != nullptr) listener_->OnUnitStage(unit_, stage);
}

void UnattendedView::ReportBytes(const ByteProgress& progress) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = progress;
    std::uint64_t& most = stageBytes_[StageName(progress.stage)];
    most = std::max(most, progress.stageSent);
  }
  if (listener_ != nullptr) listener_->OnUnitBytes(unit_, progress);
}

void UnattendedView::OnConcluded(const UpdateResult& result) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    concludedAt_ = std::chrono::steady_clock::now();
  }
  if (listener_ != nullptr) listener_->OnUnitConcluded(unit_, result);
}

std::map<std::string, std::uint64_t> UnattendedView::stageBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stageBytes_;
}

std::uint64_t UnattendedView::durationMs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!firstStageAt_ || !concludedAt_ || *concludedAt_ < *firstStageAt_) return 0;
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(*concludedAt_ - *firstStageAt_).count());
}

std::vector<std::string> UnattendedView::messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::optional<ByteProgress> UnattendedView::lastProgress() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

}  // namespace vantor::workflow
