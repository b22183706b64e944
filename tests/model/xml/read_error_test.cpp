// A file whose reading fails part way (an I/O error of a failing disk) is not taken for the whole
// file: the system's read() is replaced here, for files named "*.cut-short", by one that fails
// with EIO once 4096 bytes have been read.
#include <dlfcn.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/xml/unreadable_file.h"
#include "support/atomic_file.h"
#include "support/logger.h"
#include "tests/common/temp_folder_test.h"

namespace {

constexpr off_t kReadableBytes = 4096;

bool IsCutShort(int fd) {
  std::error_code ec;
  const std::string name = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
  return name.ends_with(".cut-short");
}

}  // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
  using Read = ssize_t (*)(int, void*, size_t);
  static const auto real = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "read"));
  if (IsCutShort(fd)) {
    const off_t at = lseek(fd, 0, SEEK_CUR);
    if (at >= kReadableBytes) {
      errno = EIO;
      return -1;
    }
    count = std::min<size_t>(count, static_cast<size_t>(kReadableBytes - at));
  }
  return real(fd, buffer, count);
}

namespace {

class ReadErrorTest : public testsupport::TempFolderTest {};

TEST_F(ReadErrorTest, AFileCutShortByAReadErrorIsNeverKeptAsAWholeCopy) {
  const std::filesystem::path file = File("macro.xml.cut-short");
  const std::string bytes = "<macro>" + std::string(3 * kReadableBytes, 'x');
  ASSERT_TRUE(std::ofstream(file, std::ios::binary) << bytes);
  support::ScopedLogCapture log;
  EXPECT_FALSE(support::ReadWholeFile(file).has_value());
  EXPECT_NE(log.Text().find("ReadWholeFile failed: " + file.string() + ": Input/output error"), std::string::npos)
      << log.Text();

  // Such a file is moved aside whole rather than copied from what could be read.
  const model::UnreadableFileReport report = model::PreserveUnreadableFile(file);
  EXPECT_EQ(report.fate, model::UnreadableFileReport::Fate::kKept);
  EXPECT_EQ(std::filesystem::file_size(report.copy), bytes.size());
}

}  // namespace
