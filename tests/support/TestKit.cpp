#include "support/TestKit.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>

namespace vantor::testkit {

void ScriptedView::ChooseFile(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(mutex_);
  file_ = std::move(path);
}

void ScriptedView::QueueAnswer(int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(answer);
}

void ScriptedView::SetTitle(const std::string& title) {
  std::lock_guard<std::mutex> lock(mutex_);
  title_ = title;
  titles_.push_back(title);
}

void ScriptedView::EnableUpdateButton(bool enabled) {
  std::lock_guard<std::mutex> lock(mutex_);
  buttonEnabled_ = enabled;
}

void ScriptedView::ShowSuccessText(bool shown) {
  std::lock_guard<std::mutex> lock(mutex_);
  successShown_ = shown;
}

void ScriptedView::SetProgressPos(std::uint32_t position) {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.push_back(position);
}

int ScriptedView::ShowMessage(const std::string& text, const std::string& caption, MessageButtons buttons) {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.push_back({text, caption, buttons});
  if (buttons == MessageButtons::kOk || answers_.empty()) return buttons == MessageButtons::kYesNo ? kIdYes : kIdOk;
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedView::ChoosePackageFile(const std::string& filter, const std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  lastFilter_ = filter;
  ++fileDialogs_;
  return file_;
}

std::string ScriptedView::title() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return title_;
}

std::optional<bool> ScriptedView::buttonEnabled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return buttonEnabled_;
}

bool ScriptedView::successShown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return successShown_;
}

std::vector<std::uint32_t> ScriptedView::progress() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return progress_;
}

std::vector<ShownMessage> ScriptedView::messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::vector<std::string> ScriptedView::titles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return titles_;
}

std::string ScriptedView::lastFilter() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastFilter_;
}

int ScriptedView::fileDialogs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fileDialogs_;
}

DebugRecorder::DebugRecorder() {
  SetDebugSink([this](const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
  });
}

DebugRecorder::~DebugRecorder() { SetDebugSink(nullptr); }

std::vector<std::string> DebugRecorder::lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

bool DebugRecorder::Contains(const std::string& line) const { return Count(line) > 0; }

int DebugRecorder::Count(const std::string& line) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(std::count(lines_.begin(), lines_.end(), line));
}

void DebugRecorder::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
}

TestSection Section(std::uint16_t type, std::vector<std::uint8_t> image, std::uint8_t variant) {
  TestSection section;
  section.type = type;
  section.variant = variant;
  section.image = std::move(image);
  return section;
}

TestSection Section(std::uint16_t type, std::vector<std::uint8_t> image, std::uint8_t variant, std::uint16_t version,
                    std::uint16_t beta, std::uint32_t address) {
  TestSection section = Section(type, std::move(image), variant);
  section.version = version;
  section.beta = beta;
  section.address = address;
  return section;
}

std::vector<std::uint8_t> SectionBytes(const TestSection& section) {
  std::vector<std::uint8_t> bytes(28, 0);
  auto put16 = [&](std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
  };
  auto put32 = [&](std::size_t at, std::uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
  };
  put16(0, section.version);
  put16(2, section.beta);
  put32(4, section.address);
  put32(8, section.claimedLength.value_or(static_cast<std::uint32_t>(section.image.size())));
  put16(12, section.type);
  bytes[14] = section.variant;
  bytes.insert(bytes.end(), section.image.begin(), section.image.end());
  return bytes;
}

std::vector<std::uint8_t> PackageBytes(const std::vector<TestSection>& sections) {
  std::vector<std::uint8_t> bytes;
  for (const TestSection& section : sections) {
    const std::vector<std::uint8_t> one = SectionBytes(section);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  return bytes;
}

std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
  return bytes;
}

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  static const unsigned run = std::random_device{}();
  path_ = std::filesystem::temp_directory_path() /
          ("vantor-test-" + std::to_string(run) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

TempFile::TempFile(const std::vector<std::uint8_t>& contents, const std::string& name)
    : path_((folder_.path() / name).u8string()) {
  std::ofstream out(folder_.path() / name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(contents.data()), static_cast<std::streamsize>(contents.size()));
}

}  // namespace vantor::testkit
