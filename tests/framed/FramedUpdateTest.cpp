// Whole framed updates against the emulated bootloader: what reaches its flash, what
// the user sees, and how a second update starts after a failed one.

#include <algorithm>

#include "FramedTestKit.h"
#include "framed/FramedMessages.h"

namespace vantor::framed::testkit {
namespace {

using UpdateTest = FramedSession;

TEST_F(UpdateTest, EightyByteImageIsSentAs32_32_16ThenFinished) {
  Attach({}, FramedEmulator::kLegacyVendorId);
  controller.Start(nullptr);
  const std::vector<std::uint8_t> image = PatternBytes(80, 7);
  const TempFile file(PackageBytes({Section(0, image, 0, 156, 0, 0x08004000)}));
  ASSERT_EQ(28u + 80u, PackageBytes({Section(0, image)}).size());
  debug.Clear();
  Update(file);

  EXPECT_EQ(emulator->ChunkSizes(), (std::vector<std::uint32_t>{32, 32, 16}));
  EXPECT_EQ(emulator->MainImage(), image);
  EXPECT_TRUE(emulator->Finished());
  EXPECT_EQ(emulator->VersionWord(), 156u);
  // Start and click put the bar at 0; the first chunk does not move it; finish resets it.
  EXPECT_EQ(view.progress(), (std::vector<std::uint32_t>{0, 0, 80, 100, 0}));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"New firmware 1.6\n", kSuccessBox}));
  EXPECT_EQ(view.messages().back().caption, kProduct);
  EXPECT_TRUE(view.successShown());
  EXPECT_EQ(view.buttonEnabled(), true);
  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(session.framedPhase, 3);
  EXPECT_EQ(session.state.imageSent(), 80u);
  EXPECT_EQ(session.state.transferPhase, 2);
  EXPECT_FALSE(session.state.packageFile.IsOpen());

  const std::vector<std::string> lines = debug.lines();
  const std::vector<std::string> expectedInOrder = {
      "send() is OK!\n",
      "Bytes Sent: 1\n",
      "firmware type 1\n",
      "update file is 0x50\n",
      "\nSET_FIRMWARE_DATA read_pos 32 offset 0x40\n\n",
      "\nSET_FIRMWARE_DATA read_pos 16 offset 0x50\n\n",
      "update successful\n",
      "SendFirmwarePacket cmd 2\n",
      "Exit Usb_UpdateThread\n",
  };
  auto at = lines.begin();
  for (const std::string& expected : expectedInOrder) {
    at = std::find(at, lines.end(), expected);
    ASSERT_NE(at, lines.end()) << "missing or out of order: " << expected;
  }
  EXPECT_TRUE(debug.Contains(" 44 Bytes received from sender\n")) << "the device information's count byte";
  EXPECT_EQ(debug.Count("recv() failed with error code 0x102\n"), 0) << "the emulator answers at once";
}

TEST_F(UpdateTest, OnlyTheMatchedSectionReachesTheFlash) {
  Attach();
  controller.Start(nullptr);
  const std::vector<std::uint8_t> image = PatternBytes(70, 3);
  // The framed section is neither first nor last: bytes on both sides must stay out.
  const TempFile file(PackageBytes({Section(5, PatternBytes(64, 1), 2), Section(0, image, 0, 201, 3, 0x08010000),
                                    Section(7, PatternBytes(40, 9))}));
  Update(file);

  EXPECT_EQ(emulator->MainImage(), image);
  EXPECT_EQ(emulator->LastHeader()->address, 0x08010000u);
  EXPECT_EQ(emulator->ChunkSizes(), (std::vector<std::uint32_t>{32, 32, 6}));
  EXPECT_EQ(emulator->OverrunBytes(), 0u);
  EXPECT_EQ(session.state.imageSent(), 70u);
  EXPECT_EQ(view.progress()[view.progress().size() - 2], 100u) << "the last chunk brings the bar to 100";
  EXPECT_EQ(emulator->VersionWord(), 201u | 3u << 16);
  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
}

TEST_F(UpdateTest, ImagesAroundTheChunkSizeArriveWhole) {
  Attach();
  controller.Start(nullptr);
  for (const std::size_t length : {1u, 31u, 32u, 33u, 64u, 1000u}) {
    SCOPED_TRACE(length);
    const std::vector<std::uint8_t> image = PatternBytes(length, static_cast<std::uint8_t>(length));
    const TempFile file(PackageBytes({Section(0, image)}));
    Update(file);
    EXPECT_EQ(emulator->MainImage(), image);
    EXPECT_EQ(emulator->OverrunBytes(), 0u);
    EXPECT_EQ(emulator->ChunkSizes().size(), (length + 31) / 32);
    EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
    EXPECT_EQ(view.progress()[view.progress().size() - 2], 100u);
  }
}

TEST_F(UpdateTest, FailureDuringStreamingThenANewUpdateStartsAgainAtPhaseOne) {
  FramedEmulator::Settings settings;
  settings.faults.failAtChunk = 2;
  settings.faults.failureCommand = 24;
  Attach(settings);
  controller.Start(nullptr);
  const std::vector<std::uint8_t> image = PatternBytes(100, 5);
  const TempFile file(PackageBytes({Section(0, image)}));
  Update(file);

  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(CountMessages(kFailureBox), 1);
  EXPECT_EQ(CountMessages(kSuccessBox), 0);
  EXPECT_EQ(session.framedPhase, 2);
  EXPECT_EQ(session.state.transferPhase, 0);
  EXPECT_FALSE(session.state.packageFile.IsOpen());
  EXPECT_EQ(view.buttonEnabled(), true);

  emulator->SetFaults({});
  debug.Clear();
  Update(file);
  EXPECT_TRUE(debug.Contains("update file is 0x64\n")) << "the first chunk again, from phase 1";
  EXPECT_EQ(emulator->MainImage(), image);
  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
}

TEST_F(UpdateTest, VersionProbeWritesATitleThatDialogStartThenReplaces) {
  FramedEmulator::Settings settings;
  settings.versionWord = 156 | 2u << 16;
  Attach(settings);
  controller.Start(nullptr);
  EXPECT_EQ(session.deviceVersion, 156u | 2u << 16);
  const std::vector<std::string> titles = view.titles();
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[0], kProduct + "(GamePad V1.56 beta2)");
  EXPECT_EQ(titles[1], kProduct);
  EXPECT_EQ(session.framedPhase, 3);
}

// Closing the dialog mid-transfer: the worker ends after its current message, with no
// frame left half-sent and nothing shown.
class StoppingView : public testing::ScriptedView {
 public:
  void SetProgressPos(std::uint32_t position) override {
    testing::ScriptedView::SetProgressPos(position);
    if (position >= 50 && position < 100 && controller != nullptr) controller->RequestStop();
  }
  UpdateController* controller = nullptr;
};

TEST(FramedInterruptTest, StopRequestEndsTheWorkerBetweenChunks) {
  EnglishTexts english;
  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  StoppingView view;
  UpdateSession session{backend, view, clock};
  UpdateController controller{session};
  auto emulator = FramedEmulator::Attach(backend, {});
  controller.Start(nullptr);
  const TempFile file(PackageBytes({Section(0, PatternBytes(320, 4))}));
  view.ChooseFile(file.path());
  view.controller = &controller;
  ASSERT_TRUE(controller.OnUpdateButton());
  controller.WaitForWorker();

  EXPECT_EQ(session.outcome, UpdateOutcome::kInterrupted);
  EXPECT_EQ(emulator->PendingFrameBytes(), 0u);
  EXPECT_EQ(emulator->BytesReceived(), 160u) << "stopped right after the chunk that reached 50%";
  EXPECT_FALSE(emulator->Finished());
  EXPECT_FALSE(session.state.packageFile.IsOpen());
  EXPECT_FALSE(session.workerActive());
  EXPECT_EQ(view.messages().size(), 1u) << "only the confirmation; no ending box";
}

}  // namespace
}  // namespace vantor::framed::testkit
