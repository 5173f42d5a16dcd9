// Whole framed updates against the emulated bootloader: what reaches its flash, what
// the user sees, how every fault ends, and how a new update starts after a failed one.

#include "FramedTestKit.h"
#include "framed/FramedBounds.h"
#include "framed/FramedDispatch.h"
#include "framed/FramedUpdate.h"

namespace vantor::framed::fixtures {
namespace {

using UpdateTest = FramedSession;

TEST_F(UpdateTest, EightyByteImageIsSentAs32_32_16ThenFinished) {
  Attach({}, FramedEmulator::kLegacyVendorId);
  controller.Start(nullptr);
  const std::vector<std::uint8_t> image = PatternBytes(80, 7);
  const TempFile file(PackageBytes({Section(0, image, 0, 156, 0, 0x08004000)}));  // 28 + 80 bytes
  debug.Clear();
  Update(file);

  EXPECT_EQ(emulator->ChunkSizes(), (std::vector<std::uint32_t>{32, 32, 16}));
  EXPECT_EQ(emulator->MainImage(), image);
  EXPECT_TRUE(emulator->Finished());
  // Start and click put the bar at 0; the first chunk does not move it; finish resets it.
  EXPECT_EQ(view.progress(), (std::vector<std::uint32_t>{0, 0, 80, 100, 0}));
  EXPECT_EQ(Shown(kSuccessBox), 1);
  EXPECT_TRUE(view.successShown());
  EXPECT_EQ(view.buttonEnabled(), false) << "the controller left its boot mode for the firmware";
  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
  EXPECT_EQ(session.framedPhase, FramedPhase::kFinish);

  const std::vector<std::string> lines = debug.lines();
  auto at = lines.begin();
  for (const char* expected : {"send() is OK!\n", "Bytes Sent: 1\n", " 44 Bytes received from sender\n",
                               "firmware type 1\n", "update file is 0x50\n",
                               "\nSET_FIRMWARE_DATA read_pos 32 offset 0x40\n\n",
                               "\nSET_FIRMWARE_DATA read_pos 16 offset 0x50\n\n", "update successful\n",
                               "SendFirmwarePacket cmd 2\n", "Exit Usb_UpdateThread\n"}) {
    at = std::find(at, lines.end(), expected);
    ASSERT_NE(at, lines.end()) << "missing or out of order: " << expected;
  }
}

TEST_F(UpdateTest, OnlyTheMatchedSectionReachesTheFlash) {
  controller.Start(nullptr);
  // The framed section is neither first nor last: bytes on both sides must stay out.
  for (const std::size_t length : {1u, 32u, 70u, 1000u}) {
    SCOPED_TRACE(length);
    Replace();  // the last one restarted into its firmware and left
    const std::vector<std::uint8_t> image = PatternBytes(length, static_cast<std::uint8_t>(length));
    const TempFile file(PackageBytes({Section(5, PatternBytes(64, 1), 2), Section(0, image, 0, 201, 3, 0x08010000),
                                      Section(7, PatternBytes(40, 9))}));
    Update(file);
    EXPECT_EQ(emulator->MainImage(), image);
    EXPECT_EQ(emulator->OverrunBytes(), 0u);
    EXPECT_EQ(session.state.imageSent(), length);
    EXPECT_EQ(LastProgressBeforeReset(), 100u);
    EXPECT_EQ(emulator->VersionWord(), 201u | 3u << 16);
    EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
  }
}

TEST_F(UpdateTest, FailureDuringStreamingThenANewUpdateStartsAgainAtPhaseOne) {
  FramedEmulator::Settings settings;
  settings.faults.failAtChunk = 2;
  Attach(settings);
  controller.Start(nullptr);
  const std::vector<std::uint8_t> image = PatternBytes(100, 5);
  const TempFile file(PackageBytes({Section(0, image)}));
  Update(file);
  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(session.framedPhase, FramedPhase::kNextChunk);

  emulator->SetFaults({});
  debug.Clear();
  Update(file);
  EXPECT_TRUE(debug.Contains("update file is 0x64\n")) << "the first chunk again, from phase 1";
  EXPECT_EQ(emulator->MainImage(), image);
  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
}

struct FaultCase {
  const char* name;
  void (*inject)(FramedEmulator::Faults&);
  bool controllerStays;
};

using Step = FramedEmulator::Step;
using StepAt = FramedEmulator::StepAt;
const FaultCase kFaults[] = {
    {"Failure21AtFirstChunk", [](auto& f) { f.failAtChunk = 1; }, true},
    {"Failure24AtLastChunk", [](auto& f) {
       f.failAtChunk = 4;
       f.failureCommand = 24;
     }, true},
    {"SilentFromTheStart", [](auto& f) { f.silentFrom = StepAt{Step::kStart}; }, true},
    {"SilentAfterTheHeader", [](auto& f) { f.silentFrom = StepAt{Step::kHeader}; }, true},
    {"DataRequestLost", [](auto& f) { f.loseReplyAt = StepAt{Step::kChunk, 2}; }, true},
    {"ChunkLost", [](auto& f) { f.loseHostReportAt = StepAt{Step::kChunk, 3}; }, true},
    {"RemovedAtStart", [](auto& f) { f.removeAt = StepAt{Step::kStart}; }, false},
    {"RemovedMidStream", [](auto& f) { f.removeAt = StepAt{Step::kChunk, 2}; }, false},
    {"RemovedAtTheLastChunk", [](auto& f) { f.removeAt = StepAt{Step::kChunk, 4}; }, false},
};

class FaultTest : public FramedSession, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, EndsInFailureAndTheWorkerEnds) {
  FramedEmulator::Settings settings;
  GetParam().inject(settings.faults);
  Attach(settings);
  controller.Start(nullptr);
  const TempFile file(PackageBytes({Section(0, PatternBytes(100, 2))}));  // four chunks
  Update(file);

  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(Shown(kFailureBox), 1);
  EXPECT_EQ(Shown(kSuccessBox), 0);
  EXPECT_FALSE(view.successShown());
  EXPECT_FALSE(emulator->Finished());
  EXPECT_FALSE(session.workerActive());
  EXPECT_FALSE(session.state.packageFile.IsOpen());
  EXPECT_EQ(view.buttonEnabled(), GetParam().controllerStays) << "the button follows the presence check";
  EXPECT_LE(clock.NowMs(), kWorkerSilenceLimitMs + 2 * hid::CHid::kOpenReadTimeoutMs);
}

INSTANTIATE_TEST_SUITE_P(Framed, FaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

// Data requests carry no offset: a request that comes twice puts the host one chunk
// ahead, and a chunk lost after it leaves the controller short while the host thinks
// the image complete. The controller refuses the finish then, and that is a failure.
TEST_F(UpdateTest, ARefusedFinishIsAFailure) {
  FramedEmulator::Settings settings;
  settings.faults.duplicateReplyAt = FramedEmulator::StepAt{FramedEmulator::Step::kChunk, 3};
  settings.faults.loseHostReportAt = FramedEmulator::StepAt{FramedEmulator::Step::kChunk, 6};
  Attach(settings);
  controller.Start(nullptr);
  const TempFile file(PackageBytes({Section(0, PatternBytes(400, 3))}));
  Update(file);

  EXPECT_FALSE(emulator->Finished());
  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(session.result().reason, FailureReason::kControllerRefused);
  EXPECT_EQ(Shown(kSuccessBox), 0);
  EXPECT_EQ(Shown(kFailureBox), 1);
}

// The finish has no answer: only the controller's restart (its boot-mode device leaving
// the bus) shows that it took it. Silence, a lost finish, a restart too late to wait
// for, or a refusal that comes late are never a success.
TEST_F(UpdateTest, SuccessNeedsTheRestartAfterTheFinish) {
  struct Case {
    const char* name;
    void (*set)(FramedEmulator::Settings&);
    FailureReason reason;  // kNone: success
  };
  const Case cases[] = {
      {"restarts after 500 ms", [](auto& s) { s.leavesAfterFinishMs = 500; }, FailureReason::kNone},
      {"stays in boot mode", [](auto& s) { s.leavesAfterFinishMs.reset(); }, FailureReason::kUnconfirmed},
      {"restarts too late to wait for", [](auto& s) { s.leavesAfterFinishMs = 60000; }, FailureReason::kUnconfirmed},
      {"finish lost", [](auto& s) { s.faults.loseHostReportAt = StepAt{Step::kFinish}; }, FailureReason::kUnconfirmed},
      // A request that came twice puts the host a chunk ahead: it answers the spare
      // request with the finish while the controller, silent, lacks the last chunk.
      {"silent at the last chunk, host ahead",
       [](auto& s) {
         s.faults.duplicateReplyAt = StepAt{Step::kChunk, 2};
         s.faults.silentFrom = StepAt{Step::kChunk, 13};
       },
       FailureReason::kUnconfirmed},
      {"refusal two seconds late",
       [](auto& s) {
         s.faults.duplicateReplyAt = StepAt{Step::kChunk, 3};
         s.faults.loseHostReportAt = StepAt{Step::kChunk, 6};
         s.faults.lateReplyAt = StepAt{Step::kFinish};
         s.faults.lateMs = 2000;
       },
       FailureReason::kControllerRefused},
  };
  controller.Start(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FramedEmulator::Settings settings;
    c.set(settings);
    Replace(settings);
    const int successes = Shown(kSuccessBox);
    const int failures = Shown(kFailureBox);
    const TempFile file(PackageBytes({Section(0, PatternBytes(400, 3))}));  // 13 chunks
    Update(file);

    const bool succeeded = c.reason == FailureReason::kNone;
    EXPECT_EQ(session.outcome, succeeded ? UpdateOutcome::kSucceeded : UpdateOutcome::kFailed);
    EXPECT_EQ(session.result().reason, c.reason);
    EXPECT_EQ(Shown(kSuccessBox) - successes, succeeded ? 1 : 0);
    EXPECT_EQ(Shown(kFailureBox) - failures, succeeded ? 0 : 1);
    EXPECT_FALSE(session.workerActive());
  }
}

TEST_F(UpdateTest, UnwrittenStartMessageStillRefreshesTheButton) {
  Attach();
  const std::shared_ptr<FramedEmulator> vanishing = emulator;
  Attach();  // a second controller that stays
  ASSERT_EQ(session.hid.DetectDevice(), 1);
  ASSERT_EQ(session.hid.OpenDevice(), 1);
  vanishing->Unplug();
  view.EnableUpdateButton(false);  // as the click left it
  debug.Clear();
  Usb_UpdateThread(session);

  EXPECT_EQ(debug.lines().front().rfind("send() failed with error code ", 0), 0u);
  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(Shown(kFailureBox), 1);
  EXPECT_EQ(view.buttonEnabled(), true) << "the presence check found the other controller";
}

// Closing the dialog mid-transfer: the worker ends after its current message, with no
// frame left half-sent and nothing shown.
class StoppingView : public testkit::ScriptedView {
 public:
  void SetProgressPos(std::uint32_t position) override {
    testkit::ScriptedView::SetProgressPos(position);
    if (position == 50) controller->RequestStop();
  }
  UpdateController* controller = nullptr;
};

TEST(FramedInterruptTest, StopRequestEndsTheWorkerBetweenChunks) {
  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  StoppingView view;
  UpdateSession session{backend, view, clock};
  UpdateController controller{session};
  view.controller = &controller;
  const auto emulator = FramedEmulator::Attach(backend, {});
  controller.Start(nullptr);
  const TempFile file(PackageBytes({Section(0, PatternBytes(320, 4))}));
  view.ChooseFile(file.path());
  ASSERT_TRUE(controller.OnUpdateButton());
  controller.WaitForWorker();

  EXPECT_EQ(session.outcome, UpdateOutcome::kInterrupted);
  EXPECT_EQ(emulator->PendingFrameBytes(), 0u);
  EXPECT_EQ(emulator->BytesReceived(), 160u) << "stopped right after the chunk that reached 50%";
  EXPECT_FALSE(session.state.packageFile.IsOpen());
  EXPECT_EQ(view.messages().size(), 1u) << "only the confirmation; no ending box";
}

}  // namespace
}  // namespace vantor::framed::fixtures
