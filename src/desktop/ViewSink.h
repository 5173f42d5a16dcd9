#pragma once
// What the window does for a running probe or update: the calls of UpdateView, made on
// the GUI thread by GuiThreadView. The window implements it.
//
// Threads: GUI thread only.

#include <cstdint>
#include <optional>
#include <string>

#include "session/UpdateView.h"

namespace vantor::desktop {

class ViewSink {
 public:
  virtual ~ViewSink() = default;
  virtual void SetTitle(const std::string& title) = 0;
  // What the update procedures want of the button; the window also weighs its own state.
  virtual void SetSessionButton(bool enabled) = 0;
  virtual void ShowSuccessText(bool shown) = 0;
  virtual void SetProgressPos(std::uint32_t position) = 0;
  virtual int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) = 0;
  virtual void ShowFailure(const UpdateResult& result, const std::string& seedText, const std::string& caption) = 0;
  virtual std::optional<std::string> ChoosePackageFile(const std::string& filter, const std::string& initialFolder) = 0;
  virtual int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) = 0;
  virtual void OnStage(UpdateStage stage) = 0;
  virtual void ReportBytes(const ByteProgress& progress) = 0;
};

}  // namespace vantor::desktop
