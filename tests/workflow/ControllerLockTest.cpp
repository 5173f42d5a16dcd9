#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>

#include "LockFolder.h"
#include "workflow/AttachedControllers.h"
#include "workflow/ControllerLock.h"

namespace vantor::workflow {
namespace {

hid::FoundController Controller(std::string path, std::optional<std::string> serial,
                                std::optional<std::string> location = std::nullopt) {
  return {std::move(path), 0x2DC8, 0x3002, hid::Protocol::kAddressed, std::move(serial), std::move(location)};
}

TEST(Selection, NamesOneByPathSerialOrLocationAndNeverChoosesAmongSeveral) {
  const std::vector<hid::FoundController> attached = {Controller("sim-1", "VTSIM0001", "9-1"),
                                                      Controller("sim-2", "VTSIM0002", "9-2")};
  EXPECT_EQ(Select({}, "", false).problem, SelectionProblem::kNoneAttached);
  EXPECT_EQ(Select(attached, "", false).problem, SelectionProblem::kSeveral);
  EXPECT_EQ(Select(attached, "", true).controllers.size(), 2u);
  EXPECT_EQ(Select(attached, "nothing", false).problem, SelectionProblem::kNoMatch);
  for (const std::string name : {"sim-2", "VTSIM0002", "9-2"}) {
    const Selection one = Select(attached, name, false);
    ASSERT_EQ(one.controllers.size(), 1u) << name;
    EXPECT_EQ(one.controllers.front().path, "sim-2");
  }
}

#ifndef _WIN32
class LockTest : public LockFolderTest {
 protected:
  std::string LockPathOf(const hid::FoundController& controller) const {
    return (folder_ / LockFileName(controller)).string();
  }
};

TEST_F(LockTest, OneHolderPerControllerAndDistinctNamesForDistinctControllers) {
  const hid::FoundController slash = Controller("sim-1", "a/b");
  ControllerLock::Taken first = ControllerLock::Acquire(slash);
  ASSERT_TRUE(first.lock) << first.detail;
  EXPECT_EQ(ControllerLock::Acquire(slash).problem, LockProblem::kBusy);
  // Serial numbers that differ only in a character a file name cannot hold.
  EXPECT_TRUE(ControllerLock::Acquire(Controller("sim-1", "a_b")).lock) << "a_b shares a/b's lock";
  // A serial number far longer than a file name may be.
  ControllerLock::Taken longSerial = ControllerLock::Acquire(Controller("sim-1", std::string(4000, 'x')));
  EXPECT_TRUE(longSerial.lock) << longSerial.detail;
  first.lock.reset();
  EXPECT_TRUE(ControllerLock::Acquire(slash).lock) << "released with its holder";
}

// What another user may put where a lock file belongs: a symbolic link is not
// followed and a FIFO is refused at once, never waited on.
TEST_F(LockTest, ALinkOrAFifoInTheLocksPlaceIsRefusedWithoutBlocking) {
  const hid::FoundController linked = Controller("sim-1", "LINKED");
  const std::string target = (folder_ / "elsewhere").string();
  ASSERT_EQ(symlink(target.c_str(), LockPathOf(linked).c_str()), 0);
  EXPECT_EQ(ControllerLock::Acquire(linked).problem, LockProblem::kError);
  EXPECT_FALSE(std::filesystem::exists(target)) << "the link was followed";

  const hid::FoundController piped = Controller("sim-1", "PIPED");
  ASSERT_EQ(mkfifo(LockPathOf(piped).c_str(), 0666), 0);
  const ControllerLock::Taken taken = ControllerLock::Acquire(piped);
  EXPECT_EQ(taken.problem, LockProblem::kError);
  EXPECT_NE(taken.detail.find("not a regular file"), std::string::npos) << taken.detail;
}

// A controller with a device node is locked on the node itself, so whoever runs the
// update (a desktop session, sudo) takes the same lock; /dev/null stands in for it.
TEST_F(LockTest, AControllerWithADeviceNodeIsLockedOnTheNode) {
  const hid::FoundController node = Controller("/dev/null", "NODE");
  ControllerLock::Taken first = ControllerLock::Acquire(node);
  ASSERT_TRUE(first.lock) << first.detail;
  EXPECT_EQ(first.lock->name(), "/dev/null");
  EXPECT_EQ(ControllerLock::Acquire(node).problem, LockProblem::kBusy);
  EXPECT_FALSE(std::filesystem::exists(LockPathOf(node))) << "no lock file for a node";
}
#endif

}  // namespace
}  // namespace vantor::workflow
