#pragma once
// A user who is not there: the file choice answers with one package, every question
// is confirmed, and nothing is shown. Header-only and without GoogleTest, for the
// fault campaign and the fuzz targets, whose verdicts never read what was shown.

#include <optional>
#include <string>
#include <utility>

#include "session/UpdateView.h"

namespace vantor::testkit {

class UnattendedView final : public UpdateView {
 public:
  explicit UnattendedView(std::string package) : package_(std::move(package)) {}

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

}  // namespace vantor::testkit
