#pragma once
// A folder of its own per test, with the packages made by `pack` itself and the
// emulated flash dumped beside them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vantor::testkit {

using Arguments = std::vector<std::string>;

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("vantor-cli-" + std::to_string(::getpid()) + "-" + test->test_suite_name() + "-" + test->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // A package made by `pack` itself; returns its path.
  std::string Pack(const std::string& name, const Arguments& sections) {
    Arguments arguments = {"pack", "-o", Path(name)};
    for (const std::string& section : sections) {
      arguments.push_back("-s");
      arguments.push_back(section);
    }
    const ProcessResult packed = RunProgram(arguments);
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
    return Path(name);
  }

  // The arguments of a flash in virtual time, its emulated flash dumped in the folder.
  Arguments FlashArguments(const std::string& protocol, const std::string& package, const Arguments& extra = {}) {
    Arguments arguments = {"--simulate", protocol, "--sim-virtual-time", "--sim-dump", Path("flash.bin")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.insert(arguments.end(), {"flash", package});
    return arguments;
  }

  ProcessResult Flash(const std::string& protocol, const std::string& package, const Arguments& extra = {}) {
    return RunProgram(FlashArguments(protocol, package, extra), "");
  }

  std::filesystem::path folder_;
};

}  // namespace vantor::testkit
