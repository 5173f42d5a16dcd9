#pragma once
// The user of a campaign run: chooses the run's package and confirms every question.
// Nothing is shown; the verdict never reads what the updater said.

#include <optional>
#include <string>
#include <utility>

#include "session/UpdateView.h"

namespace vantor::campaign {

class CampaignView final : public UpdateView {
 public:
  explicit CampaignView(std::string package) : package_(std::move(package)) {}

  void SetTitle(const std::string&) override {}
  void EnableUpdateButton(bool) override {}
  void ShowSuccessText(bool) override {}
  void SetProgressPos(std::uint32_t) override {}
  int ShowMessage(const std::string&, const std::string&, MessageButtons buttons) override {
    return buttons == MessageButtons::kYesNo ? kIdYes : kIdOk;
  }
  std::optional<std::string> ChoosePackageFile(const std::string&, const std::string&) override { return package_; }

 private:
  std::string package_;
};

}  // namespace vantor::campaign
