#include <gtest/gtest.h>

#include "cli/DeviceSelection.h"

namespace vantor::cli {
namespace {

// What a controller reports about itself reaches the terminal only as text: an escape
// sequence in its serial number would otherwise clear the screen or retitle the window.
TEST(DeviceWords, AControllersStringsCannotDriveTheTerminal) {
  SetUiLanguageOverride(kLanguageEnglishUs);
  const hid::FoundController controller{"/dev/hidraw3", 0x2DC8, 0x3002, hid::Protocol::kAddressed,
                                        std::string("AB\x1b]0;owned\x07") + "\xc2\x9b" + "2J", "1-2"};
  const std::string line = DescribeController(controller);
  EXPECT_EQ(line.find('\x1b'), std::string::npos) << line;
  EXPECT_EQ(line.find('\x07'), std::string::npos) << line;
  EXPECT_EQ(line.find("\xc2\x9b"), std::string::npos) << line;
  EXPECT_NE(line.find("serial AB\\x1b]0;owned\\x07\\u009b2J"), std::string::npos) << line;
  EXPECT_EQ(Printable("VTSIM0001 \xe6\x89\x8b\xe6\x9f\x84"), "VTSIM0001 \xe6\x89\x8b\xe6\x9f\x84") << "text stays as it is";
  SetUiLanguageOverride(std::nullopt);
}

}  // namespace
}  // namespace vantor::cli
