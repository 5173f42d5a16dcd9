#include "web/PageUpdate.h"

#include <algorithm>
#include <cctype>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "session/ResultWords.h"
#include "session/VersionText.h"
#include "web/PageTexts.h"
#include "workflow/DeviceWatch.h"
#include "workflow/Environment.h"
#include "workflow/TransferPace.h"
#include "workflow/UpdateJob.h"

namespace vantor::web {

// The update's view: every call becomes an event; the file choice is the package
// the page holds, the confirmation the page's answer.
class PageUpdate::View final : public UpdateView {
 public:
  explicit View(PageEvents& events) : events_(events) {}
  std::string packagePath;
  Clock* clock = nullptr;  // the environment's: how long a stage has taken

  void SetTitle(const std::string& title) override { Emit(JsonObject().Add("type", "title").Add("text", title)); }
  void EnableUpdateButton(bool enabled) override {
    Emit(JsonObject().Add("type", "button").Add("enabled", enabled));
  }
  void ShowSuccessText(bool shown) override { Emit(JsonObject().Add("type", "successText").Add("shown", shown)); }
  void SetProgressPos(std::uint32_t position) override {
    if (position == lastPosition_) return;
    lastPosition_ = position;
    Emit(JsonObject().Add("type", "progress").Add("position", position));
  }
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override {
    Emit(JsonObject().Add("type", "message").Add("text", text).Add("caption", caption));
    return buttons == MessageButtons::kYesNo ? kIdYes : kIdOk;
  }
  // The result event says why and what next; the seed's bare failure box would only
  // repeat its first words.
  void ShowFailure(const UpdateResult&, const std::string&, const std::string&) override {}
  std::optional<std::string> ChoosePackageFile(const std::string&, const std::string&) override {
    if (packagePath.empty()) return std::nullopt;
    return packagePath;
  }
  int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) override {
    return events_.Confirm(OfferWords(offer, seedQuestion)) ? kIdOk : kIdCancel;
  }
  void OnStage(UpdateStage stage) override {
    pace_.OnStage(stage, clock != nullptr ? clock->NowMs() : 0);
    Emit(JsonObject().Add("type", "stage").Add("stage", StageName(stage)).Add("label", StageLabel(stage)));
  }
  void ReportBytes(const ByteProgress& progress) override {
    pace_.OnBytes(progress.sent, progress.total, clock != nullptr ? clock->NowMs() : 0);
    const std::optional<std::uint64_t> left = pace_.MsLeft();
    const std::string line = ProgressLine(progress, left);
    JsonObject event;
    event.Add("type", "bytes")
        .Add("stage", StageName(progress.stage))
        .Add("stageSent", progress.stageSent)
        .Add("stageTotal", progress.stageTotal)
        .Add("sent", progress.sent)
        .Add("total", progress.total)
        .Add("percent", progress.total == 0 ? 0u : static_cast<std::uint32_t>(progress.sent * 100 / progress.total))
        .Add("line", line);
    if (left) event.Add("leftMs", *left); else event.AddNull("leftMs");
    Emit(event);
  }

 private:
  void Emit(const JsonObject& event) { events_.Emit(event); }

  PageEvents& events_;
  std::uint32_t lastPosition_ = 0xFFFFFFFF;
  workflow::TransferPace pace_;  // the whole update's, for its time left
};

PageUpdate::PageUpdate(PageEvents& events) : events_(events) {}

PageUpdate::~PageUpdate() = default;

std::string PageUpdate::Simulate(const std::string& protocol, const std::string& fault, bool virtualTime) {
  if (running_) return JsonObject().Add("error", "an update is running").Text();
  if (protocol != "framed" && protocol != "addressed") {
    return JsonObject().Add("error", "framed or addressed: " + protocol).Text();
  }
  workflow::SimulationSettings settings;
  settings.protocols = protocol;
  settings.fault = fault;
  settings.virtualTime = virtualTime;
  return Start(settings);
}

std::string PageUpdate::Connect() {
  if (running_) return JsonObject().Add("error", "an update is running").Text();
  return Start(workflow::SimulationSettings());
}

std::string PageUpdate::Start(const workflow::SimulationSettings& settings) {
  job_.reset();
  environment_.reset();
  running_ = true;  // the probe waits too
  workflow::Environment::Made made = workflow::Environment::Create(settings);
  if (!made.environment) {
    running_ = false;
    return JsonObject().Add("error", made.detail).Text();
  }
  environment_ = std::move(made.environment);
  if (!view_) view_ = std::make_unique<View>(events_);
  view_->clock = &environment_->clock();
  workflow::JobSettings jobSettings;
  jobSettings.worker = WorkerPlace::kCallingThread;
  job_ = std::make_unique<workflow::UpdateJob>(*environment_, std::string(), *view_, jobSettings);
  job_->Probe();
  running_ = false;
  return Report().Text();
}

void PageUpdate::Release() {
  if (running_) return;
  job_.reset();
  if (view_) view_->clock = nullptr;
  environment_.reset();
}

std::string PageUpdate::Look() {
  workflow::AttachedChange change;
  if (!watch_) {
    workflow::Environment::Made made = workflow::Environment::Create(workflow::SimulationSettings());
    if (!made.environment) return JsonObject().Add("error", made.detail).Text();
    watchEnvironment_ = std::move(made.environment);
    watch_ = watchEnvironment_->Watch();
    change.arrived = watch_->attached();
  } else {
    change = watch_->Look();
  }
  const std::vector<hid::FoundController>& attached = watch_->attached();
  const bool held = job_ && !environment_->emulated() && job_->report().present &&
                    std::any_of(attached.begin(), attached.end(), [this](const hid::FoundController& controller) {
                      return controller.path == job_->report().path;
                    });
  return JsonObject()
      .Add("attached", static_cast<std::uint64_t>(attached.size()))
      .Add("arrived", static_cast<std::uint64_t>(change.arrived.size()))
      .Add("removed", static_cast<std::uint64_t>(change.removed.size()))
      .Add("held", held)
      .Text();
}

JsonObject PageUpdate::Report() const {
  const workflow::ControllerReport& report = job_->report();
  JsonObject json;
  json.Add("present", report.present);
  if (!report.present) return json;
  // Found but not opened: nothing was asked of it, so it is not offered.
  if (report.openError != hid::OpenError::kNone) json.Add("openFailed", true);
  json.Add("path", report.path)
      .Add("protocol", hid::ProtocolName(report.protocol))
      .Add("versionReported", report.versionReported)
      .Add("noFirmware", report.noFirmware);
  if (report.versionReported && !report.noFirmware) {
    const std::string version = FirmwareVersionText(report.versionWord);
    json.Add("version", version).Add("text", Format(LocalizedText(text::kFoundVersion).c_str(), version.c_str()));
  } else if (report.noFirmware) {
    json.Add("text", LocalizedText(text::kFoundNoFirmware));
  }
  return json;
}

std::string PageUpdate::Update(const std::string& packagePath) {
  if (running_) return JsonObject().Add("error", "an update is running").Text();
  if (!job_) return JsonObject().Add("error", "no controller").Text();
  view_->packagePath = packagePath;
  running_ = true;
  const std::uint64_t startMs = environment_->clock().NowMs();
  const bool begun = job_->Run();
  const std::uint64_t durationMs = environment_->clock().NowMs() - startMs;
  running_ = false;
  const UpdateResult result = job_->result();
  const Ending ending = PageEndingOf(result);
  JsonObject json;
  json.Add("type", "result")
      .Add("begun", begun)
      .Add("outcome", OutcomeName(result.outcome))
      .Add("reason", ReasonName(result.reason))
      .Add("stage", StageName(result.stage))
      .Add("code", result.code)
      .Add("durationMs", durationMs)
      .Add("succeeded", ending.succeeded)
      .Add("wroteNothing", ending.wroteNothing)
      .Add("text", ending.text);
  events_.Emit(json);
  return json.Text();
}

bool PageUpdate::DumpSimulatedFlash(const std::string& path) const {
  if (!environment_ || !environment_->emulated()) return false;
  environment_->DumpSimulatedFlash(path);
  return true;
}

void PageUpdate::RequestStop() {
  if (job_) job_->RequestStop();
}

void SetPageLanguage(const std::string& tag) {
  std::string locale = tag;
  for (char& c : locale) {
    if (c == '-') c = '_';
  }
  // A bare "zh" is how some browsers name Simplified Chinese.
  if (locale == "zh" || locale.rfind("zh_Hans", 0) == 0) locale = "zh_CN";
  if (locale.size() >= 5 && locale.rfind("zh_", 0) == 0) {
    locale = "zh_" + std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(locale[3])))) +
             std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(locale[4])))) + locale.substr(5);
  }
  SetUiLanguageOverride(LanguageFromLocaleName(locale));
}

}  // namespace vantor::web
