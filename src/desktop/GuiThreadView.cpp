#include "desktop/GuiThreadView.h"

#include <QMetaObject>
#include <QThread>

namespace vantor::desktop {

GuiThreadView::GuiThreadView(ViewSink& sink) : sink_(sink), context_(std::make_unique<QObject>()) {}

GuiThreadView::~GuiThreadView() { Detach(); }

bool GuiThreadView::detached() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return detached_;
}

void GuiThreadView::Detach() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    detached_ = true;
  }
  answered_.notify_all();
}

void GuiThreadView::Post(std::function<void()> call) {
  if (detached()) return;
  QMetaObject::invokeMethod(
      context_.get(),
      [this, call = std::move(call)] {
        if (!detached()) call();
      },
      Qt::QueuedConnection);
}

template <typename Answer>
Answer GuiThreadView::Ask(std::function<Answer(ViewSink&)> question, Answer whenDetached) {
  if (QThread::currentThread() == context_->thread()) return detached() ? whenDetached : question(sink_);
  struct Pending {
    bool done = false;
    Answer answer;
  };
  // Shared with the posted call: a caller released by Detach leaves before it runs.
  auto pending = std::make_shared<Pending>(Pending{false, whenDetached});
  Post([this, pending, question = std::move(question)] {
    Answer answer = question(sink_);
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      pending->answer = std::move(answer);
      pending->done = true;
    }
    answered_.notify_all();
  });
  std::unique_lock<std::mutex> lock(mutex_);
  answered_.wait(lock, [&] { return pending->done || detached_; });
  return pending->done ? pending->answer : whenDetached;
}

void GuiThreadView::SetTitle(const std::string& title) {
  Post([this, title] { sink_.SetTitle(title); });
}

void GuiThreadView::EnableUpdateButton(bool enabled) {
  Post([this, enabled] { sink_.SetSessionButton(enabled); });
}

void GuiThreadView::ShowSuccessText(bool shown) {
  Post([this, shown] { sink_.ShowSuccessText(shown); });
}

void GuiThreadView::SetProgressPos(std::uint32_t position) {
  Post([this, position] { sink_.SetProgressPos(position); });
}

int GuiThreadView::ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) {
  // The "no" of each box: what the procedure does when the user closes it.
  const int no = buttons == MessageButtons::kYesNo ? kIdNo : (buttons == MessageButtons::kOk ? kIdOk : kIdCancel);
  return Ask<int>([text, caption, buttons](ViewSink& sink) { return sink.ShowMessage(text, caption, buttons); }, no);
}

void GuiThreadView::ShowFailure(const UpdateResult& result, const std::string& seedText, const std::string& caption) {
  Ask<int>(
      [result, seedText, caption](ViewSink& sink) {
        sink.ShowFailure(result, seedText, caption);
        return kIdOk;
      },
      kIdOk);
}

std::optional<std::string> GuiThreadView::ChoosePackageFile(const std::string& filter,
                                                            const std::string& initialFolder) {
  return Ask<std::optional<std::string>>(
      [filter, initialFolder](ViewSink& sink) { return sink.ChoosePackageFile(filter, initialFolder); },
      std::nullopt);
}

int GuiThreadView::ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) {
  return Ask<int>([offer, seedQuestion](ViewSink& sink) { return sink.ConfirmOffer(offer, seedQuestion); },
                  kIdCancel);
}

void GuiThreadView::OnStage(UpdateStage stage) {
  Post([this, stage] { sink_.OnStage(stage); });
}

void GuiThreadView::ReportBytes(const ByteProgress& progress) {
  Post([this, progress] { sink_.ReportBytes(progress); });
}

}  // namespace vantor::desktop
