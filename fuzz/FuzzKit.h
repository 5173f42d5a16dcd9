#pragma once
// What the fuzz targets share: the unattended view (a fixed package, every question
// confirmed), a controller that answers each output report with replies the fuzzer chose,
// and a package file per process. Header-only: each target is one small program.

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "workflow/UnattendedView.h"
#include "sim/SimDevice.h"
#include "update/UpdateController.h"

namespace vantor::fuzzing {

using FuzzView = workflow::UnattendedView;

// Virtual time that aborts once the waits of one input pass an hour: every wait of the
// updater is bounded, so an input that gets that far has found an unbounded one.
class BoundedClock final : public Clock {
 public:
  std::uint64_t NowMs() const override { return now_.load(); }
  void Pause(std::uint32_t milliseconds) override {
    if ((now_ += milliseconds) > 3600u * 1000u) {
      std::fprintf(stderr, "an input kept the updater waiting past an hour of virtual time\n");
      std::abort();
    }
  }

 private:
  std::atomic<std::uint64_t> now_{0};
};

// Reads fuzzer bytes in order; past the end everything reads as zero.
class ByteScript {
 public:
  ByteScript(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  void Fill(std::uint8_t* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = Byte();
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A controller whose every answer comes from the script: for each output report, a
// count byte (0..3 replies), then per reply a delay byte (x 10 ms) and 64 data bytes.
// Silent once the script has run out.
class ScriptedController final : public sim::SimDevice {
 public:
  explicit ScriptedController(ByteScript& script) : script_(script) {}
  void OnOutputReport(const hid::Report&, sim::ReportSink& host) override {
    if (script_.Empty()) return;
    const int replies = script_.Byte() % 4;
    for (int i = 0; i < replies && !script_.Empty(); ++i) {
      const std::uint32_t delay = script_.Byte() * 10u;
      hid::Report report{};
      script_.Fill(report.data() + 1, report.size() - 1);
      host.Emit(report, delay);
    }
  }

 private:
  ByteScript& script_;
};

// One whole update as the dialog runs it, on the package `packagePath`, every question
// answered yes: start, the click, the worker to its end. Its result.
inline UpdateResult RunWholeUpdate(hid::HidBackend& backend, Clock& clock, const std::string& packagePath) {
  FuzzView view(packagePath);
  UpdateSession session(backend, view, clock);
  UpdateController controller(session);
  controller.Start(nullptr);
  if (controller.OnUpdateButton()) {
    controller.WaitForWorker();
    controller.OnWorkerFinished();
  }
  return session.result();
}

// A file of this process for packages: libFuzzer runs its jobs as separate processes.
inline std::string ProcessFile(const char* name) {
  return "/tmp/vantor-fuzz-" + std::to_string(getpid()) + "-" + name;
}

inline bool WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

// A small valid package: one main section for `type` at 0x08004000, `n` bytes.
inline std::vector<std::uint8_t> SmallPackage(std::uint16_t type, std::uint32_t n) {
  std::vector<std::uint8_t> bytes(28, 0);
  bytes[0] = 151;
  bytes[4] = 0x00;
  bytes[5] = 0x40;
  bytes[6] = 0x00;
  bytes[7] = 0x08;
  bytes[8] = static_cast<std::uint8_t>(n);
  bytes[9] = static_cast<std::uint8_t>(n >> 8);
  bytes[12] = static_cast<std::uint8_t>(type);
  bytes[13] = static_cast<std::uint8_t>(type >> 8);
  for (std::uint32_t i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7 + 1));
  return bytes;
}

}  // namespace vantor::fuzzing
