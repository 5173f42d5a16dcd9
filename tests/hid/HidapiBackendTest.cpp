#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <cerrno>

#include "hid/CHid.h"
#include "hid/hidapi/HidapiBackend.h"
#include "FakeHidapi.h"

namespace vantor::hid {
namespace {

class HidapiBackendFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_hidapi_reset();
    std::string error;
    backend = CreateHidapiBackend(VANTOR_FAKE_HIDAPI, &error);
    ASSERT_NE(backend, nullptr) << error;
  }

  std::unique_ptr<HidBackend> backend;
};

TEST_F(HidapiBackendFixture, EnumerationKeepsOrderAndIdsAndSkipsNodesWithoutPath) {
  fake_hidapi_add_device("/dev/hidraw3", 0x046D, 0xC52B);
  fake_hidapi_add_device("/dev/hidraw1", 0x2DC8, 0x3002);
  const std::vector<HidInterface> interfaces = backend->Enumerate();
  ASSERT_EQ(interfaces.size(), 2u);
  EXPECT_EQ(interfaces[0].path, "/dev/hidraw3");
  EXPECT_EQ(interfaces[1].vendorId, 0x2DC8);
  EXPECT_EQ(interfaces[1].productId, 0x3002);
  EXPECT_EQ(backend->RegisterNotifications(nullptr), nullptr) << "hidapi has no device-change notifications";
}

// Two controllers of one kind are told apart by their serial numbers.
TEST_F(HidapiBackendFixture, SerialNumbersReachTheControllerListAsUtf8) {
  fake_hidapi_add_device("/dev/hidraw1", 0x2DC8, 0x3002);
  fake_hidapi_set_serial(L"VT-\u00e9001");
  fake_hidapi_add_device("/dev/hidraw2", 0x2DC8, 0x3002);
  CHid chid(*backend);
  const std::vector<FoundController> found = chid.ListControllers();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].serialNumber, std::optional<std::string>("VT-\xc3\xa9" "001"));
  EXPECT_EQ(found[1].serialNumber, std::nullopt);
}

TEST_F(HidapiBackendFixture, ReportsKeepTheirIdByteOnBothSides) {
  fake_hidapi_add_device("/dev/hidraw1", 0x2DC8, 0x5750);
  CHid chid(*backend);
  ASSERT_EQ(chid.DetectDevice(), 1);
  ASSERT_EQ(chid.OpenDevice(), 1);

  const std::uint8_t sent[3] = {0x05, 0x00, 0x1A};
  ASSERT_NE(chid.WriteHid(sent, 3), 0);
  std::uint8_t written[80] = {};
  ASSERT_EQ(fake_hidapi_last_write(written, sizeof written), kReportSize) << "hid_write gets all 65 bytes";
  EXPECT_EQ(written[0], 0) << "report id first";
  EXPECT_EQ(written[1], 0x05);
  EXPECT_EQ(written[3], 0x1A);

  // A device without numbered reports: hidapi hands over the data bytes only.
  const std::uint8_t arriving[4] = {0x07, 0x00, 0x16, 0x01};
  fake_hidapi_queue_input(arriving, sizeof arriving);
  std::uint8_t received[64] = {};
  EXPECT_EQ(chid.ReadHid(received, 64), kReadOk);
  EXPECT_EQ(received[0], 0x07) << "the first data byte, not a report id";
  EXPECT_EQ(received[3], 0x01);
  EXPECT_EQ(fake_hidapi_last_read_timeout(), 200) << "the channel's read time-out after opening";

  EXPECT_EQ(chid.ReadHid(received, 64), kReadTimeout);
  fake_hidapi_fail_reads();
  EXPECT_EQ(chid.ReadHid(received, 64), kReadFailed) << "a vanished device is no report";
}

TEST_F(HidapiBackendFixture, OpenFailuresSayWhy) {
  fake_hidapi_add_device("/dev/hidraw1", 0x2DC8, 0x3002);
  OpenError error = OpenError::kNone;
  fake_hidapi_fail_open(EACCES);
  EXPECT_EQ(backend->Open("/dev/hidraw1", &error), nullptr);
  EXPECT_EQ(error, OpenError::kAccessDenied);
  fake_hidapi_fail_open(EBUSY);
  EXPECT_EQ(backend->Open("/dev/hidraw1", &error), nullptr);
  EXPECT_EQ(error, OpenError::kBusy);
  fake_hidapi_fail_open(0);
  EXPECT_EQ(backend->Open("/dev/hidraw9", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotFound);
}

TEST_F(HidapiBackendFixture, ReplacedChannelsAreClosed) {
  fake_hidapi_add_device("/dev/hidraw1", 0x0483, 0x5750);
  {
    CHid chid(*backend);
    ASSERT_EQ(chid.DetectDevice(), 1);
    ASSERT_EQ(chid.OpenDevice(), 1);
    ASSERT_EQ(chid.OpenDevice(), 1);
    EXPECT_EQ(fake_hidapi_open_devices(), 1) << "the pair it replaced is closed";
  }
  EXPECT_EQ(fake_hidapi_open_devices(), 0);
}

TEST(HidapiLibrary, AMissingLibraryIsExplained) {
  std::string error;
  EXPECT_EQ(CreateHidapiBackend("/nonexistent/libhidapi-hidraw.so.0", &error), nullptr);
  EXPECT_NE(error.find("cannot load"), std::string::npos);
  EXPECT_NE(error.find("libhidapi-hidraw0"), std::string::npos) << "names the package to install";
  EXPECT_NE(error.find("No such file"), std::string::npos) << "keeps the loader's own reason: " << error;

  // A file that is there but no library: the reason is the loader's, not "missing".
  const std::string notALibrary = std::string(::testing::TempDir()) + "vantor-not-a-library.so";
  { std::ofstream(notALibrary) << "not an ELF file\n"; }
  EXPECT_EQ(CreateHidapiBackend(notALibrary.c_str(), &error), nullptr);
  EXPECT_NE(error.find(notALibrary + ": "), std::string::npos) << error;
  EXPECT_EQ(error.find("No such file"), std::string::npos) << error;
  std::remove(notALibrary.c_str());
}

}  // namespace
}  // namespace vantor::hid
