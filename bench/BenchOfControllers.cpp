// A repair bench in real time: 1, 8, 32 and 64 emulated addressed controllers, each
// paced like a real one (a reply in the next 1 ms USB frame, an erase busy for 1.5 s),
// each updated by its own update job at the same time, as `flash --all` does.
// Reports the wall time of the whole bench against one controller's, the host CPU per
// 46-byte chunk and the peak resident memory.
//
//   build/linux/bench/bench_of_controllers [IMAGE_BYTES]   (default 65536)

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "sim/AddressedEmulator.h"
#include "support/TestKit.h"
#include "workflow/UnattendedView.h"
#include "workflow/UpdateJob.h"

namespace vantor {
namespace {

constexpr std::uint32_t kUsbFrameMs = 1;
constexpr std::uint32_t kEraseBusyMs = 1500;
constexpr std::uint32_t kChunk = 46;

struct Unit {
  Unit(sim::SimHidBackend& backend, Clock& clock, const std::string& path, const std::string& package)
      : view(package), job(backend, clock, path, view) {}
  workflow::UnattendedView view;
  workflow::UpdateJob job;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

struct Figures {
  double wallSeconds = 0;
  double cpuSeconds = 0;
  std::uint64_t chunks = 0;
  bool allSucceeded = true;
};

Figures RunBench(std::size_t controllers, const std::string& package, std::uint32_t imageBytes) {
  RealClock clock;
  sim::SimHidBackend backend{clock};
  sim::AddressedEmulator::Settings settings;
  settings.replyDelayMs = kUsbFrameMs;
  settings.eraseBusyMs = kEraseBusyMs;
  std::vector<std::unique_ptr<Unit>> units;
  for (std::size_t n = 0; n < controllers; ++n) {
    const std::string path = "bench-" + std::to_string(n + 1);
    sim::AddressedEmulator::Attach(backend, clock, settings, path);
    units.push_back(std::make_unique<Unit>(backend, clock, path, package));
  }
  for (auto& unit : units) unit->job.Probe();

  const double cpuBefore = CpuSeconds();
  const auto started = std::chrono::steady_clock::now();
  for (auto& unit : units) unit->job.Begin();
  Figures figures;
  for (auto& unit : units) {
    unit->job.Wait();
    figures.allSucceeded = figures.allSucceeded && unit->job.result().outcome == UpdateOutcome::kSucceeded;
  }
  figures.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  figures.cpuSeconds = CpuSeconds() - cpuBefore;
  figures.chunks = controllers * ((imageBytes + kChunk - 1) / kChunk);
  return figures;
}

}  // namespace
}  // namespace vantor

int main(int argc, char** argv) {
  using namespace vantor;
  const std::uint32_t imageBytes = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 0)) : 65536;
  SetDebugSink([](const std::string&) {});
  const testkit::TempFile package(
      testkit::PackageBytes({testkit::Section(8194, testkit::PatternBytes(imageBytes, 1))}));
  std::printf("controllers  wall_s  vs_one  cpu_us_per_chunk  peak_rss_MiB  all_succeeded\n");
  double one = 0;
  for (const std::size_t controllers : {1, 8, 32, 64}) {
    const Figures figures = RunBench(controllers, package.path(), imageBytes);
    if (controllers == 1) one = figures.wallSeconds;
    std::printf("%11zu  %6.2f  %6.3f  %16.2f  %12.1f  %s\n", controllers, figures.wallSeconds,
                figures.wallSeconds / one, figures.cpuSeconds * 1e6 / static_cast<double>(figures.chunks),
                static_cast<double>(PeakRssKiB()) / 1024.0, figures.allSucceeded ? "yes" : "NO");
  }
  SetDebugSink(nullptr);
  return 0;
}
