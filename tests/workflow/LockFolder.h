#pragma once
// The controllers' locks of one test in a folder of its own, so tests running side by
// side never take each other's.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/TestKit.h"

namespace vantor::workflow {

class LockFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("VANTOR_LOCK_DIR", folder_.c_str(), 1); }
  void TearDown() override { unsetenv("VANTOR_LOCK_DIR"); }
  testkit::TempFolder lockFolder_;
  const std::filesystem::path& folder_ = lockFolder_.path();
};

}  // namespace vantor::workflow
