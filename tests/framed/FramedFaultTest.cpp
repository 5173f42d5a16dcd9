// Every fault the emulated bootloader can act out ends the update with the failure
// message (never success), and the worker always ends.

#include "FramedTestKit.h"
#include "framed/FramedBounds.h"
#include "framed/FramedUpdate.h"

namespace vantor::framed::testkit {
namespace {

using Step = FramedEmulator::Step;
using StepAt = FramedEmulator::StepAt;

struct FaultCase {
  const char* name;
  FramedEmulator::Faults faults;
  bool controllerStays;  // present when the update has ended
};

FramedEmulator::Faults FailAt(std::uint32_t chunk, std::uint8_t command) {
  FramedEmulator::Faults faults;
  faults.failAtChunk = chunk;
  faults.failureCommand = command;
  return faults;
}

template <typename Member>
FramedEmulator::Faults At(Member member, Step step, std::uint32_t chunk = 1) {
  FramedEmulator::Faults faults;
  faults.*member = StepAt{step, chunk};
  return faults;
}

using F = FramedEmulator::Faults;
const FaultCase kFaults[] = {
    {"FailureCommand21AtFirstChunk", FailAt(1, 21), true},
    {"FailureCommand24AtLastChunk", FailAt(4, 24), true},
    {"SilentFromTheStart", At(&F::silentFrom, Step::kStart), true},
    {"SilentAfterTheHeader", At(&F::silentFrom, Step::kHeader), true},
    {"SilentMidStream", At(&F::silentFrom, Step::kChunk, 2), true},
    {"DataRequestLost", At(&F::loseReplyAt, Step::kChunk, 2), true},
    {"ChunkLost", At(&F::loseHostReportAt, Step::kChunk, 3), true},
    {"HeaderLost", At(&F::loseHostReportAt, Step::kHeader), true},
    {"RemovedAtStart", At(&F::removeAt, Step::kStart), false},
    {"RemovedAtHeader", At(&F::removeAt, Step::kHeader), false},
    {"RemovedMidStream", At(&F::removeAt, Step::kChunk, 2), false},
    {"RemovedAfterTheLastChunk", At(&F::removeAt, Step::kChunk, 4), false},
};

class FaultTest : public FramedSession, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, EndsInFailureAndTheWorkerEnds) {
  Attach();
  controller.Start(nullptr);
  emulator->SetFaults(GetParam().faults);
  const std::vector<std::uint8_t> image = PatternBytes(100, 2);  // four chunks
  const TempFile file(PackageBytes({Section(0, image)}));
  Update(file);

  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(CountMessages(kFailureBox), 1);
  EXPECT_EQ(CountMessages(kSuccessBox), 0);
  EXPECT_FALSE(view.successShown());
  EXPECT_FALSE(emulator->Finished());
  EXPECT_FALSE(session.state.packageFile.IsOpen());
  EXPECT_TRUE(debug.Contains("Exit Usb_UpdateThread\n"));
  EXPECT_EQ(view.buttonEnabled(), GetParam().controllerStays) << "the button follows the presence check";
  // Waiting is bounded: the silence limit plus one read, in virtual time.
  EXPECT_LE(clock.NowMs(), kWorkerSilenceLimitMs + 2 * hid::CHid::kOpenReadTimeoutMs);
}

INSTANTIATE_TEST_SUITE_P(Framed, FaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

using EndingTest = FramedSession;

TEST_F(EndingTest, ControllerOutsideBootModeIsTold) {
  FramedEmulator::Settings settings;
  settings.firmwareType = FramedEmulator::kApplicationModeType;
  Attach(settings);
  controller.Start(nullptr);
  const TempFile file(PackageBytes({Section(0, PatternBytes(40, 1))}));
  Update(file);
  EXPECT_EQ(session.outcome, UpdateOutcome::kNotInBootMode);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{kNotInBootModeBox}));
  EXPECT_EQ(view.fileDialogs(), 0);
  EXPECT_FALSE(emulator->LastHeader().has_value());
}

TEST_F(EndingTest, ControllerWithoutFirmwareIsStillUpdated) {
  FramedEmulator::Settings settings;
  settings.versionWord = kNoFirmware;
  Attach(settings);
  controller.Start(nullptr);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{LocalizedText(text::kInstructions)}));
  EXPECT_EQ(view.titles(), (std::vector<std::string>{kProduct}));
  const std::vector<std::uint8_t> image = PatternBytes(50, 6);
  const TempFile file(PackageBytes({Section(0, image, 0, 120, 0, 0x08004000)}));
  Update(file);
  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(emulator->MainImage(), image);
  EXPECT_EQ(emulator->VersionWord(), 120u);
}

TEST_F(EndingTest, CancelledPackageEndsQuietly) {
  Attach();
  controller.Start(nullptr);
  view.ChooseFile(std::nullopt);
  ASSERT_TRUE(controller.OnUpdateButton());
  controller.WaitForWorker();
  EXPECT_EQ(session.outcome, UpdateOutcome::kNoPackage);
  EXPECT_TRUE(view.messages().empty());
  EXPECT_EQ(view.buttonEnabled(), true);
  EXPECT_FALSE(emulator->LastHeader().has_value());
}

TEST_F(EndingTest, UnwrittenStartMessageStillRefreshesTheButton) {
  // Two controllers: the first vanishes between opening and the start message.
  auto vanishing = Attach();
  auto remaining = Attach();
  ASSERT_EQ(session.hid.DetectDevice(), 1);
  ASSERT_EQ(session.hid.OpenDevice(), 1);
  vanishing->Unplug();
  view.EnableUpdateButton(false);  // as the click left it
  Usb_UpdateThread(session);

  EXPECT_EQ(debug.Count("send() is OK!\n"), 0);
  bool failedLine = false;
  for (const std::string& line : debug.lines()) failedLine |= line.rfind("send() failed with error code ", 0) == 0;
  EXPECT_TRUE(failedLine);
  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{kFailureBox}));
  EXPECT_EQ(view.buttonEnabled(), true) << "the presence check found the other controller";
  EXPECT_TRUE(debug.Contains("Exit Usb_UpdateThread\n"));
}

}  // namespace
}  // namespace vantor::framed::testkit
