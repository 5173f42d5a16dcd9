#pragma once
// Helpers shared by the test suites: a view that records what the procedures show and
// answers from a script, a recorder of debugger lines, and a package writer.

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <filesystem>
#include <string>
#include <vector>

#include "base/DebugOutput.h"
#include "session/UpdateView.h"

namespace vantor::testkit {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageButtons buttons;
};

// Records every view call; thread-safe (the worker calls it from its own thread).
class ScriptedView : public UpdateView {
 public:
  // What the file-open dialog answers (nothing = the user cancels).
  void ChooseFile(std::optional<std::string> path);
  // Answers for the next OK/Cancel or Yes/No boxes, in order; OK when the script is empty.
  void QueueAnswer(int answer);

  void SetTitle(const std::string& title) override;
  void EnableUpdateButton(bool enabled) override;
  void ShowSuccessText(bool shown) override;
  void SetProgressPos(std::uint32_t position) override;
  int ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) override;
  std::optional<std::string> ChoosePackageFile(const std::string& filter, const std::string& initialFolder) override;

  std::string title() const;
  std::optional<bool> buttonEnabled() const;
  bool successShown() const;
  std::vector<std::uint32_t> progress() const;
  std::vector<ShownMessage> messages() const;
  std::vector<std::string> titles() const;
  std::string lastFilter() const;
  int fileDialogs() const;

 private:
  mutable std::mutex mutex_;
  std::optional<std::string> file_;
  std::deque<int> answers_;
  std::string title_;
  std::vector<std::string> titles_;
  std::optional<bool> buttonEnabled_;
  bool successShown_ = false;
  std::vector<std::uint32_t> progress_;
  std::vector<ShownMessage> messages_;
  std::string lastFilter_;
  int fileDialogs_ = 0;
};

// Captures debugger lines while alive.
class DebugRecorder {
 public:
  DebugRecorder();
  ~DebugRecorder();
  std::vector<std::string> lines() const;
  bool Contains(const std::string& line) const;
  int Count(const std::string& line) const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// Builds firmware packages in the test: sections of header + image bytes.
struct TestSection {
  std::uint16_t version = 100;
  std::uint16_t beta = 0;
  std::uint32_t address = 0x08004000;
  std::uint16_t type = 0;
  std::uint8_t variant = 0;
  std::vector<std::uint8_t> image;
  // When set, the header claims this length instead of the image size.
  std::optional<std::uint32_t> claimedLength;
};

// A section of `type`/`variant` holding `image`; other fields keep their defaults.
TestSection Section(std::uint16_t type, std::vector<std::uint8_t> image, std::uint8_t variant = 0);
// The same with version, beta and address set.
TestSection Section(std::uint16_t type, std::vector<std::uint8_t> image, std::uint8_t variant, std::uint16_t version,
                    std::uint16_t beta, std::uint32_t address);

std::vector<std::uint8_t> SectionBytes(const TestSection& section);
std::vector<std::uint8_t> PackageBytes(const std::vector<TestSection>& sections);
// `count` bytes of a recognisable pattern seeded by `seed`.
std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint8_t seed);

// A fresh temporary folder of its own, removed with everything in it with the object:
// tests running side by side never meet in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// A file in a fresh temporary folder, removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::vector<std::uint8_t>& contents, const std::string& name = "package.dat");
  ~TempFile() = default;
  const std::string& path() const { return path_; }

 private:
  TempFolder folder_;
  std::string path_;
};

}  // namespace vantor::testkit
