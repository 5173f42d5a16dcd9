// The message dispatch and the version probe, message by message, on the calling
// thread.

#include "FramedTestKit.h"
#include "framed/FramedBounds.h"
#include "framed/FramedMessages.h"
#include "framed/FramedUpdate.h"
#include "support/RecordingDevice.h"

namespace vantor::framed::testkit {
namespace {

// A received message as it lies in receiveArea from byte 1 on (63 bytes).
struct Message {
  std::array<std::uint8_t, ReceivedMessage::kMaxLength> bytes{};

  static Message Command(std::uint8_t code) {
    Message message;
    message.bytes[1] = kTypeCommand;
    message.bytes[2] = 1;
    message.bytes[4] = code;
    return message;
  }
  static Message Version(std::uint32_t word) {
    Message message = Command(kCommandVersionReport);
    message.bytes[2] = 7;
    message.bytes[5] = 4;
    for (int i = 0; i < 4; ++i) message.bytes[7 + i] = static_cast<std::uint8_t>(word >> (8 * i));
    return message;
  }
  static Message DeviceInfo(std::uint32_t firmwareType) {
    Message message;
    message.bytes[1] = kTypeDeviceInfo;
    message.bytes[2] = 40;
    for (int i = 0; i < 4; ++i) message.bytes[40 + i] = static_cast<std::uint8_t>(firmwareType >> (8 * i));
    return message;
  }
  hid::Report AsReport(std::uint8_t count = 11) const {
    hid::Report report{};
    report[1] = count;
    std::copy(bytes.begin(), bytes.end(), report.begin() + 2);
    return report;
  }
};

class DispatchTest : public FramedSession {
 protected:
  void SetUp() override {
    backend.AddDevice("recorder", FramedEmulator::kVendorId, FramedEmulator::kProductId, device);
    ASSERT_EQ(session.hid.DetectDevice(), 1);
    ASSERT_EQ(session.hid.OpenDevice(), 1);
    session.stopRequested = 0;
    debug.Clear();
  }
  void Deliver(const Message& message) { OnFramedMessage(session, message.bytes.data(), 11); }
  // A session whose image of `image.size()` bytes is complete: the next data request
  // would be answered with the finish command.
  void CompleteImageOf(const TempFile& file, std::uint32_t length) {
    session.state.packagePath = file.path();
    session.state.imageLength() = length;
    session.state.imageSent() = length;
    session.state.transferPhase = 1;
    session.packageConfirmed = true;
    session.framedPhase = 3;
  }

  std::shared_ptr<testing::RecordingDevice> device = std::make_shared<testing::RecordingDevice>();
};

TEST_F(DispatchTest, VersionReportSetsTheTitleOrShowsTheInstructions) {
  struct Case {
    std::uint32_t word;
    std::string title;  // empty: the title does not change
    std::string debugLine;
  };
  const Case cases[] = {
      {156u | 2u << 16, kProduct + "(GamePad V1.56 beta2)", "cur_devVersion 0x2009c\n"},
      {156u, kProduct + "(GamePad V1.56)", "cur_devVersion 0x9c\n"},
      {kNoFirmware, "", "cur_devVersion 0xffffffff\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    view.SetTitle("before");
    Deliver(Message::Version(c.word));
    EXPECT_EQ(session.deviceVersion, c.word);
    EXPECT_TRUE(debug.Contains(c.debugLine));
    EXPECT_EQ(view.title(), c.title.empty() ? "before" : c.title);
  }
  ASSERT_EQ(view.messages().size(), 1u);
  EXPECT_EQ(view.messages()[0].text, LocalizedText(text::kInstructions));
  EXPECT_EQ(view.messages()[0].caption, kProduct);
}

TEST_F(DispatchTest, BootModeIsFirmwareType1Or200) {
  for (const std::uint32_t type : {1u, 200u}) {
    SCOPED_TRACE(type);
    session.stopRequested = 0;
    view.ChooseFile(std::nullopt);  // the user cancels the file dialog
    const int dialogsBefore = view.fileDialogs();
    Deliver(Message::DeviceInfo(type));
    EXPECT_EQ(view.fileDialogs(), dialogsBefore + 1);
    EXPECT_EQ(session.firmwareType, static_cast<int>(type));
    EXPECT_EQ(session.stopRequested, 1) << "no package: the update stops";
    EXPECT_EQ(session.outcome, UpdateOutcome::kNoPackage);
  }
  EXPECT_TRUE(view.messages().empty());
  for (const std::uint32_t type : {0u, 2u}) {
    SCOPED_TRACE(type);
    session.stopRequested = 0;
    Deliver(Message::DeviceInfo(type));
    EXPECT_EQ(session.stopRequested, 1);
    EXPECT_EQ(session.outcome, UpdateOutcome::kNotInBootMode);
    EXPECT_EQ(view.messages().back().text, kNotInBootModeBox);
    EXPECT_TRUE(debug.Contains(kNotInBootModeBox));
  }
  EXPECT_EQ(view.fileDialogs(), 2);
  EXPECT_TRUE(debug.Contains("firmware type 200\n"));
}

TEST_F(DispatchTest, MalformedOrUnknownMessagesChangeNothing) {
  const TempFile file(PackageBytes({Section(0, PatternBytes(40, 1))}));
  CompleteImageOf(file, 40);
  Message badFirstByte = Message::Command(kCommandDataRequest);
  badFirstByte.bytes[0] = 1;
  Message unknownType = Message::Command(kCommandDataRequest);
  unknownType.bytes[1] = 23;
  const Message unknownCommands[] = {Message::Command(5), Message::Command(22), Message::Command(0)};
  Message badFailure = Message::Command(kCommandFailure);
  badFailure.bytes[0] = 0x80;

  for (const Message& message : {badFirstByte, unknownType, badFailure}) Deliver(message);
  for (const Message& message : unknownCommands) Deliver(message);
  EXPECT_TRUE(device->reports().empty());
  EXPECT_TRUE(view.messages().empty());
  EXPECT_EQ(session.stopRequested, 0);
  EXPECT_EQ(session.framedPhase, 3);
  EXPECT_EQ(session.deviceVersion, kVersionNotReported);
  EXPECT_EQ(session.outcome, UpdateOutcome::kNone);

  // The same session does act on a well-formed data request: the finish goes out.
  Deliver(Message::Command(kCommandDataRequest));
  ASSERT_EQ(device->reports().size(), 1u);
  EXPECT_EQ(testing::DataBytes(device->reports()[0], 6), (std::vector<std::uint8_t>{5, 0x00, 0x16, 0x01, 0x00, 0x02}));
  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
}

TEST_F(DispatchTest, DataRequestsWithoutACompletedImageAreNotAnswered) {
  // After dialog start (phase 3) with no package confirmed.
  session.framedPhase = 3;
  Deliver(Message::Command(kCommandDataRequest));
  // Before dialog start has finished.
  session.framedPhase = 0;
  Deliver(Message::Command(kCommandDataRequest));
  // Streaming after a stop closed the package.
  session.framedPhase = 2;
  session.packageConfirmed = true;
  Deliver(Message::Command(kCommandDataRequest));
  EXPECT_TRUE(device->reports().empty());

  // A second request after the finish gets nothing more.
  const TempFile file(PackageBytes({Section(0, PatternBytes(40, 1))}));
  CompleteImageOf(file, 40);
  Deliver(Message::Command(kCommandDataRequest));
  Deliver(Message::Command(kCommandDataRequest));
  EXPECT_EQ(device->reports().size(), 1u);
  EXPECT_EQ(CountMessages(kSuccessBox), 1);
}

TEST_F(DispatchTest, EmptyImageIsCompleteAtTheFirstRequest) {
  const TempFile file(PackageBytes({Section(0, {})}));
  session.state.packagePath = file.path();
  session.state.imageDataOffset() = 28;
  session.packageConfirmed = true;
  session.framedPhase = 1;
  Deliver(Message::Command(kCommandDataRequest));
  EXPECT_EQ(view.progress(), (std::vector<std::uint32_t>{100, 0}));
  EXPECT_EQ(session.outcome, UpdateOutcome::kSucceeded);
  ASSERT_EQ(device->reports().size(), 1u) << "only the finish; no data";
}

TEST_F(DispatchTest, ChunkThatCannotBeWrittenFailsTheUpdate) {
  const TempFile file(PackageBytes({Section(0, PatternBytes(100, 1))}));
  session.state.packagePath = file.path();
  session.state.imageDataOffset() = 28;
  session.state.imageLength() = 100;
  session.packageConfirmed = true;
  session.framedPhase = 1;
  Deliver(Message::Command(kCommandDataRequest));
  ASSERT_EQ(session.state.imageSent(), 32u);
  device->Unplug();
  Deliver(Message::Command(kCommandDataRequest));
  EXPECT_EQ(session.state.imageSent(), 32u) << "the lost chunk is not counted as sent";
  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{kFailureBox}));
  EXPECT_FALSE(session.state.packageFile.IsOpen());
  EXPECT_EQ(session.stopRequested, 1);
}

TEST_F(DispatchTest, FailureCommandsStopAndTell) {
  for (const std::uint8_t code : {kCommandFailure, kCommandFailureAlt}) {
    session.stopRequested = 0;
    session.framedPhase = 2;
    Deliver(Message::Command(code));
    EXPECT_EQ(session.stopRequested, 1);
    EXPECT_EQ(session.framedPhase, 2);
    EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  }
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{kFailureBox, kFailureBox}));
  EXPECT_EQ(view.messages()[0].caption, kProduct);
}

TEST_F(DispatchTest, ProbeWaitsPastThePlaceholderVersion) {
  // The placeholder first, then (after a read that found nothing) the real version.
  device->QueueReply(Message::Version(kVersionNotReported).AsReport());
  device->QueueReply(Message::Version(150).AsReport());
  ProbeDevice(session);
  EXPECT_EQ(session.deviceVersion, 150u);
  EXPECT_TRUE(debug.Contains("cur_devVersion 0x5a5a5a5a\n"));
  EXPECT_EQ(debug.Count("recv() failed with error code 0x102\n"), 1);
  EXPECT_EQ(view.title(), kProduct + "(GamePad V1.50)");
}

TEST_F(DispatchTest, ProbeGivesUpOnASilentOrVanishedController) {
  const std::uint64_t start = clock.NowMs();
  ProbeDevice(session);
  EXPECT_EQ(session.deviceVersion, kVersionNotReported);
  EXPECT_TRUE(debug.Contains("no version reported\n"));
  EXPECT_LE(clock.NowMs() - start, kProbeWaitMs + hid::CHid::kOpenReadTimeoutMs);
  EXPECT_TRUE(view.messages().empty());

  // Gone after the version query: the probe stops at the refused reads.
  debug.Clear();
  FramedEmulator::Settings settings;
  settings.faults.removeAt = FramedEmulator::StepAt{FramedEmulator::Step::kVersionQuery};
  backend.RemoveAll();
  Attach(settings);
  ASSERT_EQ(session.hid.DetectDevice(), 1);
  ProbeDevice(session);
  EXPECT_EQ(debug.Count("recv() failed with error code 0xffffffff\n"), kGoneAfterFailedReads);
  EXPECT_FALSE(debug.Contains("no version reported\n"));
}

}  // namespace
}  // namespace vantor::framed::testkit
