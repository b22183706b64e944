#include "platform/linux/linux_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/file_system.h"

namespace platform::linux_backend {
namespace {

TEST(SplitCommandLine, BlanksSeparateQuotesGroup) {
  EXPECT_EQ(SplitCommandLine(" install \"/opt/app/driver/vhidev.inf\" root\\vhidev"),
            (std::vector<std::string>{"install", "/opt/app/driver/vhidev.inf", "root\\vhidev"}));
  EXPECT_EQ(SplitCommandLine(" remove root\\vhidev"), (std::vector<std::string>{"remove", "root\\vhidev"}));
  EXPECT_EQ(SplitCommandLine("a \"b c\"d \\\"e\\\" \"\""), (std::vector<std::string>{"a", "b cd", "\"e\"", ""}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(LinuxProcessSystem, RunsAProgramWithItsArgumentsAndReturnsItsExitCode) {
  LinuxProcessSystem processes;
  std::uint32_t exitCode = 99;
  std::uint32_t error = 0;
  ASSERT_TRUE(processes.RunAndWait(L"/bin/sh", L" -c \"exit 7\"", exitCode, error));
  EXPECT_EQ(exitCode, 7u);

  const auto marker = std::filesystem::temp_directory_path() / ("kb_run_" + std::to_string(::getpid()));
  ASSERT_TRUE(processes.RunAndWait(L"/bin/sh", L" -c \"echo $0 > " + marker.wstring() + L"\" \"two words\"",
                                   exitCode, error));
  EXPECT_EQ(exitCode, 0u);
  std::ifstream written(marker);
  std::string line;
  std::getline(written, line);
  EXPECT_EQ(line, "two words");
  std::filesystem::remove(marker);
}

TEST(LinuxProcessSystem, MissingProgramFailsWithItsError) {
  LinuxProcessSystem processes;
  std::uint32_t exitCode = 0;
  std::uint32_t error = 0;
  EXPECT_FALSE(processes.RunAndWait(L"/nonexistent/devcon", L" remove root\\vhidev", exitCode, error));
  EXPECT_NE(error, 0u);
  EXPECT_FALSE(processes.RunAndWait(L"", L"", exitCode, error));
}

TEST(LinuxProcessSystem, ExecutablePathIsThisTestProgram) {
  LinuxProcessSystem processes;
  std::wstring path;
  std::uint32_t error = 0;
  ASSERT_TRUE(processes.ExecutablePath(path, error));
  EXPECT_EQ(std::filesystem::path(path).filename(), "platform_linux_tests");
  EXPECT_EQ(DefaultFileSystem().KindOf(path), FileKind::kFile);
  EXPECT_EQ(DefaultFileSystem().KindOf(std::filesystem::path(path).parent_path().wstring()), FileKind::kDirectory);
  EXPECT_EQ(DefaultFileSystem().KindOf(path + L".missing"), FileKind::kMissing);
}

}  // namespace
}  // namespace platform::linux_backend
