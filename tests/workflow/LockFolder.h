#pragma once
// The controllers' locks of one test in a folder of its own, so tests running side by
// side never take each other's.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vantor::workflow {

class LockFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("vantor-locks-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    setenv("VANTOR_LOCK_DIR", folder_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VANTOR_LOCK_DIR");
    std::filesystem::remove_all(folder_);
  }
  std::filesystem::path folder_;
};

}  // namespace vantor::workflow
