// Whole updates against the emulated bootloaders on a virtual clock. Two figures per
// case: the wall time the host spends (CPU cost of the procedures, the framing and the
// emulator) and "protocol_ms", the time the update takes on a virtual clock where the
// controller answers each report in the next 1 ms USB frame and an erase stays busy
// for 1.5 s: what a user waits for with a real controller of that pace.

#include <benchmark/benchmark.h>

#include "update/UpdateController.h"
#include "package/FirmwarePackage.h"
#include "sim/AddressedEmulator.h"
#include "sim/FramedEmulator.h"
#include "support/TestKit.h"

namespace vantor {
namespace {

using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;
using testkit::TempFile;

constexpr std::uint32_t kUsbFrameMs = 1;
constexpr std::uint32_t kEraseBusyMs = 1500;

struct Quiet {
  Quiet() { SetDebugSink([](const std::string&) {}); }
  ~Quiet() { SetDebugSink(nullptr); }
};

template <typename AttachEmulator>
void RunUpdates(benchmark::State& state, const TempFile& package, AttachEmulator attach) {
  Quiet quiet;
  std::uint64_t protocolMs = 0;
  std::int64_t updates = 0;
  for (auto _ : state) {
    VirtualClock clock;
    sim::SimHidBackend backend{clock};
    attach(backend, clock);
    testkit::ScriptedView view;
    view.ChooseFile(package.path());
    UpdateSession session{backend, view, clock};
    UpdateController controller{session};
    controller.Start(nullptr);
    const std::uint64_t before = clock.NowMs();
    controller.OnUpdateButton();
    controller.WaitForWorker();
    protocolMs += clock.NowMs() - before;
    if (session.outcome != UpdateOutcome::kSucceeded) state.SkipWithError("update did not succeed");
    ++updates;
  }
  state.counters["protocol_ms"] = benchmark::Counter(static_cast<double>(protocolMs) / updates);
  state.counters["image_bytes"] = static_cast<double>(state.range(0));
  state.SetBytesProcessed(updates * state.range(0));
}

void FramedUpdate(benchmark::State& state) {
  const TempFile package(PackageBytes({Section(0, PatternBytes(static_cast<std::size_t>(state.range(0)), 1))}));
  RunUpdates(state, package, [](sim::SimHidBackend& backend, Clock&) {
    sim::FramedEmulator::Settings settings;
    settings.replyDelayMs = kUsbFrameMs;
    sim::FramedEmulator::Attach(backend, settings);
  });
}
BENCHMARK(FramedUpdate)->Arg(4 * 1024)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);

void AddressedUpdate(benchmark::State& state) {
  const TempFile package(PackageBytes({Section(8194, PatternBytes(static_cast<std::size_t>(state.range(0)), 1))}));
  RunUpdates(state, package, [](sim::SimHidBackend& backend, Clock& clock) {
    sim::AddressedEmulator::Settings settings;
    settings.replyDelayMs = kUsbFrameMs;
    settings.eraseBusyMs = kEraseBusyMs;
    sim::AddressedEmulator::Attach(backend, clock, settings);
  });
}
BENCHMARK(AddressedUpdate)->Arg(4 * 1024)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);

void AddressedUpdateWithRadio(benchmark::State& state) {
  const TempFile package(PackageBytes({Section(8194, PatternBytes(static_cast<std::size_t>(state.range(0)), 1)),
                                       Section(0, PatternBytes(0x10000, 2), 0, 101, 0, 0x10000)}));
  RunUpdates(state, package, [](sim::SimHidBackend& backend, Clock& clock) {
    sim::AddressedEmulator::Settings settings;
    settings.replyDelayMs = kUsbFrameMs;
    settings.eraseBusyMs = kEraseBusyMs;
    sim::AddressedEmulator::Attach(backend, clock, settings);
  });
}
BENCHMARK(AddressedUpdateWithRadio)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);

void InspectPackage(benchmark::State& state) {
  std::vector<testkit::TestSection> sections;
  for (int i = 0; i < state.range(0); ++i) sections.push_back(Section(static_cast<std::uint16_t>(i + 1), PatternBytes(1024, 1)));
  const TempFile package(PackageBytes(sections));
  for (auto _ : state) {
    package::PackageReport report;
    std::string error;
    benchmark::DoNotOptimize(package::InspectPackage(package.path(), &report, &error));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(InspectPackage)->Arg(16)->Arg(256);

}  // namespace
}  // namespace vantor

BENCHMARK_MAIN();
