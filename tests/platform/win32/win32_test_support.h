#pragma once
// Helpers for the backend tests: private folders and names, this test program's folder.
#include <filesystem>
#include <string>

namespace win32_test {

// A new empty folder under the temporary folder, removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder in Windows form, without a trailing backslash.
  std::wstring WindowsPath() const { return path_.wstring(); }

 private:
  std::filesystem::path path_;
};

// A name no other test run uses at the same time ("<prefix>-<process id>-<counter>").
std::wstring UniqueName(const std::wstring& prefix);

// The folder of this test program.
std::filesystem::path TestProgramFolder();

}  // namespace win32_test
