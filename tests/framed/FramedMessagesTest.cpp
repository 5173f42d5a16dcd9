#include <gtest/gtest.h>

#include "framed/FramedMessages.h"
#include "sim/SimHidBackend.h"
#include "support/RecordingDevice.h"
#include "support/TestKit.h"

namespace vantor::framed {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testkit::DataBytes;

struct FramedMessagesFixture : ::testing::Test {
  void SetUp() override {
    backend.AddDevice("framed", 0x0483, 0x5750, device);
    ASSERT_EQ(session.hid.DetectDevice(), 1);
    ASSERT_EQ(session.hid.OpenDevice(), 1);
    debug.Clear();
  }
  // The count byte and frame bytes of report `index`.
  Bytes Sent(std::size_t index) const {
    const hid::Report report = device->reports().at(index);
    EXPECT_EQ(report[0], 0) << "output reports carry report id 0";
    return DataBytes(report, 1 + report[1]);
  }

  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  testkit::ScriptedView view;
  UpdateSession session{backend, view, clock};
  std::shared_ptr<testkit::RecordingDevice> device = std::make_shared<testkit::RecordingDevice>();
  testkit::DebugRecorder debug;
};

TEST_F(FramedMessagesFixture, CommandsWithoutPayloadAreFiveByteFramesInOneReport) {
  EXPECT_NE(SendFirmwarePacket(session, kCommandVersionQuery, nullptr, 0), 0);
  EXPECT_EQ(Sent(0), (Bytes{0x05, 0x00, 0x16, 0x01, 0x00, 0x04}));
  EXPECT_TRUE(debug.Contains("SendFirmwarePacket cmd 4\n"));

  SendFirmwarePacket(session, kCommandFinish, nullptr, 0);
  EXPECT_EQ(Sent(1), (Bytes{0x05, 0x00, 0x16, 0x01, 0x00, 0x02}));

  SendControlMessage(session, kTypeStart, 0);
  SendControlMessage(session, kTypeNoReport, 0);
  EXPECT_EQ(Sent(2), (Bytes{0x05, 0x00, 0x1A, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Sent(3), (Bytes{0x05, 0x00, 0x1D, 0x01, 0x00, 0x00}));
  EXPECT_EQ(debug.lines().size(), 2u) << "control messages write no debugger line";
}

TEST_F(FramedMessagesFixture, HeaderCarriesVersionAddressLengthAndSixteenZeros) {
  SendHeaderMessage(session, 0x00020096, 0x08004000, 0x00012345);
  Bytes expected{0x23, 0x00, 0x16, 0x1F, 0x00, 0x01, 0x1C, 0x00,
                 0x96, 0x00, 0x02, 0x00, 0x00, 0x40, 0x00, 0x08, 0x45, 0x23, 0x01, 0x00};
  expected.resize(1 + 35, 0);
  EXPECT_EQ(Sent(0), expected);
  EXPECT_TRUE(debug.Contains("SendFirmwarePacket cmd 1\n"));
}

TEST_F(FramedMessagesFixture, DataFramesFitOneReportUpToThirtyTwoBytes) {
  const Bytes chunk = testkit::PatternBytes(32, 1);
  SendDataMessage(session, chunk.data(), 32);
  Bytes expected{0x27, 0x00, 0x16, 0x23, 0x00, 0x00, 0x20, 0x00};
  expected.insert(expected.end(), chunk.begin(), chunk.end());
  EXPECT_EQ(Sent(0), expected);

  SendDataMessage(session, chunk.data(), 20);
  expected = {27, 0x00, 0x16, 0x17, 0x00, 0x00, 0x14, 0x00};
  expected.insert(expected.end(), chunk.begin(), chunk.begin() + 20);
  EXPECT_EQ(Sent(1), expected);

  SendDataMessage(session, chunk.data(), 0);
  EXPECT_EQ(Sent(2), (Bytes{0x05, 0x00, 0x16, 0x01, 0x00, 0x00}));

  EXPECT_EQ(debug.lines(), (std::vector<std::string>{"WriteHid 39 btye sucessful\n", "WriteHid 27 btye sucessful\n",
                                                     "WriteHid 5 btye sucessful\n"}))
      << "no debugger line names a data message's command";
}

TEST_F(FramedMessagesFixture, LongDataFramesAreCutIntoPiecesOfThirtyNine) {
  const Bytes payload = testkit::PatternBytes(50, 9);
  const Bytes frame = BuildCommandFrame(kCommandData, payload.data(), 50);
  ASSERT_EQ(frame.size(), 57u);
  SendDataMessage(session, payload.data(), 50);
  ASSERT_EQ(device->reports().size(), 2u);
  Bytes first{39};
  first.insert(first.end(), frame.begin(), frame.begin() + 39);
  Bytes second{18};
  second.insert(second.end(), frame.begin() + 39, frame.end());
  EXPECT_EQ(Sent(0), first);
  EXPECT_EQ(Sent(1), second);
  EXPECT_EQ(debug.Count("WriteHid 39 btye sucessful\n"), 1);
  EXPECT_EQ(debug.Count("WriteHid 18 btye sucessful\n"), 1);
}

TEST_F(FramedMessagesFixture, AnUnwrittenPieceStopsTheFrame) {
  device->Unplug();
  const Bytes payload = testkit::PatternBytes(50, 9);
  EXPECT_EQ(SendDataMessage(session, payload.data(), 50), 0);
  EXPECT_EQ(debug.lines(), (std::vector<std::string>{"WriteHid error\n"}));
  EXPECT_EQ(SendFirmwarePacket(session, kCommandFinish, nullptr, 0), 0);
  EXPECT_EQ(SendControlMessage(session, kTypeStart, 0), 0);
}

TEST(FramedFrames, PayloadsAreBoundedByTheFrameArea) {
  const Bytes big(2000, 0xAB);
  const Bytes frame = BuildCommandFrame(kCommandData, big.data(), 2000);
  EXPECT_EQ(frame.size(), kFrameBufferSize);
  EXPECT_EQ(frame[2] | frame[3] << 8, 1017 + 3);
}

TEST(ReceivedMessages, FieldsAreReadAtTheirOffsets) {
  std::uint8_t message[ReceivedMessage::kMaxLength] = {};
  message[1] = kTypeCommand;
  message[4] = kCommandVersionReport;
  message[7] = 0x9C;
  message[9] = 0x02;
  message[40] = 200;
  const ReceivedMessage received{message};
  EXPECT_TRUE(received.wellFormed());
  EXPECT_EQ(received.command(), kCommandVersionReport);
  EXPECT_EQ(received.reportedVersion(), 0x0002009Cu);
  EXPECT_EQ(received.firmwareType(), 200u);
  EXPECT_TRUE(IsBootMode(1));
  EXPECT_TRUE(IsBootMode(200));
  EXPECT_FALSE(IsBootMode(0));
  EXPECT_FALSE(IsBootMode(2));
  message[0] = 1;
  EXPECT_FALSE(received.wellFormed());
}

}  // namespace
}  // namespace vantor::framed
