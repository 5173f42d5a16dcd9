#pragma once
// A dialog session against the emulated framed bootloader, in virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/LocalizedText.h"
#include "update/UpdateController.h"
#include "sim/FramedEmulator.h"
#include "support/TestKit.h"

namespace vantor::framed::fixtures {

using sim::FramedEmulator;
using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;
using testkit::TempFile;

inline const std::string kFailureBox = "Firmware update failure\n";
inline const std::string kSuccessBox = "\n Firmware upgraded! \n";
inline const std::string kNotInBootModeBox = "Firmware update failure, please handle work in BOOT mode\n";
inline const std::string kProduct = "Vantor Update v2.00";

class FramedSession : public ::testing::Test {
 protected:
  FramedSession() { SetUiLanguageOverride(kLanguageEnglishUs); }
  ~FramedSession() override { SetUiLanguageOverride(std::nullopt); }

  void Attach(FramedEmulator::Settings settings = {}, std::uint16_t vendor = FramedEmulator::kVendorId) {
    emulator = FramedEmulator::Attach(backend, std::move(settings), "framed-" + std::to_string(++attached_), vendor);
  }
  // A fresh controller in place of any attached before (the last one may have restarted
  // into its firmware), found by detection as a device arrival would find it.
  void Replace(FramedEmulator::Settings settings = {}) {
    backend.RemoveAll();
    Attach(std::move(settings));
    session.hid.DetectDevice();
  }
  // One click with `file` chosen in the file dialog, through to the worker's end.
  void Update(const TempFile& file) {
    view.ChooseFile(file.path());
    ASSERT_TRUE(controller.OnUpdateButton());
    controller.WaitForWorker();
  }
  int Shown(const std::string& text) const {
    const std::vector<testkit::ShownMessage> messages = view.messages();
    return static_cast<int>(std::count_if(messages.begin(), messages.end(),
                                          [&](const testkit::ShownMessage& m) { return m.text == text; }));
  }
  std::uint32_t LastProgressBeforeReset() const { return view.progress().rbegin()[1]; }

  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  testkit::ScriptedView view;
  UpdateSession session{backend, view, clock};
  UpdateController controller{session};
  testkit::DebugRecorder debug;
  std::shared_ptr<FramedEmulator> emulator;

 private:
  int attached_ = 0;
};

}  // namespace vantor::framed::fixtures
