#pragma once
// A fresh folder per test, removed afterwards, with whole-file helpers.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "support/atomic_file.h"

class XmlTempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device seed;
    dir_ = std::filesystem::temp_directory_path() / ("kb-xml-" + std::to_string(seed()) + "-" + std::to_string(seed()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::filesystem::path File(const std::string& name) const { return dir_ / name; }
  std::string Read(const std::filesystem::path& path) const { return support::ReadWholeFile(path).value_or("<none>"); }
  void Write(const std::filesystem::path& path, const std::string& text) const {
    ASSERT_TRUE(support::WriteFileAtomically(path, text));
  }
  std::size_t EntryCount() const {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_)) ++count;
    return count;
  }

  std::filesystem::path dir_;
};
