#pragma once
// The view of an update nobody attends: the file choice answers with the package,
// every question is confirmed (the front end asked its one question for the whole
// bench before the first update), nothing is drawn, and the update's events go to a
// listener with the unit's number. Boxes the procedures show are kept, in order.
//
// Threads: called from the unit's worker; the listener is called on that thread.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "session/UpdateView.h"

namespace vantor::workflow {

class UnitListener {
 public:
  virtual ~UnitListener() = default;
  virtual void OnUnitStage(std::size_t /*unit*/, UpdateStage /*stage*/) {}
  virtual void OnUnitBytes(std::size_t /*unit*/, const ByteProgress& /*progress*/) {}
  virtual void OnUnitConcluded(std::size_t /*unit*/, const UpdateResult& /*result*/) {}
};

class UnattendedView final : public UpdateView {
 public:
  UnattendedView(std::string packagePath, UnitListener* listener = nullptr, std::size_t unit = 0)
      : packagePath_(std::move(packagePath)), listener_(listener), unit_(unit) {}

  void SetTitle(const std::string&) override {}
  void EnableUpdateButton(bool) override {}
  void ShowSuccessText(bool) override {}
  void SetProgressPos(std::uint32_t) override {}
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override;
  std::optional<std::string> ChoosePackageFile(const std::string&, const std::string&) override { return packagePath_; }
  int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) override;
  void OnStage(UpdateStage stage) override;
  void ReportBytes(const ByteProgress& progress) override;
  void OnConcluded(const UpdateResult& result) override;

  std::vector<std::string> messages() const;
  std::optional<ByteProgress> lastProgress() const;
  // The most bytes each stage reported (by StageName).
  std::map<std::string, std::uint64_t> stageBytes() const;
  // From the first stage (the probe) to the result; 0 before both.
  std::uint64_t durationMs() const;

 private:
  std::string packagePath_;
  UnitListener* listener_;
  std::size_t unit_;
  mutable std::mutex mutex_;
  std::vector<std::string> messages_;
  std::optional<ByteProgress> last_;
  std::map<std::string, std::uint64_t> stageBytes_;
  std::optional<std::chrono::steady_clock::time_point> firstStageAt_;
  std::optional<std::chrono::steady_clock::time_point> concludedAt_;
};

// A message box text as one paragraph: CR LF made LF, blank edges removed.
std::string TrimMessage(const std::string& text);

}  // namespace vantor::workflow
