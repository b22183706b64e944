// The Windows executables' resources, read back from programs built with them: kbconfig's
// manifest asks for administrator rights, the demo's for none; both carry the icon and a version
// block with the project's version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win_api.h"
#include "win32_test_support.h"

namespace {

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override { Load(L"resource_holder.exe"); }
  void Load(const wchar_t* holder) {
    if (module_ != nullptr) FreeLibrary(module_);
    path_ = (win32_test::TestProgramFolder() / holder).wstring();
    module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
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

  // A string of the version block's English (United States, Unicode) table.
  std::vector<char> VersionBlock() {
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeW(path_.c_str(), &ignored));
    if (!block.empty() && !GetFileVersionInfoW(path_.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
      block.clear();
    }
    return block;
  }

  std::wstring VersionString(const wchar_t* name) {
    std::vector<char> block = VersionBlock();
    if (block.empty()) return L"<no version block>";
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0) return L"<missing>";
    return std::wstring(static_cast<const wchar_t*>(value));
  }

  std::wstring path_;
  HMODULE module_ = nullptr;
};

TEST_F(ResourcesTest, ManifestAsksForAdministratorRights) {
  const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
            std::string::npos)
      << manifest;
}

TEST_F(ResourcesTest, DemoManifestAsksForNoRights) {
  Load(L"demo_resource_holder.exe");
  const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"), std::string::npos)
      << manifest;
  EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
}

TEST_F(ResourcesTest, VersionBlockCarriesTheProjectVersion) {
  const std::wstring version =
      std::to_wstring(KB_VERSION_MAJOR) + L"." + std::to_wstring(KB_VERSION_MINOR) + L".0.0";
  EXPECT_EQ(VersionString(L"FileVersion"), version);
  EXPECT_EQ(VersionString(L"ProductVersion"), version);
  EXPECT_EQ(VersionString(L"OriginalFilename"), L"kbconfig.exe");
  EXPECT_EQ(VersionString(L"ProductName"), L"kbconfig");

  std::vector<char> block = VersionBlock();
  ASSERT_FALSE(block.empty());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(KB_VERSION_MAJOR << 16 | KB_VERSION_MINOR));
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  Load(L"demo_resource_holder.exe");
  EXPECT_EQ(VersionString(L"OriginalFilename"), L"kbconfig-demo.exe");
  EXPECT_EQ(VersionString(L"FileVersion"), version);
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
