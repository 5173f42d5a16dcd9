// The Windows HID backend against the system it runs on. Under Wine that system has
// two virtual HID devices of its own (vendor 0x845E) and no controller.
#include <gtest/gtest.h>

#include <windows.h>

#include "hid/CHid.h"
#include "hid/SupportedDevices.h"
#include "hid/win32/Win32HidBackend.h"

namespace vantor::hid {
namespace {

bool RunningUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(Win32Backend, PassesOverEveryDeviceThatIsNoController) {
  Win32HidBackend backend;
  const std::vector<HidInterface> interfaces = backend.Enumerate();
  int winesOwn = 0;
  for (const HidInterface& found : interfaces) {
    EXPECT_FALSE(found.path.empty());
    if (found.vendorId && found.productId) {
      EXPECT_FALSE(ProtocolOf(*found.vendorId, *found.productId).has_value())
          << "this machine has no controller: " << found.path;
      if (*found.vendorId == 0x845E) ++winesOwn;
    }
  }
  if (RunningUnderWine()) {
    EXPECT_GE(winesOwn, 1) << "Wine's virtual mouse and keyboard are HID devices";
  }

  CHid chid(backend);
  EXPECT_EQ(chid.DetectDevice(), 0);
  EXPECT_EQ(chid.m_bDevicePresent, 0);
  EXPECT_EQ(chid.DevicePath(), "");
  EXPECT_EQ(chid.OpenDevice(), 0) << "no path was ever accepted";
}

TEST(Win32Backend, OpeningAGoneDeviceSaysSo) {
  Win32HidBackend backend;
  OpenError error = OpenError::kNone;
  EXPECT_EQ(backend.Open("\\\\?\\hid#vid_2dc8&pid_3002#gone#{4d1e55b2-f16f-11cf-88cb-001111000030}", &error),
            nullptr);
  EXPECT_EQ(error, OpenError::kNotFound);
}

TEST(Win32Backend, RegistersAWindowForHidArrivalsOnlyOnce) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  Win32HidBackend backend;
  EXPECT_EQ(backend.RegisterNotifications(nullptr), nullptr);
  {
    CHid chid(backend);
    chid.m_hNotifyWnd = window;
    chid.DetectDevice();
    EXPECT_EQ(chid.m_bNotifyRegistered, 1);
    EXPECT_EQ(chid.RegisterHidNotification(), 1);
  }  // unregisters before the window goes
  DestroyWindow(window);
}

}  // namespace
}  // namespace vantor::hid
