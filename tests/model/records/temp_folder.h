#pragma once
// A fresh folder per test under the system's temporary directory, removed afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/atomic_file.h"

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("kb_records_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path File(const char* name) const { return dir_ / name; }
  std::string Read(const std::filesystem::path& path) const { return support::ReadWholeFile(path).value_or("<none>"); }
  void Write(const std::filesystem::path& path, const std::string& text) const {
    ASSERT_TRUE(support::WriteFileAtomically(path, text));
  }

  std::filesystem::path dir_;
};
