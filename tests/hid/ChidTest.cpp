#include <gtest/gtest.h>

#include "hid/CHid.h"
#include "sim/SimHidBackend.h"
#include "support/TestKit.h"

namespace vantor {
namespace {

// A device that echoes every output report back as an input report.
class EchoDevice : public sim::SimDevice {
 public:
  void OnOutputReport(const hid::Report& report, sim::ReportSink& host) override {
    last = report;
    ++writes;
    if (echo) host.Emit(report);
  }
  hid::Report last{};
  int writes = 0;
  bool echo = false;
};

struct ChidFixture : ::testing::Test {
  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  hid::CHid chid{backend};
};

TEST_F(ChidFixture, AcceptsSupportedPairsInEnumerationOrderOnly) {
  backend.AddUnreadableInterface("unreadable");
  backend.AddDevice("wine-mouse", 0x845E, 0x0001, std::make_shared<EchoDevice>());
  backend.AddDevice("wrong-product", 0x0483, 0x3002, std::make_shared<EchoDevice>());
  backend.AddDevice("addressed", 0x2DC8, 0x3002, std::make_shared<EchoDevice>());
  backend.AddDevice("framed", 0x2DC8, 0x5750, std::make_shared<EchoDevice>());

  EXPECT_EQ(chid.DetectDevice(), 1);
  EXPECT_EQ(chid.DevicePath(), "addressed");
  EXPECT_EQ(chid.Detected()->protocol, hid::Protocol::kAddressed);
  EXPECT_EQ(chid.m_bDevicePresent, 1);

  const auto listed = chid.ListControllers();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].path, "addressed");
  EXPECT_EQ(listed[1].path, "framed");
  EXPECT_EQ(listed[1].protocol, hid::Protocol::kFramed);

  chid.RestrictToPath("framed");
  EXPECT_EQ(chid.DetectDevice(), 1);
  EXPECT_EQ(chid.Detected()->protocol, hid::Protocol::kFramed);
}

TEST_F(ChidFixture, PresenceLeavesTheDetectedControllerAlone) {
  backend.AddDevice("addressed", 0x2DC8, 0x3002, std::make_shared<EchoDevice>());
  EXPECT_EQ(chid.DetectDevice(), 1);
  backend.AddDeviceFirst("framed", 0x2DC8, 0x5750, std::make_shared<EchoDevice>());
  EXPECT_EQ(chid.DetectPresence(), 1);
  EXPECT_EQ(chid.DevicePath(), "addressed");
  EXPECT_EQ(chid.Detected()->protocol, hid::Protocol::kAddressed);
  backend.RemoveAll();
  EXPECT_EQ(chid.DetectPresence(), 0);
  EXPECT_EQ(chid.m_bDevicePresent, 0);
  EXPECT_EQ(chid.DevicePath(), "addressed");
}

TEST_F(ChidFixture, FailedDetectionKeepsPathAndProtocolAndRegistersOnce) {
  backend.AddDevice("addressed", 0x2DC8, 0x3002, std::make_shared<EchoDevice>());
  EXPECT_EQ(chid.DetectDevice(), 1);
  backend.RemoveAll();
  EXPECT_EQ(chid.DetectDevice(), 0);
  EXPECT_EQ(chid.DetectDevice(), 0);
  EXPECT_EQ(chid.m_bDevicePresent, 0);
  EXPECT_EQ(chid.Detected()->protocol, hid::Protocol::kAddressed);
  EXPECT_EQ(chid.DevicePath(), "addressed");
  EXPECT_EQ(backend.registrations(), 1);
}

TEST_F(ChidFixture, RegistersEvenWhenNothingIsFound) {
  EXPECT_EQ(chid.DetectDevice(), 0);
  EXPECT_EQ(chid.m_bNotifyRegistered, 1);
  EXPECT_EQ(backend.registrations(), 1);
}

TEST_F(ChidFixture, OutputReportKeepsBytesAnEarlierWriteLeft) {
  auto device = std::make_shared<EchoDevice>();
  backend.AddDevice("framed", 0x0483, 0x5750, device);
  ASSERT_EQ(chid.DetectDevice(), 1);
  ASSERT_EQ(chid.OpenDevice(), 1);

  std::uint8_t forty[40];
  for (int i = 0; i < 40; ++i) forty[i] = static_cast<std::uint8_t>(0xA0 + i);
  ASSERT_NE(chid.WriteHid(forty, 40), 0);
  const std::uint8_t six[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_NE(chid.WriteHid(six, 6), 0);

  hid::Report expected{};
  for (int i = 0; i < 6; ++i) expected[1 + i] = six[i];
  for (int i = 6; i < 40; ++i) expected[1 + i] = forty[i];
  EXPECT_EQ(device->last, expected);

  ASSERT_NE(chid.WriteHid(nullptr, 0), 0);
  EXPECT_EQ(device->last, expected) << "n = 0 resends the previous 64 data bytes";
}

TEST_F(ChidFixture, WritesAndReadsNeedAnOpenChannel) {
  const std::uint8_t byte = 7;
  EXPECT_EQ(chid.WriteHid(&byte, 1), 0);
  std::uint8_t into[64];
  EXPECT_EQ(chid.ReadHid(into, 64), hid::kReadAbandoned);
  EXPECT_EQ(chid.m_nReadTimeout, 10u);
}

TEST_F(ChidFixture, ReadTimesOutAfterTheChannelsTimeout) {
  auto device = std::make_shared<EchoDevice>();
  backend.AddDevice("framed", 0x0483, 0x5750, device);
  ASSERT_EQ(chid.DetectDevice(), 1);
  ASSERT_EQ(chid.OpenDevice(), 1);
  EXPECT_EQ(chid.m_nReadTimeout, 200u);

  std::uint8_t into[64] = {};
  const std::uint64_t before = clock.NowMs();
  EXPECT_EQ(chid.ReadHid(into, 64), hid::kReadTimeout);
  EXPECT_EQ(clock.NowMs() - before, 200u);
  chid.SetReadTimeout(10);
  EXPECT_EQ(chid.ReadHid(into, 64), hid::kReadTimeout);
  EXPECT_EQ(clock.NowMs() - before, 210u);
}

TEST_F(ChidFixture, ReadCopiesOnlyTheDataBytesAsked) {
  auto device = std::make_shared<EchoDevice>();
  device->echo = true;
  backend.AddDevice("framed", 0x0483, 0x5750, device);
  ASSERT_EQ(chid.DetectDevice(), 1);
  ASSERT_EQ(chid.OpenDevice(), 1);

  const std::uint8_t sent[3] = {0x11, 0x22, 0x33};
  chid.WriteHid(sent, 3);
  std::uint8_t into[64];
  std::fill(std::begin(into), std::end(into), 0xEE);
  EXPECT_EQ(chid.ReadHid(into, 0), hid::kReadOk);
  EXPECT_EQ(into[0], 0xEE) << "n = 0 copies nothing";

  chid.WriteHid(sent, 3);
  EXPECT_EQ(chid.ReadHid(into, 64), hid::kReadOk);
  EXPECT_EQ(into[0], 0x11) << "the report id is dropped";
  EXPECT_EQ(into[2], 0x33);
}

TEST_F(ChidFixture, ReopeningReplacesTheChannel) {
  auto device = std::make_shared<EchoDevice>();
  backend.AddDevice("framed", 0x0483, 0x5750, device);
  ASSERT_EQ(chid.DetectDevice(), 1);
  ASSERT_EQ(chid.OpenDevice(), 1);
  ASSERT_EQ(chid.OpenDevice(), 1);
  EXPECT_EQ(backend.opens(), 2);
  backend.FailOpensWith(hid::OpenError::kAccessDenied);
  EXPECT_EQ(chid.OpenDevice(), 0);
  EXPECT_EQ(chid.LastOpenError(), hid::OpenError::kAccessDenied);
}

}  // namespace
}  // namespace vantor
