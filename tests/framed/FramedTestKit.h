#pragma once
// A dialog session against the emulated framed bootloader, in virtual time.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/LocalizedText.h"
#include "app/UpdateController.h"
#include "sim/FramedEmulator.h"
#include "sim/SimHidBackend.h"
#include "support/TestKit.h"

namespace vantor::framed::testkit {

using sim::FramedEmulator;
using testing::PackageBytes;
using testing::PatternBytes;
using testing::Section;
using testing::TempFile;

inline const std::string kFailureBox = "Firmware update failure\n";
inline const std::string kSuccessBox = "\n Firmware upgraded! \n";
inline const std::string kNotInBootModeBox = "Firmware update failure, please handle work in BOOT mode\n";
inline const std::string kProduct = "Vantor Update v2.00";

struct EnglishTexts {
  EnglishTexts() { SetUiLanguageOverride(kLanguageEnglishUs); }
  ~EnglishTexts() { SetUiLanguageOverride(std::nullopt); }
};

class FramedSession : public ::testing::Test {
 protected:
  std::shared_ptr<FramedEmulator> Attach(FramedEmulator::Settings settings = {},
                                         std::uint16_t vendor = FramedEmulator::kVendorId) {
    emulator = FramedEmulator::Attach(backend, std::move(settings), "framed-" + std::to_string(++attached_), vendor);
    return emulator;
  }
  // One click with `file` chosen in the file dialog, through to the worker's end.
  void Update(const TempFile& file) {
    view.ChooseFile(file.path());
    ASSERT_TRUE(controller.OnUpdateButton());
    controller.WaitForWorker();
    ASSERT_FALSE(session.workerActive());
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const testing::ShownMessage& message : view.messages()) texts.push_back(message.text);
    return texts;
  }
  int CountMessages(const std::string& text) const {
    int count = 0;
    for (const std::string& shown : MessageTexts()) count += shown == text ? 1 : 0;
    return count;
  }

  EnglishTexts english;
  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  testing::ScriptedView view;
  UpdateSession session{backend, view, clock};
  UpdateController controller{session};
  testing::DebugRecorder debug;
  std::shared_ptr<FramedEmulator> emulator;

 private:
  int attached_ = 0;
};

}  // namespace vantor::framed::testkit
