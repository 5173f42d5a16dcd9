#include "HidrawNode.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace vantor::vmtest {
namespace {

bool HasSerial(const std::filesystem::path& uevent, const std::string& serial) {
  std::ifstream in(uevent);
  std::string line;
  while (std::getline(in, line)) {
    if (line == "HID_UNIQ=" + serial) return true;
  }
  return false;
}

std::optional<std::string> FindNode(const std::string& serial) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/hidraw", error)) {
    if (!HasSerial(entry.path() / "device" / "uevent", serial)) continue;
    const std::string node = "/dev/" + entry.path().filename().string();
    if (std::filesystem::exists(node, error)) return node;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> WaitForHidrawNode(const std::string& serial, std::uint32_t timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (auto node = FindNode(serial)) return node;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace vantor::vmtest
