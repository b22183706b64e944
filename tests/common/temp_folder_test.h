#pragma once
// Whole-file helpers for tests, and a fixture that gives every test its own TempFolder.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>

#include "support/atomic_file.h"
#include "tests/common/temp_folder.h"

namespace testsupport {

// The whole file, or "<none>" when it cannot be read.
inline std::string ReadFileText(const std::filesystem::path& path) {
  return support::ReadWholeFile(path).value_or("<none>");
}

// Replaces the whole file; a failed write fails the test.
inline void WriteFileText(const std::filesystem::path& path, const std::string& text) {
  ASSERT_TRUE(support::WriteFileAtomically(path, text)) << path;
}

// How many entries `folder` holds (to see that no temporary file was left behind).
inline std::size_t CountEntries(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

// A fixture whose tests each work in a fresh folder `dir_`, removed after the test.
class TempFolderTest : public ::testing::Test {
 protected:
  std::filesystem::path File(const std::string& name) const { return dir_ / name; }
  std::string Read(const std::filesystem::path& path) const { return ReadFileText(path); }
  void Write(const std::filesystem::path& path, const std::string& text) const { WriteFileText(path, text); }
  std::size_t EntryCount() const { return CountEntries(dir_); }

  TempFolder folder_;
  const std::filesystem::path dir_ = folder_.Path();
};

}  // namespace testsupport
