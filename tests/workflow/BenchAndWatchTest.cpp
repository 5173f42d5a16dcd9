// The bench's and watch's decisions on emulated controllers in virtual time: what is
// judged before anything is written, what each unit gets, and the device watch.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <utility>

#include <unistd.h>

#include "support/TestKit.h"
#include "EmulatedEnvironment.h"
#include "LockFolder.h"
#include "workflow/AttachedControllers.h"
#include "workflow/Bench.h"
#include "workflow/DeviceWatch.h"
#include "workflow/Environment.h"
#include "workflow/WaitForController.h"
#include "workflow/Watch.h"

namespace vantor::workflow {
namespace {

using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;
using testkit::TempFile;

using BenchTest = LockFolderTest;

TEST(EnvironmentTest, BadSimulationSettingsAreTheirOwnProblem) {
  SimulationSettings settings;
  settings.protocols = "addressed";
  settings.fault = "no-such-fault";
  EXPECT_EQ(Environment::Create(settings).problem, EnvironmentProblem::kBadSimulation);
  EXPECT_EQ(Environment::Create(settings).refusedFault, RefusedFault::kController);
  settings.protocols = "addressed,framed";
  settings.fault = "7:fail";
  EXPECT_EQ(Environment::Create(settings).problem, EnvironmentProblem::kBadSimulation);
  EXPECT_EQ(Environment::Create(settings).refusedFault, RefusedFault::kBench);
  settings.protocols = "serial";
  EXPECT_EQ(Environment::Create(settings).refusedFault, RefusedFault::kNone) << "the emulation itself is wrong";
  settings.fault.clear();
  EXPECT_EQ(Environment::Create(settings).problem, EnvironmentProblem::kBadSimulation);
}

// Every unit is judged before the first report goes to any: a package with nothing
// for the framed unit leaves both units untouched.
TEST_F(BenchTest, AUnitThePackageIsNotForStopsTheBenchBeforeAnythingIsWritten) {
  {
    std::unique_ptr<Environment> environment = EmulatedEnvironment("addressed,framed");
    const TempFile addressedOnly(PackageBytes({Section(8194, PatternBytes(500, 1))}));
    workflow::Bench bench(*environment, addressedOnly.path(), {});
    bench.Prepare(AttachedControllers(environment->backend()));
    ASSERT_EQ(bench.units().size(), 2u);
    EXPECT_EQ(bench.units().front().verdict().problem, UnitProblem::kNone);
    EXPECT_EQ(bench.units().back().verdict().problem, UnitProblem::kNothingForIt);
    EXPECT_FALSE(bench.ready());
    EXPECT_TRUE(environment->bench()->MainImage(0).empty());
    EXPECT_TRUE(environment->bench()->MainImage(1).empty());
  }

  const std::vector<std::uint8_t> framedImage = PatternBytes(700, 2);
  const std::vector<std::uint8_t> addressedImage = PatternBytes(900, 3);
  const TempFile both(PackageBytes({Section(0, framedImage), Section(8194, addressedImage)}));
  std::unique_ptr<Environment> second = EmulatedEnvironment("addressed,framed");
  workflow::Bench ready(*second, both.path(), {});
  ready.Prepare(AttachedControllers(second->backend()));
  ASSERT_TRUE(ready.ready());
  CancelToken cancel;
  ready.Run(cancel);
  for (const BenchUnit& unit : ready.units()) EXPECT_EQ(unit.job().result().outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(second->bench()->MainImage(0), addressedImage);
  EXPECT_EQ(second->bench()->MainImage(1), framedImage);
}

TEST_F(BenchTest, AControllerAnotherUpdateHoldsIsBusyAndNotProbed) {
  std::unique_ptr<Environment> environment = EmulatedEnvironment("addressed", "0");
  const std::vector<hid::FoundController> attached = AttachedControllers(environment->backend());
  ASSERT_EQ(attached.size(), 1u);
  ControllerLock::Taken held = ControllerLock::Acquire(attached.front());
  ASSERT_TRUE(held.lock);
  const TempFile package(PackageBytes({Section(8194, PatternBytes(100, 1))}));
  workflow::Bench bench(*environment, package.path(), {});
  bench.Prepare(attached);
  EXPECT_EQ(bench.units().front().verdict().problem, UnitProblem::kBusy);
  EXPECT_FALSE(bench.units().front().job().report().present) << "probed behind the holder's back";
}

TEST(DeviceWatchTest, ArrivalsComeOnTheBenchSchedule) {
  std::unique_ptr<Environment> environment = EmulatedEnvironment("addressed,framed", "0,3000");
  std::unique_ptr<DeviceWatch> watch = environment->Watch();
  EXPECT_FALSE(watch->monitored()) << "emulated controllers come on the clock";
  ASSERT_EQ(watch->attached().size(), 1u);
  CancelToken cancel;
  EXPECT_TRUE(watch->Next(1000, cancel).empty()) << "nothing before its time";
  const AttachedChange change = watch->Next(10000, cancel);
  ASSERT_EQ(change.arrived.size(), 1u);
  EXPECT_EQ(change.arrived.front().protocol, hid::Protocol::kFramed);
  EXPECT_EQ(watch->attached().size(), 2u);

  std::vector<hid::FoundController> found;
  EXPECT_EQ(WaitForController(*watch, "no-such", 2000, cancel, environment->clock(), &found), WaitEnd::kTimedOut);
  cancel.Cancel();
  EXPECT_EQ(WaitForController(*watch, "no-such", std::nullopt, cancel, environment->clock(), &found),
            WaitEnd::kCancelled);
}

// A monitored watch: udevd's rules for a new node end after the node is born, and its
// notice comes then. A look in between (the watch also looks on its own every few
// seconds) must not offer the controller, or it is offered before this user may open
// it and the notice finds nothing new to offer.
class ListedBackend final : public hid::HidBackend {
 public:
  std::vector<hid::HidInterface> interfaces;
  std::vector<hid::HidInterface> Enumerate() override { return interfaces; }
  std::unique_ptr<hid::HidChannel> Open(const std::string&, hid::OpenError* error) override {
    *error = hid::OpenError::kNotFound;
    return nullptr;
  }
  std::unique_ptr<hid::NotificationRegistration> RegisterNotifications(void*) override { return nullptr; }
};

class UdevLike final : public ChangeSignal {
 public:
  explicit UdevLike(Clock& clock) : clock_(clock) {}
  bool Wait(std::uint32_t timeoutMs) override {
    if (std::exchange(notice, false)) return true;
    clock_.Pause(timeoutMs);
    return false;
  }
  void Wake() override {}
  bool Settled(const std::string& path) override { return settled.count(path) != 0; }
  bool notice = false;
  std::set<std::string> settled;

 private:
  Clock& clock_;
};

TEST(DeviceWatchTest, AMonitoredWatchOffersANodeOnlyOnceTheSystemHasSetItUp) {
  ListedBackend backend;
  VirtualClock clock;
  auto owned = std::make_unique<UdevLike>(clock);
  UdevLike& udev = *owned;
  const hid::HidInterface addressed{"/dev/hidraw3", 0x2dc8, 0x3002, std::nullopt, std::nullopt};
  backend.interfaces = {addressed};
  DeviceWatch watch(backend, clock, std::move(owned));
  EXPECT_TRUE(watch.attached().empty()) << "held while udevd was still at it";

  CancelToken cancel;
  EXPECT_TRUE(watch.Next(1, cancel).empty()) << "a look of its own, before udevd is done";
  udev.settled.insert(addressed.path);
  udev.notice = true;
  const AttachedChange change = watch.Next(1, cancel);
  ASSERT_EQ(change.arrived.size(), 1u) << "the notice after the rules offers it";
  EXPECT_EQ(change.arrived.front().path, addressed.path);

  // Once held it stays, whatever the system says of it later.
  udev.settled.clear();
  EXPECT_TRUE(watch.Next(1, cancel).empty());
  EXPECT_EQ(watch.attached().size(), 1u);
}

// The repair bench's loop: each unit is updated once as it appears (and not again while
// it stays); the watch ends on a cancel with every update ended.
class Ending final : public WatchListener {
 public:
  Ending(CancelToken& cancel, std::size_t units) : cancel_(cancel), units_(units) {}
  void OnUnitEnded(const BenchUnit& unit) override {
    if (unit.job().result().outcome == UpdateOutcome::kSucceeded) ++succeeded;
    if (++ended == units_) cancel_.Cancel();
  }
  void OnUnitRefused(const BenchUnit&) override { ++refused; }
  std::atomic<std::size_t> ended{0};
  std::atomic<std::size_t> succeeded{0};
  std::atomic<std::size_t> refused{0};

 private:
  CancelToken& cancel_;
  std::size_t units_;
};

TEST_F(BenchTest, WatchUpdatesEachUnitAsItAppears) {
  std::unique_ptr<Environment> environment = EmulatedEnvironment("addressed,framed,addressed", "0,2000,4000");
  const std::vector<std::uint8_t> framedImage = PatternBytes(300, 4);
  const std::vector<std::uint8_t> addressedImage = PatternBytes(400, 5);
  const TempFile package(PackageBytes({Section(0, framedImage), Section(8194, addressedImage)}));
  CancelToken cancel;
  Ending listener(cancel, 3);
  workflow::Watch watch(*environment, package.path(), "", {}, listener);
  const UnitTally tally = watch.Run(cancel);
  EXPECT_EQ(tally.updated, 3u);
  EXPECT_EQ(listener.succeeded.load(), 3u);
  EXPECT_EQ(tally.refused, 0u);
  EXPECT_EQ(environment->bench()->MainImage(0), addressedImage);
  EXPECT_EQ(environment->bench()->MainImage(1), framedImage);
  EXPECT_EQ(environment->bench()->MainImage(2), addressedImage);
}

}  // namespace
}  // namespace vantor::workflow
