#pragma once
// The page's update: one environment (WebHID, or the emulated controllers as the
// programs' --simulate), one controller and its update at a time, run on the page's
// one thread. Everything the update shows goes to the page as events; the answers
// it needs (the package, the confirmation) come from the page.
//
// Threads: the page has one. Update runs the whole update before it returns; its waits
// (the clock's pauses under ASYNCIFY, the page's confirmation) let the browser's event
// loop run meanwhile, so the page stays alive. Simulate waits too (the probe). So both
// are called as asynchronous functions (ccall with {async: true}) and awaited; while
// one runs, the other refuses, and only RequestStop may be called (from an event).

#include <memory>
#include <string>

#include "web/Json.h"

namespace vantor::workflow {
class DeviceWatch;
class Environment;
class UpdateJob;
struct SimulationSettings;
}  // namespace vantor::workflow

namespace vantor::web {

class PageEvents {
 public:
  virtual ~PageEvents() = default;
  // One event: an object whose "type" says what it tells.
  virtual void Emit(const JsonObject& event) = 0;
  // The page's answer to the offer: true to go on. May wait for the user.
  virtual bool Confirm(const JsonObject& offer) = 0;
};

class PageUpdate {
 public:
  explicit PageUpdate(PageEvents& events);
  ~PageUpdate();
  PageUpdate(const PageUpdate&) = delete;
  PageUpdate& operator=(const PageUpdate&) = delete;

  // Puts an emulated controller ("framed" or "addressed", with a fault NAME of its
  // own or none) in place of USB, already in its boot mode, and probes it. Virtual
  // time runs the update without waiting (tests). The report, or {"error": ...}.
  std::string Simulate(const std::string& protocol, const std::string& fault, bool virtualTime);
  // The controllers the browser lets the page reach (WebHID: those the user chose),
  // in place of any emulated one, and the probe of the first: as Simulate.
  std::string Connect();
  // Drops the controller and its environment (not while an update runs): the next
  // update starts from Connect or Simulate.
  void Release();
  // The controllers the browser lets the page reach, looked at again. The page calls it
  // on WebHID's connect and disconnect events, so nothing looks on a timer. {"attached":
  // how many, "arrived", "removed": since the last look, "held": whether the controller
  // of the last Connect is still attached}. The first look counts every one as arrived.
  std::string Look();
  // One whole update of the controller with the package at `packagePath` (a file of
  // the page's memory, never sent anywhere). The result: outcome, reason, stage,
  // the ending's text, and durationMs on the environment's clock (virtual time: what
  // the update takes at the emulated controller's pace, with no cost of the page's).
  std::string Update(const std::string& packagePath);
  // What the emulated controller's flash holds: the main image at `path`, the radio's
  // at `path`.ble (when written). False when no controller is emulated.
  bool DumpSimulatedFlash(const std::string& path) const;
  // The running update stops at its next safe point.
  void RequestStop();
  bool running() const { return running_; }

 private:
  class View;
  std::string Start(const workflow::SimulationSettings& settings);
  JsonObject Report() const;

  PageEvents& events_;
  std::unique_ptr<View> view_;
  std::unique_ptr<workflow::Environment> environment_;
  std::unique_ptr<workflow::UpdateJob> job_;
  // The watch's own WebHID environment: it outlives the controllers that come and go.
  std::unique_ptr<workflow::Environment> watchEnvironment_;
  std::unique_ptr<workflow::DeviceWatch> watch_;
  bool running_ = false;
};

// Sets the texts' language from a browser language tag ("zh-CN", "en-US", "zh"):
// Chinese for zh-CN, zh-SG and a plain zh, English otherwise.
void SetPageLanguage(const std::string& tag);

}  // namespace vantor::web
