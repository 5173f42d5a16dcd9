#include <gtest/gtest.h>

#include <functional>

#include "addressed/AddressedCommands.h"
#include "sim/SimHidBackend.h"
#include "support/RecordingDevice.h"
#include "support/TestKit.h"

namespace vantor::addressed {
namespace {

using Bytes = std::vector<std::uint8_t>;

hid::Report Reply(std::uint16_t code, std::uint16_t status = kStatusDone, const Bytes& data = {}) {
  hid::Report report{};
  report[2] = kCommandMarker;
  report[3] = static_cast<std::uint8_t>(status);
  report[4] = static_cast<std::uint8_t>(status >> 8);
  report[5] = static_cast<std::uint8_t>(code);
  report[6] = static_cast<std::uint8_t>(code >> 8);
  std::copy(data.begin(), data.end(), report.begin() + 1 + kReplyDataOffset);
  return report;
}

// A bootloader stand-in whose answer to the n-th command (0-based) comes from a script.
class ScriptedBootloader : public sim::SimDevice {
 public:
  using Script = std::function<std::vector<hid::Report>(std::size_t index)>;
  explicit ScriptedBootloader(Script script) : script_(std::move(script)) {}

  void OnOutputReport(const hid::Report& report, sim::ReportSink& host) override {
    std::size_t index = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      reports_.push_back(report);
      index = reports_.size() - 1;
    }
    for (const hid::Report& reply : script_(index)) host.Emit(reply);
  }
  std::vector<hid::Report> reports() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }

 private:
  Script script_;
  mutable std::mutex mutex_;
  std::vector<hid::Report> reports_;
};

class AddressedCommandsFixture : public ::testing::Test {
 protected:
  void Attach(ScriptedBootloader::Script script) {
    device = std::make_shared<ScriptedBootloader>(std::move(script));
    backend.AddDevice("controller", 0x2DC8, 0x3002, device);
    ASSERT_EQ(session.hid.DetectDevice(), 1);
    ASSERT_EQ(session.hid.OpenDevice(), 1);
    session.hid.SetReadTimeout(10);
  }
  std::vector<hid::Report> Sent() const { return device->reports(); }

  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  testkit::ScriptedView view;
  UpdateSession session{backend, view, clock};
  std::shared_ptr<ScriptedBootloader> device;
};

std::vector<hid::Report> None(std::size_t) { return {}; }

TEST(AddressedCommandLayout, HeaderThenAtMost46DataBytes) {
  const EncodedCommand query = EncodeCommand(nullptr, 44, 0, 44, kCommandDeviceInfo);
  EXPECT_EQ(query.count, 17);
  EXPECT_EQ(Bytes(query.bytes.begin(), query.bytes.begin() + 17),
            (Bytes{5, 0xC0, 0, 0, 0, 44, 0, 0, 0, 44, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(query.bytes.begin() + 17, query.bytes.end()), Bytes(47, 0));

  const Bytes sixty = testkit::PatternBytes(60, 3);
  const EncodedCommand write = EncodeCommand(sixty.data(), 60, 0x80012345, 500, kCommandWriteImageData);
  EXPECT_EQ(write.count, 63);
  EXPECT_EQ(Bytes(write.bytes.begin(), write.bytes.begin() + 17),
            (Bytes{5, 3, 0, 0, 0, 46, 0, 0, 0, 0xF4, 0x01, 0, 0, 0x45, 0x23, 0x01, 0x80}));
  EXPECT_EQ(Bytes(write.bytes.begin() + 17, write.bytes.begin() + 63), Bytes(sixty.begin(), sixty.begin() + 46));
  EXPECT_EQ(write.bytes[63], 0);

  const EncodedCommand capped = EncodeCommand(nullptr, 60, 0x08000000, 60, kCommandRead);
  EXPECT_EQ(capped.count, 17) << "the capped length is stored, but no data follows";
  EXPECT_EQ(capped.bytes[5], 46);
}

TEST_F(AddressedCommandsFixture, OnlyTheCountedBytesReplaceTheOutputReport) {
  Attach(None);
  const Bytes data = testkit::PatternBytes(46, 9);
  EXPECT_EQ(WriteBlock(session, data.data(), 0x08004000, 46, 46, true), 0);
  EXPECT_EQ(RunFirmware(session), 0);
  const std::vector<hid::Report> sent = Sent();
  ASSERT_EQ(sent.size(), 2u) << "a write block is never sent again, nor the run command";
  EXPECT_EQ(testkit::DataBytes(sent[1], 17), (Bytes{5, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // The run command hands 17 bytes over: the earlier data is still behind them.
  EXPECT_EQ(Bytes(sent[1].begin() + 18, sent[1].begin() + 64), data);
  EXPECT_EQ(clock.NowMs(), 20u * 10 + 20 * 10) << "20 reads for the write, as many for the run";
}

TEST_F(AddressedCommandsFixture, MemoryReadCopiesAtMostOneReplysData) {
  const Bytes contents = testkit::PatternBytes(46, 1);
  Attach([&](std::size_t) { return std::vector<hid::Report>{Reply(kCommandRead, kStatusDone, contents)}; });
  Bytes destination(64, 0xEE);
  ASSERT_EQ(ReadDeviceMemory(session, destination.data(), 2, kBleVersionAddress), 1);
  EXPECT_EQ(testkit::DataBytes(Sent()[0], 17),
            (Bytes{5, 5, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0x04, 0x00, 0x01, 0x80}));
  EXPECT_EQ(Bytes(destination.begin(), destination.begin() + 3), (Bytes{contents[0], contents[1], 0xEE}));

  ASSERT_EQ(ReadDeviceMemory(session, destination.data(), 60, 0x08000000), 1);
  EXPECT_EQ(testkit::DataBytes(Sent()[1], 17),
            (Bytes{5, 5, 0, 0, 0, 46, 0, 0, 0, 60, 0, 0, 0, 0, 0, 0, 0x08}));
  EXPECT_EQ(Bytes(destination.begin(), destination.begin() + 46), contents);
  EXPECT_EQ(destination[46], 0xEE) << "nothing past the reply's 46 data bytes";
}

TEST_F(AddressedCommandsFixture, DeviceInfoIsAskedAgainOnlyAfterSilence) {
  const Bytes info = testkit::PatternBytes(44, 5);
  // Silence first; then a stale reply ahead of the real one.
  Attach([&](std::size_t index) {
    if (index == 0) return std::vector<hid::Report>{};
    return std::vector<hid::Report>{Reply(kCommandRead), Reply(kCommandDeviceInfo, kStatusDone, info)};
  });
  Bytes destination(44, 0);
  ASSERT_EQ(QueryDeviceInfo(session, destination.data(), 44), 1);
  EXPECT_EQ(destination, info);
  const std::vector<hid::Report> sent = Sent();
  ASSERT_EQ(sent.size(), 2u) << "the stale reply is skipped without asking again";
  EXPECT_EQ(sent[0][6], 44);
  EXPECT_EQ(sent[0][10], 44);
  EXPECT_EQ(testkit::DataBytes(sent[1], 17), (Bytes{5, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(clock.NowMs(), 10u + 100u);
}

TEST_F(AddressedCommandsFixture, EraseDoneAtTheFirstPoll) {
  Attach([](std::size_t) { return std::vector<hid::Report>{Reply(kCommandErase)}; });
  EXPECT_EQ(EraseRegion(session, kCommandErase, 0x08004000, 0x2000), 1);
  const std::vector<hid::Report> sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(testkit::DataBytes(sent[0], 17),
            (Bytes{5, 4, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x20, 0, 0, 0x00, 0x40, 0x00, 0x08}));
  EXPECT_EQ(clock.NowMs(), 1000u);
}

TEST_F(AddressedCommandsFixture, EraseCountsPollsFromTheLastBusyReply) {
  // Polls 1..14 read done replies to other commands, which do not end the erase;
  // poll 15 reads busy; then silence.
  Attach([](std::size_t index) {
    if (index < 14) return std::vector<hid::Report>{Reply(kCommandWriteImageData)};
    if (index == 14) return std::vector<hid::Report>{Reply(kCommandErase, kStatusBusy)};
    return std::vector<hid::Report>{};
  });
  EXPECT_EQ(EraseRegion(session, kCommandErase, 0x08004000, 0x2000), 0);
  EXPECT_EQ(Sent().size(), 1u + 34u) << "34 polls, each followed by the command again";
  EXPECT_EQ(clock.NowMs(), 1000u + 34u * 500u + 19u * 10u);
}

TEST_F(AddressedCommandsFixture, StampedValuesGoToTheirFixedAddresses) {
  Attach([](std::size_t) { return std::vector<hid::Report>{Reply(kCommandWriteBlock)}; });
  session.state.firmwareVersion() = 150 | 2u << 16;
  session.state.bleVersion() = 0x0203;
  EXPECT_EQ(WriteFirmwareVersion(session), 1);
  EXPECT_EQ(WriteBleCheckWord(session), 1);
  EXPECT_EQ(WriteBleVersion(session), 1);
  const std::vector<hid::Report> sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(testkit::DataBytes(sent[0], 21),
            (Bytes{5, 2, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 0x34, 0, 0, 0x08, 0x96, 0x00, 0x02, 0x00}));
  EXPECT_EQ(testkit::DataBytes(sent[1], 19),
            (Bytes{5, 2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0x06, 0, 0x01, 0x80, 0x00, 0x00}));
  EXPECT_EQ(testkit::DataBytes(sent[2], 19),
            (Bytes{5, 2, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0x04, 0, 0x01, 0x80, 0x03, 0x02}));

  // The constant enters eight times and cancels: the word is the XOR of the block's words.
  std::array<std::uint8_t, 16> block{};
  block[0] = 0x34;
  block[1] = 0x12;
  block[15] = 0x0F;
  EXPECT_EQ(BleCheckWord(block), 0x0F00 ^ 0x1234);
}

}  // namespace
}  // namespace vantor::addressed
