#pragma once
// A cable with faults of its own between the host and an emulated addressed
// controller: chosen commands never reach the controller, chosen replies arrive late.
// Commands are counted per code (bytes 2..3 of the output report), repeats included.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "sim/SimDevice.h"

namespace vantor::testkit {

class FaultyLink : public sim::SimDevice {
 public:
  explicit FaultyLink(std::shared_ptr<sim::SimDevice> controller) : controller_(std::move(controller)) {}

  // The `occurrence`-th command of `code` is lost on the way (not carried out).
  void Lose(std::uint16_t code, std::uint32_t occurrence) { lost_.insert({code, occurrence}); }
  // The reply to the `occurrence`-th command of `code` arrives `delayMs` late.
  void Delay(std::uint16_t code, std::uint32_t occurrence, std::uint32_t delayMs) {
    delays_[{code, occurrence}] = delayMs;
  }

  void OnOutputReport(const hid::Report& report, sim::ReportSink& host) override {
    const auto code = static_cast<std::uint16_t>(report[2] | report[3] << 8);
    std::uint32_t extra = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const std::pair<std::uint16_t, std::uint32_t> key{code, ++counts_[code]};
      if (lost_.count(key) != 0) return;
      const auto delay = delays_.find(key);
      if (delay != delays_.end()) extra = delay->second;
    }
    LateSink late(host, extra);
    controller_->OnOutputReport(report, late);
  }
  bool Present() const override { return controller_->Present(); }

 private:
  class LateSink : public sim::ReportSink {
   public:
    LateSink(sim::ReportSink& host, std::uint32_t extraMs) : host_(host), extraMs_(extraMs) {}
    void Emit(const hid::Report& report, std::uint32_t delayMs) override { host_.Emit(report, delayMs + extraMs_); }

   private:
    sim::ReportSink& host_;
    std::uint32_t extraMs_;
  };

  std::shared_ptr<sim::SimDevice> controller_;
  std::mutex mutex_;
  std::map<std::uint16_t, std::uint32_t> counts_;
  std::set<std::pair<std::uint16_t, std::uint32_t>> lost_;
  std::map<std::pair<std::uint16_t, std::uint32_t>, std::uint32_t> delays_;
};

}  // namespace vantor::testkit
