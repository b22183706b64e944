// A file whose reading fails part way (an I/O error of a failing disk) is not taken for the whole
// file. The read() of this test, which the C++ library's file streams call, fails with EIO for a
// file named "*.cut-short" once 4096 bytes of it have been read.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

#include "model/xml/unreadable_file.h"
#include "support/atomic_file.h"
#include "tests/common/temp_folder_test.h"

constexpr off_t kReadable = 4096;

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
  static const auto real = reinterpret_cast<ssize_t (*)(int, void*, size_t)>(dlsym(RTLD_NEXT, "read"));
  std::error_code ec;
  if (std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string().ends_with(".cut-short")) {
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (at >= kReadable) return errno = EIO, -1;
    count = std::min<size_t>(count, static_cast<size_t>(kReadable - at));
  }
  return real(fd, buffer, count);
}

namespace {

class ReadErrorTest : public testsupport::TempFolderTest {};

TEST_F(ReadErrorTest, AFileCutShortByAReadErrorIsNeverKeptAsAWholeCopy) {
  const std::filesystem::path file = File("macro.xml.cut-short");
  const std::string bytes = "<macro>" + std::string(3 * kReadable, 'x');
  ASSERT_TRUE(std::ofstream(file, std::ios::binary) << bytes);
  EXPECT_FALSE(support::ReadWholeFile(file).has_value());
  // So the unreadable file is moved aside whole instead of copied from what could be read.
  const model::UnreadableFileReport report = model::PreserveUnreadableFile(file);
  EXPECT_EQ(report.fate, model::UnreadableFileReport::Fate::kKept);
  EXPECT_EQ(std::filesystem::file_size(report.copy), bytes.size());
}

}  // namespace
