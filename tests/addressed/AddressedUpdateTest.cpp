#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>

#include "addressed/AddressedCommands.h"
#include "addressed/AddressedUpdate.h"
#include "addressed/AddressedVerify.h"
#include "base/LocalizedText.h"
#include "sim/AddressedEmulator.h"
#include "support/FaultyLink.h"
#include "support/TestKit.h"
#include "update/UpdateController.h"

namespace vantor::addressed {
namespace {

using Bytes = std::vector<std::uint8_t>;
using sim::AddressedEmulator;
using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;

constexpr std::uint32_t kMainAddress = 0x08004000;
constexpr std::uint32_t kRadioAddress = 0x20000;
const char* const kSuccessBox = "\n Firmware upgraded! \n";
const char* const kFailureBox = "Firmware update failure\n";

// Adds byte counts and hooks on the worker's calls to the scripted view.
class HookedView : public testkit::ScriptedView {
 public:
  std::function<void(std::uint32_t)> onProgress;
  std::function<void(const std::string&)> onMessage;

  void SetProgressPos(std::uint32_t position) override {
    ScriptedView::SetProgressPos(position);
    if (onProgress) onProgress(position);
  }
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override {
    if (onMessage) onMessage(text);
    return ScriptedView::ShowMessage(text, caption, buttons);
  }
  void ReportBytes(const ByteProgress& progress) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lastBytes_ = {progress.sent, progress.total};
  }
  std::pair<std::uint64_t, std::uint64_t> lastBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastBytes_;
  }

 private:
  mutable std::mutex mutex_;
  std::pair<std::uint64_t, std::uint64_t> lastBytes_;
};

// A dialog without a window, on an emulated controller, in virtual time.
struct Rig {
  explicit Rig(AddressedEmulator::Settings settings = {}) {
    SetUiLanguageOverride(kLanguageEnglishUs);
    emulator = AddressedEmulator::Attach(backend, clock, std::move(settings));
  }
  // The controller behind a cable with faults of its own, set up by `wire`.
  Rig(AddressedEmulator::Settings settings, const std::function<void(testkit::FaultyLink&)>& wire) {
    SetUiLanguageOverride(kLanguageEnglishUs);
    emulator = std::make_shared<AddressedEmulator>(clock, std::move(settings));
    auto link = std::make_shared<testkit::FaultyLink>(emulator);
    wire(*link);
    backend.AddDevice("controller", AddressedEmulator::kVendorId, AddressedEmulator::kProductId, link);
  }
  ~Rig() { SetUiLanguageOverride(std::nullopt); }

  void Update(const Bytes& package) {
    const testkit::TempFile file(package);
    view.ChooseFile(file.path());
    ASSERT_TRUE(controller.OnUpdateButton());
    controller.WaitForWorker();
    controller.OnWorkerFinished();
  }
  // The boxes shown after the confirmation question.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const testkit::ShownMessage& message : view.messages()) {
      if (message.buttons != MessageButtons::kOkCancel) texts.push_back(message.text);
    }
    return texts;
  }
  // Image bytes the controller was given, in order.
  Bytes Streamed(std::uint32_t from, std::uint32_t to) const {
    Bytes bytes;
    for (const AddressedEmulator::Command& command : emulator->Commands()) {
      if (command.code == kCommandWriteImageData && command.address >= from && command.address < to) {
        bytes.insert(bytes.end(), command.data.begin(), command.data.end());
      }
    }
    return bytes;
  }

  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  HookedView view;
  UpdateSession session{backend, view, clock};
  UpdateController controller{session};
  std::shared_ptr<AddressedEmulator> emulator;
};

// A main image followed by a section that must never reach the controller.
Bytes MainPackage(const Bytes& image, std::uint16_t version = 151, std::uint16_t beta = 0) {
  return PackageBytes({Section(8194, image, 0, version, beta, kMainAddress), Section(1, Bytes(100, 0xA5))});
}

// Large enough to carry a radio image: main, radio (its own 28-byte header first),
// then a section that must never reach the controller.
Bytes RadioPackage(const Bytes& main, const Bytes& radio, std::uint32_t mainAddress = kMainAddress,
                   std::uint32_t radioAddress = kRadioAddress) {
  Bytes section(28, 0x5C);
  section.insert(section.end(), radio.begin(), radio.end());
  return PackageBytes({Section(8194, main, 0, 151, 0, mainAddress), Section(0, section, 0, 0x0105, 0, radioAddress),
                       Section(1, Bytes(64, 0xA5))});
}

const Bytes kMainImage = PatternBytes(1000, 1);  // 21 full chunks and one of 34 bytes
const Bytes kLargeMain = PatternBytes(60000, 2);
const Bytes kRadioImage = PatternBytes(20000, 3);

TEST(AddressedDetection, TitleShowsTheReportedVersion) {
  const std::pair<std::uint32_t, std::string> cases[] = {{150, "Vantor Update v2.00(Fw v1.5)"},
                                                         {150 | 2u << 16, "Vantor Update v2.00(Fw v1.5 beta2)"},
                                                         {156, "Vantor Update v2.00(Fw v1.56)"},
                                                         {162 | 3u << 16, "Vantor Update v2.00(Fw v1.62 beta3)"}};
  for (const auto& [word, title] : cases) {
    AddressedEmulator::Settings settings;
    settings.versionWord = word;
    settings.deviceType = 8198;
    settings.deviceVariant = 1;
    Rig rig(settings);
    rig.controller.Start(nullptr);
    EXPECT_EQ(rig.view.title(), title);
    EXPECT_TRUE(rig.session.titleShowsVersion);
    EXPECT_EQ(rig.session.deviceVersion, word);
    EXPECT_EQ(rig.session.state.deviceType(), 8194) << "8198 is updated with 8194's image";
    EXPECT_EQ(rig.session.state.deviceVariant(), 1);
    EXPECT_EQ(rig.emulator->CountOf(kCommandRead), 0u) << "no radio version before a package with one";
  }

  AddressedEmulator::Settings empty;
  empty.versionWord = kNoFirmware;
  Rig rig(empty);
  rig.controller.Start(nullptr);
  EXPECT_EQ(rig.view.title(), "Vantor Update v2.00");
  EXPECT_FALSE(rig.session.titleShowsVersion);
  ASSERT_EQ(rig.view.messages().size(), 1u);
  EXPECT_EQ(rig.view.messages()[0].text, LocalizedText(text::kInstructions));
  EXPECT_EQ(rig.view.messages()[0].caption, "Vantor Update v2.00");
  EXPECT_EQ(rig.view.buttonEnabled(), true);
}

TEST(AddressedDetection, FailuresAreShownUnderTheProgramsName) {
  AddressedEmulator::Settings silent;
  silent.faults.drops = {{{kCommandDeviceInfo, 1}, 100}};
  Rig rig(silent);
  rig.controller.Start(nullptr);
  ASSERT_EQ(rig.view.messages().size(), 1u);
  EXPECT_EQ(rig.view.messages()[0].text, "Get gamepad info error");
  EXPECT_EQ(rig.view.messages()[0].caption, "");
  EXPECT_EQ(rig.view.buttonEnabled(), false);
  EXPECT_EQ(rig.session.deviceVersion, kVersionNotReported);

  AddressedEmulator::Settings deaf;
  deaf.faults.drops = {{{kCommandRead, 1}, 100}};
  Rig noRadio(deaf);
  noRadio.session.hasBleImage = 1;
  noRadio.controller.Start(nullptr);
  ASSERT_EQ(noRadio.view.messages().size(), 1u);
  EXPECT_EQ(noRadio.view.messages()[0].text, "Get ble version failed\n");
  EXPECT_EQ(noRadio.view.messages()[0].caption, "");
}

TEST(AddressedUpdate, MainImageIsWrittenStampedAndRun) {
  Rig rig;
  rig.controller.Start(nullptr);
  rig.Update(MainPackage(kMainImage, 151, 3));

  EXPECT_EQ(rig.emulator->MainImage(), kMainImage);
  EXPECT_EQ(rig.Streamed(0, 0xFFFFFFFF), kMainImage) << "the last chunk stops at the section's end";
  EXPECT_EQ(rig.emulator->VersionWord(), 151u | 3u << 16);
  EXPECT_TRUE(rig.emulator->Restarted());
  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{kSuccessBox});
  EXPECT_EQ(rig.view.messages().back().caption, "Vantor Update v2.00");
  EXPECT_TRUE(rig.view.successShown());
  const std::vector<std::uint32_t> progress = rig.view.progress();
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(progress[progress.size() - 2], 100u);
  EXPECT_EQ(progress.back(), 0u) << "reset once the success box is closed";
  EXPECT_EQ(rig.view.lastBytes(), (std::pair<std::uint64_t, std::uint64_t>{1000, 1000}));
  EXPECT_EQ(rig.session.outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(rig.view.buttonEnabled(), true);
}

TEST(AddressedUpdate, RadioImageFollowsTheMainImage) {
  Rig rig;
  rig.controller.Start(nullptr);
  rig.Update(RadioPackage(kLargeMain, kRadioImage));

  EXPECT_EQ(rig.emulator->MainImage(), kLargeMain);
  EXPECT_EQ(rig.emulator->VersionWord(), 151u);
  const Bytes radio = rig.emulator->BleImage();
  ASSERT_EQ(radio.size(), kRadioImage.size() + 28) << "the erase covers the whole section";
  EXPECT_EQ(Bytes(radio.begin(), radio.begin() + kRadioImage.size()), kRadioImage) << "its own header is skipped";
  EXPECT_EQ(rig.Streamed(kRadioAddressBit, 0xFFFFFFFF), kRadioImage);
  EXPECT_EQ(rig.emulator->RadioVersion(), 0x0105);
  EXPECT_EQ(rig.emulator->RadioCheckWord(), 0x0000);
  EXPECT_TRUE(rig.emulator->Restarted());
  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{kSuccessBox});
  EXPECT_EQ(rig.session.state.bleSent(), kRadioImage.size());
  rig.controller.OnDeviceChange(kDbtDeviceArrival);  // the restarted controller is probed
  EXPECT_EQ(rig.session.state.deviceBleVersion(), 0x0105u);
  const std::uint64_t total = kLargeMain.size() + kRadioImage.size();
  EXPECT_EQ(rig.view.lastBytes(), (std::pair<std::uint64_t, std::uint64_t>{total, total}));
  const std::vector<std::uint32_t> progress = rig.view.progress();
  EXPECT_TRUE(std::is_sorted(progress.begin() + 1, progress.end() - 1));
  EXPECT_EQ(progress[progress.size() - 2], 100u);
}

TEST(AddressedUpdate, RadioOnlyPackageLeavesTheMainFlashAlone) {
  Rig rig;
  rig.controller.Start(nullptr);
  Bytes package = RadioPackage({}, kRadioImage);
  package.resize(0x10000, 0);  // zero filler: empty sections up to the size that carries a radio image
  rig.Update(package);
  EXPECT_EQ(rig.emulator->CountOf(kCommandErase), 1u);
  EXPECT_EQ(rig.emulator->VersionWord(), 150u) << "no version stamped without a main image";
  EXPECT_EQ(rig.Streamed(kRadioAddressBit, 0xFFFFFFFF), kRadioImage);
  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{kSuccessBox});
}

TEST(AddressedUpdate, LostStaleAndSlowRepliesAreRidden) {
  AddressedEmulator::Settings settings;
  settings.replyDelayMs = 1;
  settings.eraseBusyMs = 1500;
  const std::uint32_t mainChunks = (kLargeMain.size() + 45) / 46;
  // The seventh main chunk's reply is lost (sent again once); the third radio chunk
  // answers only at its tenth attempt.
  settings.faults.drops = {{{kCommandWriteImageData, 7}, 1}, {{kCommandWriteImageData, mainChunks + 1 + 3}, 9}};
  settings.faults.staleBefore = {{kCommandWriteImageData, 4}, {kCommandWriteBlock, 1}};
  Rig rig(settings);
  rig.controller.Start(nullptr);
  rig.Update(RadioPackage(kLargeMain, kRadioImage));
  EXPECT_EQ(rig.emulator->MainImage(), kLargeMain);
  EXPECT_EQ(rig.Streamed(kRadioAddressBit, 0xFFFFFFFF).size(), kRadioImage.size() + 9 * 46);
  EXPECT_EQ(rig.emulator->RadioVersion(), 0x0105);
  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{kSuccessBox});
}

// A reply that comes after its command's reads have given up must not be taken for
// the acknowledgement of a later chunk that never arrived.
TEST(AddressedUpdate, ALateAcknowledgementNeverHidesALostChunk) {
  for (const std::uint32_t lostAt : {4u, 5u, 6u}) {
    SCOPED_TRACE(lostAt);
    AddressedEmulator::Settings settings;
    settings.replyDelayMs = 1;
    Rig rig(settings, [&](testkit::FaultyLink& link) {
      link.Delay(kCommandWriteImageData, 3, 300);  // past the 20 reads of 10 ms
      link.Lose(kCommandWriteImageData, lostAt);
    });
    rig.controller.Start(nullptr);
    rig.Update(MainPackage(kMainImage));

    ASSERT_EQ(rig.session.outcome, UpdateOutcome::kSucceeded);
    EXPECT_EQ(rig.emulator->MainImage(), kMainImage) << "every chunk is in the flash";
    EXPECT_TRUE(rig.emulator->Restarted());
  }
}

// Only a controller that took the run command has left its boot mode for the new
// firmware. A run command that went missing is sent once more when the bootloader is
// found still there; one that never arrives is told as a failure, and the controller
// can be updated again.
TEST(AddressedUpdate, ARunCommandMustArrive) {
  for (const std::uint32_t lost : {1u, 2u}) {
    SCOPED_TRACE(lost);
    Rig rig({}, [&](testkit::FaultyLink& link) {
      for (std::uint32_t occurrence = 1; occurrence <= lost; ++occurrence) link.Lose(kCommandRun, occurrence);
    });
    rig.controller.Start(nullptr);
    rig.Update(MainPackage(kMainImage));

    EXPECT_EQ(rig.emulator->MainImage(), kMainImage);
    const bool arrived = lost < 2;
    EXPECT_EQ(rig.emulator->Restarted(), arrived);
    EXPECT_EQ(rig.session.outcome, arrived ? UpdateOutcome::kSucceeded : UpdateOutcome::kFailed);
    EXPECT_EQ(rig.view.successShown(), arrived);
    if (!arrived) {
      EXPECT_EQ(rig.session.result().stage, UpdateStage::kRestarting);
      EXPECT_EQ(rig.session.result().reason, FailureReason::kUnconfirmed) << "sent, but never seen to be taken";
    }
  }
}

// A controller may restart the moment it takes the run command, before its answer can
// be read: its boot-mode device leaving right then is the restart asked for. Where the
// leaving cannot be tied to the run command the update is not called a success.
TEST(AddressedUpdate, LeavingInAnswerToTheRunCommandIsTheRestart) {
  struct Case {
    const char* name;
    std::uint32_t leavesAfterMs;
    std::uint32_t lostRunReplies;
    UpdateOutcome outcome;
    FailureReason reason;
  };
  const Case cases[] = {
      {"at once", 0, 0, UpdateOutcome::kSucceeded, FailureReason::kNone},
      {"after its answer", 5, 0, UpdateOutcome::kSucceeded, FailureReason::kNone},
      {"its answer lost, then leaving", 50, 1, UpdateOutcome::kSucceeded, FailureReason::kNone},
      // Past the run command's reads, and gone while the updater asks whether it is
      // there: it may have taken the command, or have been pulled out.
      {"its answer lost, leaving much later", 300, 1, UpdateOutcome::kFailed, FailureReason::kUnconfirmed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AddressedEmulator::Settings settings;
    settings.leavesAfterRunMs = c.leavesAfterMs;
    if (c.lostRunReplies > 0) settings.faults.drops = {{{kCommandRun, 1}, c.lostRunReplies}};
    if (c.leavesAfterMs > 200) settings.faults.drops.push_back({{kCommandDeviceInfo, 2}, 10});
    Rig rig(settings);
    rig.controller.Start(nullptr);
    rig.Update(RadioPackage(kLargeMain, kRadioImage));
    EXPECT_TRUE(rig.emulator->Restarted());
    EXPECT_EQ(rig.session.outcome, c.outcome);
    EXPECT_EQ(rig.session.result().reason, c.reason);
    EXPECT_EQ(rig.Boxes(), std::vector<std::string>{c.outcome == UpdateOutcome::kSucceeded ? kSuccessBox : kFailureBox});
  }

  // The run command could not be written: the controller never got it, and leaving the
  // bus afterwards (pulled out) is no restart.
  AddressedEmulator::Settings settings;
  settings.faults.refusedWrites = {{kCommandRun, 1}};
  Rig unsent(settings);
  unsent.controller.Start(nullptr);
  unsent.Update(MainPackage(kMainImage));
  EXPECT_FALSE(unsent.emulator->Restarted());
  EXPECT_EQ(unsent.session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(unsent.session.result().reason, FailureReason::kWriteFailed);
}

// Asked to verify, the update reads the main image, the radio image and every stamp
// back before the controller is restarted; a byte that reads back wrong fails it,
// naming the address, and the controller keeps its boot mode. The stamps land on top of
// whatever an image holds at their addresses (the radio's version and check word lie
// inside a radio image at 0x10000, the version word inside a main image at 0x08000000):
// each stamp is compared on its own and the image's bytes everywhere else.
TEST(AddressedUpdate, VerifyReadsEverythingBackBeforeTheRestart) {
  const std::pair<std::uint32_t, std::uint32_t> layouts[] = {{kMainAddress, kRadioAddress}, {kMainFlashBase, 0x10000}};
  for (const auto& [mainAddress, radioAddress] : layouts) {
    for (const std::optional<std::uint32_t> corrupt :
         {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{mainAddress + 1234},
          std::optional<std::uint32_t>{kRadioAddressBit | (radioAddress + 777)},
          std::optional<std::uint32_t>{kBleVersionAddress + 1}, std::optional<std::uint32_t>{kBleCheckWordAddress},
          std::optional<std::uint32_t>{kFirmwareVersionAddress + 2}}) {
      SCOPED_TRACE(mainAddress);
      SCOPED_TRACE(corrupt.value_or(0));
      AddressedEmulator::Settings settings;
      settings.faults.corruptReadAt = corrupt;
      Rig rig(settings);
      rig.session.verifyAfterWrite = true;
      rig.controller.Start(nullptr);
      rig.Update(RadioPackage(kLargeMain, kRadioImage, mainAddress, radioAddress));

      if (!corrupt) {
        EXPECT_GE(rig.emulator->CountOf(kCommandRead), (kLargeMain.size() + kRadioImage.size()) / 46)
            << "every written byte is read back";
        EXPECT_EQ(rig.session.outcome, UpdateOutcome::kSucceeded);
        EXPECT_TRUE(rig.emulator->Restarted());
        continue;
      }
      EXPECT_EQ(rig.session.outcome, UpdateOutcome::kFailed);
      EXPECT_EQ(rig.session.result().reason, FailureReason::kReadBackMismatch);
      EXPECT_EQ(rig.session.result().stage, UpdateStage::kVerifying);
      EXPECT_EQ(rig.session.result().code, *corrupt);
      EXPECT_FALSE(rig.emulator->Restarted());
      EXPECT_EQ(rig.Boxes(), std::vector<std::string>{kFailureBox});
    }
  }
}

// Under load a controller's replies come late; a read-back must wait for them as long
// as a write does, and the answers to its repeated reads must not stand in for the
// next read's.
TEST(AddressedUpdate, VerifyRidesSlowReplies) {
  for (const std::uint32_t delay : {30u, 150u, 600u}) {
    SCOPED_TRACE(delay);
    AddressedEmulator::Settings settings;
    settings.replyDelayMs = 1;
    Rig rig(settings, [&](testkit::FaultyLink& link) {
      for (std::uint32_t read = 1; read <= 40; read += 3) link.Delay(kCommandRead, read, delay);
    });
    rig.session.verifyAfterWrite = true;
    rig.controller.Start(nullptr);
    rig.Update(MainPackage(kMainImage));
    EXPECT_EQ(rig.session.outcome, UpdateOutcome::kSucceeded) << ReasonName(rig.session.result().reason);
  }
}

// A radio section no longer than its own header carries no image: refused before the
// first erase, instead of erasing the radio and stamping a version over nothing.
TEST(AddressedUpdate, RadioSectionWithoutImageIsRefused) {
  Rig rig;
  rig.controller.Start(nullptr);
  rig.Update(PackageBytes({Section(8194, kMainImage, 0, 151, 0, kMainAddress), Section(0, Bytes(28, 0x5C), 0, 0x0105, 0,
                                                                                     kRadioAddress),
                           Section(1, Bytes(0x10000, 0xA5))}));
  EXPECT_EQ(rig.session.outcome, UpdateOutcome::kPackageRefused);
  EXPECT_EQ(rig.session.result().problem, package::PackageProblem::kRadioImageEmpty);
  EXPECT_EQ(rig.emulator->CountOf(kCommandErase), 0u);
}

TEST(AddressedUpdate, VerifyAloneWritesNothing) {
  AddressedEmulator::Settings settings;
  Rig rig(settings);
  rig.controller.Start(nullptr);
  rig.Update(MainPackage(kMainImage));  // the controller now holds the image
  const std::uint32_t writes = rig.emulator->CountOf(kCommandWriteImageData);

  const testkit::TempFile same(MainPackage(kMainImage));
  rig.view.ChooseFile(same.path());
  VerifyPackage(rig.session);
  EXPECT_EQ(rig.session.outcome, UpdateOutcome::kSucceeded);

  Bytes other = kMainImage;
  other[500] ^= 1;
  const testkit::TempFile different(MainPackage(other));
  rig.view.ChooseFile(different.path());
  VerifyPackage(rig.session);
  EXPECT_EQ(rig.session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(rig.session.result().code, kMainAddress + 500);
  EXPECT_EQ(rig.emulator->CountOf(kCommandWriteImageData), writes);
  EXPECT_EQ(rig.emulator->CountOf(kCommandErase), 1u);
}

TEST(AddressedUpdate, EveryFaultEndsInTheFailureBox) {
  using Faults = AddressedEmulator::Faults;
  struct Case {
    const char* name;
    std::function<void(Faults&)> inject;
    bool radio;  // the package carries a radio image
    std::vector<std::string> boxes;
    std::uint16_t countedCode = 0;  // when set: how many commands of it were sent
    std::uint32_t count = 0;
  };
  const std::uint32_t mainChunks = (kLargeMain.size() + 45) / 46;
  const std::string failure = kFailureBox;
  const std::vector<Case> cases = {
      {"main chunk never acknowledged",
       [](Faults& f) { f.neverAcknowledgeAt = kMainAddress + 3 * 46; },
       false,
       {failure},
       kCommandWriteImageData,
       3 + 10},
      {"main erase refused", [](Faults& f) { f.refuseEraseAt = kMainAddress; }, false, {failure}},
      {"main erase stays busy",
       [](Faults& f) { f.hangEraseAt = kMainAddress; },
       false,
       {failure},
       kCommandErase,
       1 + kEraseMaxPolls},
      {"version stamp never acknowledged",
       [](Faults& f) { f.neverAcknowledgeBlockAt = kFirmwareVersionAddress; },
       false,
       {failure}},
      {"pulled out mid-stream",
       [](Faults& f) {
         f.removeAt = AddressedEmulator::CommandAt{kCommandWriteImageData, 10};
       },
       false,
       {failure}},
      {"radio chunk never acknowledged",
       [](Faults& f) { f.neverAcknowledgeAt = kRadioAddressBit | (kRadioAddress + 5 * 46); },
       true,
       {failure},
       kCommandWriteImageData,
       mainChunks + 5 + 10},
      {"radio version never acknowledged",
       [](Faults& f) { f.neverAcknowledgeBlockAt = kBleVersionAddress; },
       true,
       {failure}},
      // The controller keeps its boot mode: nothing more is written and it is not restarted.
      {"main chunk lost, nothing more written",
       [](Faults& f) { f.neverAcknowledgeAt = kMainAddress + 46; },
       true,
       {failure},
       kCommandErase,
       1},
      {"radio erase refused",
       [](Faults& f) { f.refuseEraseAt = kRadioAddressBit | kRadioAddress; },
       true,
       {"Boot erase ble flash error<address:0x80020000 len:0x4e3c>", failure}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AddressedEmulator::Settings settings;
    c.inject(settings.faults);
    Rig rig(settings);
    rig.controller.Start(nullptr);
    rig.Update(c.radio ? RadioPackage(kLargeMain, kRadioImage) : MainPackage(kMainImage));
    EXPECT_EQ(rig.Boxes(), c.boxes);
    EXPECT_EQ(rig.session.outcome, UpdateOutcome::kFailed);
    EXPECT_FALSE(rig.view.successShown());
    EXPECT_FALSE(rig.emulator->Restarted()) << "after a failure the controller keeps its boot mode";
    if (c.countedCode != 0) {
      EXPECT_EQ(rig.emulator->CountOf(c.countedCode), c.count);
    }
    EXPECT_EQ(rig.emulator->CountOf(kCommandRun), 0u) << "the controller keeps its boot mode";
    if (!c.radio) {
      EXPECT_EQ(rig.emulator->VersionWord(), 150u) << "no version for an image not written";
    }
  }
}

TEST(AddressedUpdate, InterruptionEndsBetweenChunks) {
  Rig rig;
  rig.controller.Start(nullptr);
  rig.view.onProgress = [&](std::uint32_t position) {
    if (position >= 30) rig.controller.RequestStop();
  };
  rig.Update(MainPackage(kMainImage));
  EXPECT_EQ(rig.session.outcome, UpdateOutcome::kInterrupted);
  EXPECT_TRUE(rig.Boxes().empty());
  EXPECT_FALSE(rig.emulator->Restarted());
  EXPECT_LT(rig.Streamed(0, 0xFFFFFFFF).size(), kMainImage.size());
  EXPECT_EQ(rig.view.buttonEnabled(), true);
}

TEST(AddressedUpdate, DetectionWaitsForTheRunningUpdate) {
  Rig rig;
  rig.controller.Start(nullptr);
  std::promise<void> inBox;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  rig.view.onMessage = [&](const std::string&) {
    if (!rig.view.messages().empty()) return;  // only the confirmation waits
    inBox.set_value();
    released.wait_for(std::chrono::seconds(30));
  };
  const testkit::TempFile file(MainPackage(kMainImage, 160));
  rig.view.ChooseFile(file.path());
  ASSERT_TRUE(rig.controller.OnUpdateButton());
  ASSERT_EQ(inBox.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);

  rig.controller.OnDeviceChange(kDbtDeviceArrival);
  QueryAddressedDevice(rig.session);
  EXPECT_EQ(rig.emulator->CountOf(kCommandDeviceInfo), 1u) << "only the query at start";
  release.set_value();
  rig.controller.WaitForWorker();
  rig.controller.OnWorkerFinished();

  EXPECT_EQ(rig.Boxes(), std::vector<std::string>{kSuccessBox});
  EXPECT_EQ(rig.emulator->CountOf(kCommandDeviceInfo), 2u) << "the held probe runs after the update";
  EXPECT_EQ(rig.view.title(), "Vantor Update v2.00(Fw v1.6)");
}

}  // namespace
}  // namespace vantor::addressed
