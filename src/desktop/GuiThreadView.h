#pragma once
// The update's view for a Qt window: every call, from the probe's and the worker's
// threads, is carried to the GUI thread and handed to the window's ViewSink there.
// Calls that return an answer (a box, the file choice, the confirmation) wait for it;
// the others are queued in order and return at once, so a worker never waits for a
// repaint. The GUI thread never waits for this view's callers.
//
// Threads: construct, Post's target and Detach on the GUI thread; the UpdateView calls
// and Post from any thread. After Detach, answers are the "no" of each question
// (Cancel, no file) and nothing reaches the window, so a worker still running while the
// window goes away ends at its next question instead of waiting for ever.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QObject>

#include "desktop/ViewSink.h"

namespace vantor::desktop {

class GuiThreadView final : public UpdateView {
 public:
  explicit GuiThreadView(ViewSink& sink);
  ~GuiThreadView() override;

  // Runs `call` on the GUI thread, after every call queued before it; dropped once
  // detached (or when the view is gone).
  void Post(std::function<void()> call);
  void Detach();

  void SetTitle(const std::string& title) override;
  void EnableUpdateButton(bool enabled) override;
  void ShowSuccessText(bool shown) override;
  void SetProgressPos(std::uint32_t position) override;
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override;
  void ShowFailure(const UpdateResult& result, const std::string& seedText, const std::string& caption) override;
  std::optional<std::string> ChoosePackageFile(const std::string& filter, const std::string& initialFolder) override;
  int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) override;
  void OnStage(UpdateStage stage) override;
  void ReportBytes(const ByteProgress& progress) override;

 private:
  // Runs `question` on the GUI thread and waits for its answer; `whenDetached` when
  // the view is (or becomes) detached first.
  template <typename Answer>
  Answer Ask(std::function<Answer(ViewSink&)> question, Answer whenDetached);
  bool detached() const;

  ViewSink& sink_;
  std::unique_ptr<QObject> context_;  // lives on the GUI thread; posted calls run in it
  mutable std::mutex mutex_;
  std::condition_variable answered_;
  bool detached_ = false;
};

}  // namespace vantor::desktop
