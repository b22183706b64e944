// The Windows executable's resources, read back from a program built with them: the manifest
// asks for administrator rights, and the icon is present.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win_api.h"
#include "win32_test_support.h"

namespace {

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring path = (win32_test::TestProgramFolder() / "resource_holder.exe").wstring();
    module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << GetLastError();
  }
  void TearDown() override {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  std::string Resource(LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(module_, name, type);
    if (found == nullptr) return std::string();
    HGLOBAL loaded = LoadResource(module_, found);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    return bytes == nullptr ? std::string() : std::string(bytes, SizeofResource(module_, found));
  }

  HMODULE module_ = nullptr;
};

TEST_F(ResourcesTest, ManifestAsksForAdministratorRights) {
  const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
            std::string::npos)
      << manifest;
}

TEST_F(ResourcesTest, IconGroupHoldsTheLogo) {
  const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
  // GRPICONDIR: reserved 0, type 1, count 1, then one 14-byte entry.
  ASSERT_EQ(group.size(), 6u + 14u);
  EXPECT_EQ(group.substr(0, 6), std::string("\0\0\1\0\1\0", 6));
  EXPECT_EQ(static_cast<unsigned char>(group[6]), 64u);  // width
  EXPECT_EQ(static_cast<unsigned char>(group[7]), 64u);  // height
  const unsigned short iconId = static_cast<unsigned char>(group[18]) | static_cast<unsigned char>(group[19]) << 8;
  const std::string image = Resource(RT_ICON, MAKEINTRESOURCEW(iconId));
  ASSERT_GE(image.size(), 8u);
  EXPECT_EQ(image.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

}  // namespace
