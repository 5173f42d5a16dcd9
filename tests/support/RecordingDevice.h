#pragma once
// An emulated device that records every output report and answers nothing unless
// told to; for byte-exact tests of what the updater sends.

#include <atomic>
#include <deque>
#include <mutex>
#include <vector>

#include "sim/SimDevice.h"

namespace vantor::testkit {

class RecordingDevice : public sim::SimDevice {
 public:
  void OnOutputReport(const hid::Report& report, sim::ReportSink& host) override {
    std::lock_guard<std::mutex> lock(mutex_);
    reports_.push_back(report);
    if (!replies_.empty()) {
      host.Emit(replies_.front());
      replies_.pop_front();
    }
  }
  bool Present() const override { return present_; }

  // The next write is answered with `report` (report id at byte 0).
  void QueueReply(const hid::Report& report) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.push_back(report);
  }
  std::vector<hid::Report> reports() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }
  void Unplug() { present_ = false; }

 private:
  mutable std::mutex mutex_;
  std::vector<hid::Report> reports_;
  std::deque<hid::Report> replies_;
  std::atomic<bool> present_{true};
};

// The data bytes of a report from its first `count` bytes (report id excluded).
inline std::vector<std::uint8_t> DataBytes(const hid::Report& report, std::size_t count) {
  return std::vector<std::uint8_t>(report.begin() + 1, report.begin() + 1 + count);
}

}  // namespace vantor::testkit
