#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

#include "base/LocalizedText.h"
#include "update/UpdateController.h"
#include "sim/AddressedEmulator.h"
#include "sim/FramedEmulator.h"
#include "package/Sha256.h"
#include "sim/SimHidBackend.h"
#include "support/TestKit.h"

namespace vantor {
namespace {

using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;
using testkit::TempFile;

// Holds the worker inside the file-open dialog until the test lets it go, so the test
// can act on the dialog while an update runs.
class GatedView : public testkit::ScriptedView {
 public:
  std::optional<std::string> ChoosePackageFile(const std::string& filter, const std::string& folder) override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      entered_ = true;
      changed_.notify_all();
      changed_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
    }
    return ScriptedView::ChoosePackageFile(filter, folder);
  }
  bool WaitUntilEntered() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [this] { return entered_; });
  }
  // Called with each progress position, on the worker's thread.
  std::function<void(std::uint32_t)> onProgress;
  void SetProgressPos(std::uint32_t position) override {
    ScriptedView::SetProgressPos(position);
    if (onProgress) onProgress(position);
  }
  // Called with the offer, on the worker's thread, once it was confirmed.
  std::function<void(const PackageOffer&)> onOffer;
  int ConfirmOffer(const PackageOffer& offer, const std::string& seedQuestion) override {
    const int answer = ScriptedView::ConfirmOffer(offer, seedQuestion);
    if (onOffer) onOffer(offer);
    return answer;
  }
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool released_ = false;
};

class ControllerFixture : public ::testing::Test {
 protected:
  ControllerFixture() { SetUiLanguageOverride(kLanguageEnglishUs); }
  ~ControllerFixture() override { SetUiLanguageOverride(std::nullopt); }

  std::shared_ptr<sim::AddressedEmulator> AttachAddressed(std::uint32_t versionWord = 150) {
    sim::AddressedEmulator::Settings settings;
    settings.versionWord = versionWord;
    return sim::AddressedEmulator::Attach(backend, clock, settings);
  }

  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  GatedView view;
  UpdateSession session{backend, view, clock};
  UpdateController controller{session};
};

TEST_F(ControllerFixture, StartWithoutAControllerDisablesTheButton) {
  controller.Start(nullptr);
  EXPECT_EQ(view.buttonEnabled(), false);
  EXPECT_EQ(view.title(), "Vantor Update v2.00");
  EXPECT_FALSE(view.successShown());
  EXPECT_EQ(view.progress(), (std::vector<std::uint32_t>{0}));
  EXPECT_EQ(session.stopRequested, 1);
  EXPECT_EQ(session.framedPhase, FramedPhase::kFinish);

  EXPECT_FALSE(controller.OnUpdateButton()) << "nothing to open: no worker";
  EXPECT_FALSE(controller.IsUpdating());
}

TEST_F(ControllerFixture, AddressedVersionTitleSurvivesStart) {
  AttachAddressed(0x00020096);
  controller.Start(nullptr);
  EXPECT_EQ(view.buttonEnabled(), true);
  EXPECT_EQ(view.title(), "Vantor Update v2.00(Fw v1.5 beta2)");
  EXPECT_TRUE(session.titleShowsVersion);
}

TEST_F(ControllerFixture, DeviceChangesFollowPresence) {
  controller.Start(nullptr);
  auto emulator = AttachAddressed();
  controller.OnDeviceChange(kDbtDeviceArrival);
  EXPECT_EQ(view.buttonEnabled(), true);
  EXPECT_EQ(view.title(), "Vantor Update v2.00(Fw v1.5)") << "an arrival probes the controller";

  emulator->Unplug();
  testkit::DebugRecorder debug;
  controller.OnDeviceChange(kDbtDeviceRemoveComplete);
  EXPECT_EQ(view.buttonEnabled(), false);
  EXPECT_EQ(view.title(), "Vantor Update v2.00");
  EXPECT_TRUE(debug.Contains("Vantor Update v2.00"));

  const int opens = backend.opens();
  controller.OnDeviceChange(0x8001);  // not acted on
  controller.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_EQ(backend.opens(), opens) << "a device-tree event never probes";
}

TEST_F(ControllerFixture, OneWorkerAtATimeAndDeviceChangesWaitForIt) {
  AttachAddressed();
  controller.Start(nullptr);
  std::atomic<bool> exited{false};
  controller.onWorkerExit = [&] { exited = true; };

  ASSERT_TRUE(controller.OnUpdateButton());
  ASSERT_TRUE(view.WaitUntilEntered());
  EXPECT_TRUE(controller.IsUpdating());
  EXPECT_EQ(view.buttonEnabled(), false);
  const int opensDuringUpdate = backend.opens();

  EXPECT_FALSE(controller.OnUpdateButton()) << "a click while a worker runs does nothing";
  controller.OnDeviceChange(kDbtDeviceArrival);
  controller.OnDeviceChange(kDbtDevNodesChanged);
  EXPECT_EQ(view.buttonEnabled(), false) << "device changes do not enable the button mid-update";
  EXPECT_EQ(backend.opens(), opensDuringUpdate) << "no probe on the channel the worker uses";

  view.ChooseFile(std::nullopt);  // the user closes the file dialog
  view.Release();
  controller.WaitForWorker();
  EXPECT_TRUE(exited);
  EXPECT_EQ(view.buttonEnabled(), true) << "the worker's end brings the button back";
  controller.OnWorkerFinished();
  EXPECT_EQ(backend.opens(), opensDuringUpdate + 1) << "the arrival's probe runs once the worker has ended";
  EXPECT_EQ(session.outcome, UpdateOutcome::kNoPackage);
}

TEST_F(ControllerFixture, AStopRequestEndsTheUpdateWithoutSuccess) {
  auto emulator = AttachAddressed();
  controller.Start(nullptr);
  const TempFile file(PackageBytes({Section(8194, PatternBytes(46 * 40, 1))}));
  view.ChooseFile(file.path());
  view.Release();

  // Stop as soon as the worker reports progress mid-image, from the worker's thread.
  view.onProgress = [this](std::uint32_t position) {
    if (position >= 25) controller.RequestStop();
  };
  ASSERT_TRUE(controller.OnUpdateButton());
  controller.WaitForWorker();

  EXPECT_EQ(session.outcome, UpdateOutcome::kInterrupted);
  EXPECT_FALSE(view.successShown());
  EXPECT_FALSE(emulator->Restarted());
  EXPECT_LT(view.progress().back(), 100u);
  for (const testkit::ShownMessage& message : view.messages()) {
    EXPECT_EQ(message.text.find("Firmware upgraded!"), std::string::npos);
  }
}

// The package offered is the package written. A file changed after the offer, in place
// (its length kept) or replaced under its name, fails the update before the controller
// is told that the image is whole; the offer keeps the digest of the file it offered.
TEST_F(ControllerFixture, APackageChangedAfterTheOfferFailsTheUpdate) {
  const std::vector<std::uint8_t> bytes = PackageBytes({Section(0, PatternBytes(46 * 20, 1)),
                                                        Section(8194, PatternBytes(46 * 20, 2))});
  package::Sha256 digest;
  digest.Update(bytes.data(), bytes.size());
  const std::string offeredSha256 = digest.HexDigest();
  for (const bool addressed : {false, true}) {
    for (const bool inPlace : {true, false}) {
      SCOPED_TRACE(std::string(addressed ? "addressed" : "framed") + (inPlace ? ", in place" : ", replaced"));
      VirtualClock unitClock;
      sim::SimHidBackend unitBackend{unitClock};
      std::shared_ptr<sim::AddressedEmulator> addressedController;
      std::shared_ptr<sim::FramedEmulator> framedController;
      if (addressed) {
        addressedController = sim::AddressedEmulator::Attach(unitBackend, unitClock, {});
      } else {
        framedController = sim::FramedEmulator::Attach(unitBackend, {});
      }
      const TempFile file(bytes);
      GatedView unitView;
      unitView.ChooseFile(file.path());
      unitView.Release();
      unitView.onOffer = [&](const PackageOffer&) {
        std::vector<std::uint8_t> changed = bytes;
        changed[40] ^= 0xFF;
        const auto write = [&changed](std::ostream& out) {
          out.write(reinterpret_cast<const char*>(changed.data()), static_cast<std::streamsize>(changed.size()));
        };
        if (inPlace) {
          std::fstream out(file.path(), std::ios::in | std::ios::out | std::ios::binary);
          write(out);
        } else {
          const std::string replacement = file.path() + ".new";
          {
            std::ofstream out(replacement, std::ios::binary | std::ios::trunc);
            write(out);
          }
          // Windows' rename does not replace an existing file.
          std::remove(file.path().c_str());
          std::rename(replacement.c_str(), file.path().c_str());
        }
      };
      UpdateSession unitSession{unitBackend, unitView, unitClock};
      {
        UpdateController unitController{unitSession};
        unitController.Start(nullptr);
        ASSERT_TRUE(unitController.OnUpdateButton());
        unitController.WaitForWorker();
        unitController.OnWorkerFinished();
      }
      const UpdateResult result = unitSession.result();
      EXPECT_EQ(result.outcome, UpdateOutcome::kFailed);
      EXPECT_EQ(result.reason, FailureReason::kPackageUnreadable);
      ASSERT_TRUE(unitSession.offer().has_value());
      EXPECT_EQ(unitSession.offer()->packageSha256, offeredSha256);
      if (addressed) {
        EXPECT_FALSE(addressedController->Restarted());
        EXPECT_NE(addressedController->VersionWord(), 100u) << "no version stamped over the changed bytes";
      } else {
        EXPECT_FALSE(framedController->Finished());
      }
    }
  }
}

// Another controller arriving or leaving while an update runs changes presence only:
// the update keeps the controller, the protocol and the image it started with.
class OwnedControllerTest : public ControllerFixture {
 protected:
  using Bytes = std::vector<std::uint8_t>;

  // A framed controller that detection would now take first.
  std::shared_ptr<sim::FramedEmulator> PlugFramedFirst() {
    auto framed = std::make_shared<sim::FramedEmulator>(sim::FramedEmulator::Settings{});
    backend.AddDeviceFirst("framed-first", sim::FramedEmulator::kVendorId, sim::FramedEmulator::kProductId, framed);
    return framed;
  }
  void Finish() {
    view.Release();
    controller.WaitForWorker();
    controller.OnWorkerFinished();
  }

  // The framed controller's 92-byte image first, the addressed controller's after it.
  const Bytes framedImage = PatternBytes(92, 5);
  const Bytes addressedImage = PatternBytes(184, 7);
  const TempFile file{PackageBytes({Section(0, framedImage), Section(8194, addressedImage)})};
};

TEST_F(OwnedControllerTest, AnArrivalDuringAnUpdateKeepsItsProtocol) {
  auto addressed = AttachAddressed();
  controller.Start(nullptr);
  view.ChooseFile(file.path());
  ASSERT_TRUE(controller.OnUpdateButton());
  ASSERT_TRUE(view.WaitUntilEntered());

  auto framed = PlugFramedFirst();
  controller.OnDeviceChange(kDbtDeviceArrival);
  Finish();

  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(addressed->MainImage(), addressedImage);
  EXPECT_EQ(framed->CountOf(22, 1), 0u) << "no framed header anywhere";
  EXPECT_EQ(addressed->Commands().size(), addressed->CountOf(3) + addressed->CountOf(4) + addressed->CountOf(2) +
                                              addressed->CountOf(7) + addressed->CountOf(0xC0))
      << "only addressed commands on the addressed channel";
}

TEST_F(OwnedControllerTest, ARemovalDuringAnUpdateKeepsItsProtocol) {
  auto addressed = AttachAddressed();
  sim::AddressedEmulator::Settings second;
  auto other = sim::AddressedEmulator::Attach(backend, clock, second, "second-controller");
  controller.Start(nullptr);
  view.ChooseFile(file.path());
  ASSERT_TRUE(controller.OnUpdateButton());
  ASSERT_TRUE(view.WaitUntilEntered());

  // A framed controller whose arrival is not yet told, then the second one leaves.
  auto framed = PlugFramedFirst();
  other->Unplug();
  controller.OnDeviceChange(kDbtDeviceRemoveComplete);
  Finish();

  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(addressed->MainImage(), addressedImage);
  EXPECT_EQ(framed->CountOf(22, 1), 0u);
}

TEST_F(OwnedControllerTest, AFramedUpdateKeepsItsProtocolWhenAnAddressedControllerArrives) {
  auto framed = sim::FramedEmulator::Attach(backend, {});
  controller.Start(nullptr);
  view.ChooseFile(file.path());
  ASSERT_TRUE(controller.OnUpdateButton());
  ASSERT_TRUE(view.WaitUntilEntered());

  sim::AddressedEmulator::Settings settings;
  auto addressed = std::make_shared<sim::AddressedEmulator>(clock, settings);
  backend.AddDeviceFirst("addressed-first", sim::AddressedEmulator::kVendorId, sim::AddressedEmulator::kProductId,
                         addressed);
  controller.OnDeviceChange(kDbtDeviceArrival);
  Finish();

  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(framed->MainImage(), framedImage);
  EXPECT_TRUE(framed->Finished());
  EXPECT_EQ(addressed->CountOf(4) + addressed->CountOf(3), 0u) << "nothing erased or written on the newcomer";
}


// Without threads (the browser page) the click itself runs the update: the view is
// called on the clicking thread, the click returns with the update ended, and a device
// change that a handler delivers while the update waits is held like one that comes
// while a worker thread runs, until the ended update is released.
TEST_F(OwnedControllerTest, AnUpdateOnTheCallingThreadEndsInsideTheClick) {
  auto addressed = AttachAddressed();
  UpdateSession inlineSession{backend, view, clock};
  UpdateController inlineController{inlineSession, WorkerPlace::kCallingThread};
  inlineController.Start(nullptr);
  view.ChooseFile(file.path());
  view.Release();
  const std::thread::id clicking = std::this_thread::get_id();
  std::vector<std::thread::id> viewThreads;
  int opensDuringUpdate = -1;
  view.onOffer = [&](const PackageOffer&) {
    viewThreads.push_back(std::this_thread::get_id());
    EXPECT_FALSE(inlineController.OnUpdateButton()) << "a second click while it runs does nothing";
    opensDuringUpdate = backend.opens();
    PlugFramedFirst();
    inlineController.OnDeviceChange(kDbtDeviceArrival);
    EXPECT_EQ(backend.opens(), opensDuringUpdate) << "no probe on the channel the update uses";
  };
  bool exited = false;
  inlineController.onWorkerExit = [&] {
    viewThreads.push_back(std::this_thread::get_id());
    exited = true;
  };

  ASSERT_TRUE(inlineController.OnUpdateButton());
  EXPECT_TRUE(exited) << "the update has ended when the click returns";
  EXPECT_EQ(viewThreads, (std::vector<std::thread::id>{clicking, clicking}));
  EXPECT_EQ(inlineSession.outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(addressed->MainImage(), addressedImage);
  EXPECT_TRUE(inlineController.HasWorker()) << "held until released, as a thread is until joined";
  EXPECT_FALSE(inlineController.IsUpdating());
  const int opensAtTheEnd = backend.opens();

  inlineController.WaitForWorker();
  inlineController.OnWorkerFinished();
  EXPECT_FALSE(inlineController.HasWorker());
  EXPECT_GT(backend.opens(), opensAtTheEnd) << "the arrival's probe runs once the update is released";
}

}  // namespace
}  // namespace vantor
