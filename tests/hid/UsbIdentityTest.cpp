// The USB port path is read from a sysfs tree; here a small tree of the same shape.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "hid/hidapi/UsbIdentity.h"

namespace vantor::hid {
namespace {

namespace fs = std::filesystem;

class SysfsTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("vantor-sysfs-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "class" / "hidraw");
  }
  void TearDown() override { fs::remove_all(root_); }

  // /sys/class/hidraw/<node>/device -> the HID device under `usbInterface`.
  void AddNode(const std::string& node, const fs::path& usbInterface) {
    const fs::path hidDevice = root_ / "devices" / usbInterface / "0003:2DC8:3002.0007";
    fs::create_directories(hidDevice);
    fs::create_directories(root_ / "class" / "hidraw" / node);
    fs::create_symlink(hidDevice, root_ / "class" / "hidraw" / node / "device");
  }

  fs::path root_;
};

TEST_F(SysfsTree, TheUsbDeviceFolderNamesThePort) {
  AddNode("hidraw4", fs::path("pci0000:00") / "usb1" / "1-2" / "1-2.3" / "1-2.3:1.0");
  EXPECT_EQ(UsbLocationOfHidraw("/dev/hidraw4", root_.string()), std::optional<std::string>("1-2.3"));
}

TEST_F(SysfsTree, NodesOffUsbOrUnknownHaveNoLocation) {
  AddNode("hidraw5", fs::path("platform") / "i2c-ELAN0001:00");
  EXPECT_EQ(UsbLocationOfHidraw("/dev/hidraw5", root_.string()), std::nullopt);
  EXPECT_EQ(UsbLocationOfHidraw("/dev/hidraw9", root_.string()), std::nullopt);
  EXPECT_EQ(UsbLocationOfHidraw("/dev/ttyUSB0", root_.string()), std::nullopt);
}

TEST(SerialNumber, WideTextBecomesUtf8AndEmptyIsMissing) {
  EXPECT_EQ(SerialNumberUtf8(L"AB12"), std::optional<std::string>("AB12"));
  EXPECT_EQ(SerialNumberUtf8(L"\u624b"), std::optional<std::string>("\xe6\x89\x8b"));
  EXPECT_EQ(SerialNumberUtf8(L""), std::nullopt);
  EXPECT_EQ(SerialNumberUtf8(nullptr), std::nullopt);
}

}  // namespace
}  // namespace vantor::hid
