#pragma once
// A fresh, uniquely named folder under the system's temporary directory (or `base`), removed when
// it goes.
// Unique per process and test, so test processes that CTest runs in parallel never share one.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <string>

namespace testsupport {

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "kb",
                      const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
    static std::atomic<unsigned> counter{0};
    static const unsigned salt = std::random_device{}();
    std::string name = prefix;
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
      name += std::string("_") + info->test_suite_name() + "_" + info->name();
    }
    name += "_" + std::to_string(salt) + "_" + std::to_string(counter.fetch_add(1));
    path_ = base / name;
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& child) const { return path_ / child; }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport
