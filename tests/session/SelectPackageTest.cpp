#include <gtest/gtest.h>

#include "base/LocalizedText.h"
#include "session/SelectPackage.h"
#include "sim/SimHidBackend.h"
#include "support/RecordingDevice.h"
#include "support/TestKit.h"

namespace vantor {
namespace {

using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;
using testkit::TempFile;

struct EnglishTexts {
  EnglishTexts() { SetUiLanguageOverride(kLanguageEnglishUs); }
  ~EnglishTexts() { SetUiLanguageOverride(std::nullopt); }
};

class SelectPackageFixture : public ::testing::Test {
 protected:
  void Attach(std::uint16_t vendor, std::uint16_t product) {
    backend.AddDevice("controller", vendor, product, device);
    ASSERT_EQ(session.hid.DetectDevice(), 1);
    ASSERT_EQ(session.hid.OpenDevice(), 1);
    debug.Clear();
  }
  void AttachFramed() { Attach(0x0483, 0x5750); }
  void AttachAddressed() { Attach(0x2DC8, 0x3002); }
  // The update takes the attached controller as its target, with the type and variant
  // the record holds, as a click does.
  int Select(const TempFile& file) {
    view.ChooseFile(file.path());
    return SelectForTarget();
  }
  int SelectForTarget() {
    session.target = UpdateTarget{"controller", session.hid.Detected()->protocol, state.deviceType(),
                                  state.deviceVariant()};
    return SelectPackage(session);
  }

  EnglishTexts english;
  VirtualClock clock;
  sim::SimHidBackend backend{clock};
  testkit::ScriptedView view;
  UpdateSession session{backend, view, clock};
  std::shared_ptr<testkit::RecordingDevice> device = std::make_shared<testkit::RecordingDevice>();
  testkit::DebugRecorder debug;
  UpdateState& state = session.state;
};

TEST_F(SelectPackageFixture, ConfirmedFramedPackageFillsTheRecordAndSendsNothing) {
  AttachFramed();
  const TempFile file(PackageBytes({Section(0, PatternBytes(80, 1), 0, 156, 2, 0x08004000)}));
  ASSERT_EQ(Select(file), 1);

  EXPECT_EQ(view.lastFilter(), "File type(*.dat)|*.dat||");
  ASSERT_EQ(view.messages().size(), 1u);
  EXPECT_EQ(view.messages()[0].text, "New firmware 1.56 beta2\n");
  EXPECT_EQ(view.messages()[0].caption, "Vantor Update v2.00");
  EXPECT_EQ(view.messages()[0].buttons, MessageButtons::kOkCancel);

  EXPECT_EQ(state.firmwareVersion(), 0x0002009Cu) << "the full word once confirmed";
  EXPECT_EQ(state.imageLength(), 80u);
  EXPECT_EQ(state.imageAddress(), 0x08004000u);
  EXPECT_EQ(state.imageDataOffset(), 28u);
  EXPECT_EQ(state.imageSent(), 0u);
  EXPECT_EQ(session.hid.m_nReadTimeout, 10u);
  EXPECT_TRUE(session.packageConfirmed);
  EXPECT_EQ(session.hasBleImage, 0);
  EXPECT_TRUE(device->reports().empty()) << "the framed protocol announces the image itself";
}

TEST_F(SelectPackageFixture, ConfirmationShowsBetaOnlyWhenThereIsOneAndHundredthsWhenNotZero) {
  EXPECT_EQ(ConfirmationText(120, 0), "New firmware 1.2\n");
  EXPECT_EQ(ConfirmationText(123, 3), "New firmware 1.23 beta3\n");
  EXPECT_EQ(ConfirmationText(150, 1), "New firmware 1.5 beta1\n");
  EXPECT_EQ(ConfirmationText(156, 0), "New firmware 1.56\n") << "not 1.6, which reads as newer than 1.56";
  EXPECT_EQ(ConfirmationText(160, 0), "New firmware 1.6\n");
  EXPECT_EQ(ConfirmationText(105, 0), "New firmware 1.05\n");
  EXPECT_EQ(ConfirmationText(100, 0), "New firmware 1.0\n");
  EXPECT_EQ(ConfirmationText(65535, 65535), "New firmware 655.35 beta65535\n");
  SetUiLanguageOverride(kLanguageChinesePrc);
  EXPECT_EQ(ConfirmationText(150, 0), "新固件 1.5\n");
}

TEST_F(SelectPackageFixture, CancelKeepsTheOpenTimeoutAndSendsNothing) {
  AttachFramed();
  const TempFile file(PackageBytes({Section(0, PatternBytes(80, 1))}));
  view.QueueAnswer(kIdCancel);
  EXPECT_EQ(Select(file), 0);
  EXPECT_EQ(session.hid.m_nReadTimeout, 200u);
  EXPECT_TRUE(device->reports().empty());
  EXPECT_EQ(debug.lines(), (std::vector<std::string>{"MessageBox == IDCANCEL\n"}));
  EXPECT_EQ(state.imageLength(), 80u) << "the record keeps what the search found";
  EXPECT_EQ(session.outcome, UpdateOutcome::kDeclined);
}

TEST_F(SelectPackageFixture, NoFileOrNoMatchingSectionEndsQuietly) {
  AttachAddressed();
  state.deviceType() = 8194;
  view.ChooseFile(std::nullopt);
  EXPECT_EQ(SelectForTarget(), 0);
  EXPECT_EQ(session.outcome, UpdateOutcome::kNoPackage);

  const TempFile file(PackageBytes({Section(0, PatternBytes(80, 1))}));
  EXPECT_EQ(Select(file), 0);
  EXPECT_TRUE(view.messages().empty());
  EXPECT_EQ(state.mainHeader.length(), 0u);
  EXPECT_EQ(session.outcome, UpdateOutcome::kNothingMatched);
}

TEST_F(SelectPackageFixture, FramedControllerIsMatchedAsTypeZeroAfterAnAddressedProbe) {
  AttachFramed();
  state.deviceType() = 8194;  // left by an addressed controller probed earlier in the run
  state.deviceVariant() = 1;
  const TempFile file(PackageBytes({Section(8194, PatternBytes(10, 1), 1), Section(0, PatternBytes(20, 2))}));
  ASSERT_EQ(Select(file), 1);
  EXPECT_EQ(state.imageLength(), 20u);
  EXPECT_EQ(state.imageDataOffset(), 28u + 10 + 28);
}

TEST_F(SelectPackageFixture, AddressedControllerFindsItsSectionAndTheRadioSection) {
  AttachAddressed();
  state.deviceType() = 8194;
  state.deviceVariant() = 1;
  const TempFile file(PackageBytes({
      Section(8194, PatternBytes(100, 1), 0),  // wrong variant
      Section(8194, PatternBytes(200, 2), 1, 150, 0, 0x08004000),
      Section(0, PatternBytes(0x10000, 3), 7, 77, 0, 0x10000),
  }));
  ASSERT_EQ(Select(file), 1);
  EXPECT_EQ(session.hasBleImage, 1);
  EXPECT_EQ(state.imageLength(), 200u);
  EXPECT_EQ(state.imageDataOffset(), 28u + 100 + 28);
  EXPECT_EQ(state.bleLength(), 0x10000u);
  EXPECT_EQ(state.bleVersion(), 77u);
  EXPECT_EQ(state.bleAddress(), 0x10000u);
  EXPECT_EQ(state.bleDataOffset(), 28u + 100 + 28 + 200 + 28);
  EXPECT_TRUE(device->reports().empty()) << "nothing is sent to an addressed controller here";
}

TEST_F(SelectPackageFixture, SmallPackageLeavesEarlierRadioFieldsAlone) {
  AttachAddressed();
  state.bleLength() = 0x2000;
  state.bleVersion() = 9;
  const TempFile file(PackageBytes({Section(0, PatternBytes(46, 1))}));
  ASSERT_EQ(Select(file), 1);
  EXPECT_EQ(session.hasBleImage, 0);
  EXPECT_EQ(state.bleLength(), 0x2000u);
  EXPECT_EQ(state.bleVersion(), 9u);
  EXPECT_EQ(state.bleHeader.length(), 0u);
}

TEST_F(SelectPackageFixture, TruncatedOrEmptyPackagesAreRefusedBeforeAnythingIsSent) {
  AttachFramed();
  std::vector<std::uint8_t> truncated = PackageBytes({Section(0, PatternBytes(80, 1))});
  truncated.resize(truncated.size() - 1);
  const TempFile cut(truncated);
  EXPECT_EQ(Select(cut), 0);
  const TempFile empty(PackageBytes({Section(0, {})}));
  EXPECT_EQ(Select(empty), 0);

  ASSERT_EQ(view.messages().size(), 2u);
  EXPECT_EQ(view.messages()[0].text, LocalizedText(text::kPackageDamaged));
  EXPECT_EQ(view.messages()[1].text, LocalizedText(text::kPackageEmpty));
  EXPECT_EQ(view.messages()[1].caption, "Vantor Update v2.00");
  EXPECT_TRUE(device->reports().empty());
  EXPECT_EQ(session.hid.m_nReadTimeout, 200u);
  EXPECT_EQ(session.outcome, UpdateOutcome::kPackageRefused);
  EXPECT_EQ(session.result().problem, package::PackageProblem::kNothingToWrite);
}

TEST_F(SelectPackageFixture, AddressedRadioSectionPastTheEndIsRefused) {
  AttachAddressed();
  testkit::TestSection radio = Section(0, PatternBytes(0x10000, 3));
  radio.claimedLength = 0x20000;
  const TempFile file(PackageBytes({Section(5, PatternBytes(10, 1)), radio}));
  state.deviceType() = 5;
  EXPECT_EQ(Select(file), 0);
  EXPECT_EQ(session.outcome, UpdateOutcome::kPackageRefused);
  EXPECT_EQ(view.messages().back().text, LocalizedText(text::kPackageDamaged));
}

TEST_F(SelectPackageFixture, AddressedMainImageAtARadioAddressIsRefused) {
  AttachAddressed();
  state.deviceType() = 5;
  const TempFile file(PackageBytes({Section(5, PatternBytes(100, 1), 0, 150, 0, 0x80030000)}));
  EXPECT_EQ(Select(file), 0);
  EXPECT_EQ(session.outcome, UpdateOutcome::kPackageRefused);
  EXPECT_EQ(session.result().problem, package::PackageProblem::kMainOutsideFlash);
  EXPECT_EQ(view.messages().back().text, LocalizedText(text::kPackageDamaged));
  EXPECT_TRUE(device->reports().empty());
  EXPECT_FALSE(session.packageConfirmed) << "refused before the question";
}

}  // namespace
}  // namespace vantor
