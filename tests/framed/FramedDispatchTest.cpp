// The message dispatch and the version probe, message by message, on the calling
// thread, against a device that records what the updater sends.

#include "FramedTestKit.h"
#include "framed/FramedBounds.h"
#include "framed/FramedMessages.h"
#include "framed/FramedDispatch.h"
#include "update/ProtocolDriver.h"
#include "support/RecordingDevice.h"

namespace vantor::framed::fixtures {
namespace {

// A message as it lies in receiveArea from byte 1 on: type 22 with `code`, or type 25
// when `code` is kDeviceInfo; `word` goes where the command or device info carries it.
constexpr int kDeviceInfo = -1;
std::array<std::uint8_t, ReceivedMessage::kMaxLength> Message(int code, std::uint32_t word = 0) {
  std::array<std::uint8_t, ReceivedMessage::kMaxLength> bytes{};
  bytes[1] = code == kDeviceInfo ? kTypeDeviceInfo : kTypeCommand;
  bytes[2] = code == kDeviceInfo ? 40 : 7;
  bytes[4] = static_cast<std::uint8_t>(code);
  const std::size_t at = code == kDeviceInfo ? 40 : 7;
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(word >> (8 * i));
  return bytes;
}

class DispatchTest : public FramedSession {
 protected:
  void SetUp() override {
    backend.AddDevice("recorder", FramedEmulator::kVendorId, FramedEmulator::kProductId, device);
    ASSERT_EQ(session.hid.DetectDevice(), 1);
    ASSERT_EQ(session.hid.OpenDevice(), 1);
    session.stopRequested = 0;
    debug.Clear();
  }
  void Deliver(const std::array<std::uint8_t, ReceivedMessage::kMaxLength>& message) {
    OnFramedMessage(session, message.data(), 11);
  }
  // The controller replies to the next write with `message`.
  void QueueReply(const std::array<std::uint8_t, ReceivedMessage::kMaxLength>& message) {
    hid::Report report{};
    report[1] = 11;
    std::copy(message.begin(), message.end(), report.begin() + 2);
    device->QueueReply(report);
  }
  // The state after this update completed the image of `file`: the next data request
  // is answered with the finish command.
  void ImageComplete(const TempFile& file, std::uint32_t length) {
    session.state.packagePath = file.path();
    session.state.imageLength() = session.state.imageSent() = length;
    session.state.transferPhase = TransferPhase::kStreaming;
    session.packageConfirmed = true;
    session.framedPhase = FramedPhase::kFinish;
  }

  std::shared_ptr<testkit::RecordingDevice> device = std::make_shared<testkit::RecordingDevice>();
};

TEST_F(DispatchTest, VersionReportSetsTheTitleOrShowsTheInstructions) {
  Deliver(Message(kCommandVersionReport, 156u | 2u << 16));
  EXPECT_EQ(view.title(), kProduct + "(GamePad V1.56 beta2)");
  EXPECT_TRUE(debug.Contains("cur_devVersion 0x2009c\n"));
  Deliver(Message(kCommandVersionReport, 156u));
  EXPECT_EQ(view.title(), kProduct + "(GamePad V1.56)");
  Deliver(Message(kCommandVersionReport, kNoFirmware));
  EXPECT_EQ(session.deviceVersion, kNoFirmware);
  EXPECT_EQ(view.title(), kProduct + "(GamePad V1.56)") << "no firmware: the title stays";
  ASSERT_EQ(view.messages().size(), 1u);
  EXPECT_EQ(view.messages()[0].text, LocalizedText(text::kInstructions));
}

TEST_F(DispatchTest, BootModeIsFirmwareType1Or200) {
  view.ChooseFile(std::nullopt);  // the user cancels the file dialog
  for (const std::uint32_t type : {1u, 200u, 0u, 2u}) {
    SCOPED_TRACE(type);
    session.stopRequested = 0;
    Deliver(Message(kDeviceInfo, type));
    EXPECT_EQ(session.firmwareType, static_cast<int>(type));
    EXPECT_EQ(session.stopRequested, 1);
    EXPECT_EQ(session.outcome, IsBootMode(type) ? UpdateOutcome::kNoPackage : UpdateOutcome::kNotInBootMode);
  }
  EXPECT_EQ(view.fileDialogs(), 2);
  EXPECT_EQ(Shown(kNotInBootModeBox), 2);
  EXPECT_EQ(debug.Count(kNotInBootModeBox), 2);
}

TEST_F(DispatchTest, BootModeWithAConfirmedPackageAnnouncesTheImage) {
  const TempFile file(PackageBytes({Section(0, PatternBytes(80, 1), 0, 156, 2, 0x08004000)}));
  view.ChooseFile(file.path());
  session.target = UpdateTarget{"recorder", hid::Protocol::kFramed};
  Deliver(Message(kDeviceInfo, 1));

  EXPECT_EQ(session.framedPhase, FramedPhase::kFirstChunk);
  EXPECT_EQ(session.stage(), UpdateStage::kWritingMain);
  const std::vector<hid::Report> sent = device->reports();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(testkit::DataBytes(sent[0], 8), (std::vector<std::uint8_t>{0x23, 0x00, 0x16, 0x1F, 0x00, 0x01, 0x1C, 0x00}));
  EXPECT_TRUE(debug.Contains("SendFirmwarePacket cmd 1\n"));
  EXPECT_TRUE(debug.Contains("desVersion is 131228\n"));
}

TEST_F(DispatchTest, MalformedOrUnknownMessagesChangeNothing) {
  const TempFile file(PackageBytes({Section(0, PatternBytes(40, 1))}));
  ImageComplete(file, 40);
  auto badFirstByte = Message(kCommandDataRequest);
  badFirstByte[0] = 1;
  auto unknownType = Message(kCommandDataRequest);
  unknownType[1] = 23;
  for (const auto& message : {badFirstByte, unknownType, Message(5), Message(0), Message(22)}) Deliver(message);
  EXPECT_TRUE(device->reports().empty());
  EXPECT_TRUE(view.messages().empty());
  EXPECT_EQ(session.stopRequested, 0);
  EXPECT_EQ(session.outcome, UpdateOutcome::kNone);

  // The same session does act on a well-formed data request: the finish goes out.
  Deliver(Message(kCommandDataRequest));
  ASSERT_EQ(device->reports().size(), 1u);
  EXPECT_EQ(testkit::DataBytes(device->reports()[0], 6), (std::vector<std::uint8_t>{5, 0x00, 0x16, 0x01, 0x00, 0x02}));
  EXPECT_EQ(session.state.transferPhase, TransferPhase::kFinished);
  EXPECT_EQ(session.stopRequested, 1) << "the worker settles the controller's verdict on the finish";
}

TEST_F(DispatchTest, DataRequestsWithoutACompletedImageAreNotAnswered) {
  for (const FramedPhase phase : {FramedPhase::kFinish, FramedPhase::kStarting}) {  // no package; before the start
    session.framedPhase = phase;
    Deliver(Message(kCommandDataRequest));
  }
  session.framedPhase = FramedPhase::kNextChunk;  // streaming, but a stop closed the package
  session.packageConfirmed = true;
  Deliver(Message(kCommandDataRequest));
  EXPECT_TRUE(device->reports().empty());

  const TempFile file(PackageBytes({Section(0, PatternBytes(40, 1))}));
  ImageComplete(file, 40);
  Deliver(Message(kCommandDataRequest));
  Deliver(Message(kCommandDataRequest));
  EXPECT_EQ(device->reports().size(), 1u) << "one finish, not two";
  EXPECT_EQ(session.state.transferPhase, TransferPhase::kFinished);
}

TEST_F(DispatchTest, ChunkThatCannotBeWrittenFailsTheUpdate) {
  const TempFile file(PackageBytes({Section(0, PatternBytes(100, 1))}));
  session.state.packagePath = file.path();
  session.state.imageDataOffset() = 28;
  session.state.imageLength() = 100;
  session.framedPhase = FramedPhase::kFirstChunk;
  Deliver(Message(kCommandDataRequest));
  ASSERT_EQ(session.state.imageSent(), 32u);
  device->Unplug();
  Deliver(Message(kCommandDataRequest));
  EXPECT_EQ(session.state.imageSent(), 32u) << "the lost chunk is not counted as sent";
  EXPECT_EQ(session.outcome, UpdateOutcome::kFailed);
  EXPECT_EQ(Shown(kFailureBox), 1);
  EXPECT_FALSE(session.state.packageFile.IsOpen());
}

TEST_F(DispatchTest, ProbeWaitsPastThePlaceholderVersion) {
  // The placeholder first, then (after a read that found nothing) the real version.
  QueueReply(Message(kCommandVersionReport, kVersionNotReported));
  QueueReply(Message(kCommandVersionReport, 150));
  ProbeDevice(session);
  EXPECT_EQ(session.deviceVersion, 150u);
  EXPECT_TRUE(debug.Contains("cur_devVersion 0x5a5a5a5a\n"));
  EXPECT_EQ(debug.Count("recv() failed with error code 0x102\n"), 1);
}

TEST_F(DispatchTest, ProbeGivesUpOnASilentController) {
  ProbeDevice(session);
  EXPECT_EQ(session.deviceVersion, kVersionNotReported);
  EXPECT_LE(clock.NowMs(), kProbeWaitMs + hid::CHid::kOpenReadTimeoutMs);
}

// The dialog's probe asks for the version alone; the command line's also asks which
// firmware answers, and a device information then must not start choosing a package
// nor say "not in boot mode" as if an update had failed.
TEST_F(DispatchTest, ProbeAsksTheModeOnlyWhenToldAndNeverActsOnIt) {
  QueueReply(Message(kCommandVersionReport, 150));
  ProbeDevice(session);
  ASSERT_EQ(device->reports().size(), 1u);
  EXPECT_FALSE(session.probe.inBootMode.has_value());

  for (const std::uint32_t type : {0u, 200u}) {
    session.probeReadsMode = true;
    QueueReply(Message(kCommandVersionReport, 150));
    QueueReply(Message(kDeviceInfo, type));
    ProbeDevice(session);
    ASSERT_EQ(session.probe.inBootMode, std::optional<bool>(type == 200)) << type;
    EXPECT_EQ(device->reports().back()[3], kTypeStart);
  }
  EXPECT_TRUE(view.messages().empty());
  EXPECT_EQ(session.outcome, UpdateOutcome::kNone);
  EXPECT_FALSE(session.packageConfirmed);
}

}  // namespace
}  // namespace vantor::framed::fixtures
