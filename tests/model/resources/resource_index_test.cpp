#include "model/resources/resource_index.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "support/logger.h"
#include "tests/common/temp_folder.h"

namespace model {
namespace {

void WriteIndex(const std::filesystem::path& root, const std::string& text) {
  std::ofstream(root / kResourceIndexFileName, std::ios::binary) << text;
}

TEST(ResourceIndex, NamesAreCaseFreeAndPathsLieBelowTheRoot) {
  const testsupport::TempFolder folder("kb_resource_index");
  WriteIndex(folder.Path(),
             "<resource><LAYOUT><file name='XML_MainWnd' path='layout/main.ui'/></LAYOUT>"
             "<!-- comment --><values><file name='string' path='values/string.xml'/>"
             "<other name='ignored' path='x'/></values></resource>");
  std::string error;
  const std::optional<ResourceIndex> index = LoadResourceIndex(folder.Path(), error);
  ASSERT_TRUE(index) << error;
  const std::map<std::string, std::filesystem::path> expected{
      {"layout:xml_mainwnd", folder.Path() / "layout" / "main.ui"},
      {"values:string", folder.Path() / "values" / "string.xml"}};
  EXPECT_EQ(index->files, expected);
  EXPECT_EQ(ResourceKey("LAYOUT:XML_MAINWND"), "layout:xml_mainwnd");
}

// An index may only name files inside its own folder: a path that is absolute, climbs out with
// "..", or names nothing is skipped (logged with the resource's name); the rest still loads.
TEST(ResourceIndex, PathsLeavingTheFolderAreSkippedAndLogged) {
  const testsupport::TempFolder folder("kb_resource_index");
  WriteIndex(folder.Path(),
             "<resource><t>"
             "<file name='up' path='../secret.txt'/>"
             "<file name='deep_up' path='images/../../secret.txt'/>"
             "<file name='absolute' path='/etc/passwd'/>"
             "<file name='backslash' path='..\\secret.txt'/>"
             "<file name='empty' path=''/>"
             "<file name='no_path'/>"
             "<file name='dot' path='.'/>"
             "<file name='kept' path='images/logo.png'/>"
             "</t></resource>");
  support::ScopedLogCapture log;
  std::string error;
  const std::optional<ResourceIndex> index = LoadResourceIndex(folder.Path(), error);
  ASSERT_TRUE(index) << error;
  ASSERT_EQ(index->files.size(), 1u);
  EXPECT_EQ(index->files.at("t:kept"), folder.Path() / "images" / "logo.png");
  for (const char* name : {"t:up", "t:deep_up", "t:absolute", "t:backslash", "t:empty", "t:no_path", "t:dot"}) {
    EXPECT_NE(log.Text().find(std::string("\"") + name + "\""), std::string::npos) << name;
  }
}

TEST(ResourceIndex, MissingMalformedOrEmptyIndexIsRefusedWithItsPath) {
  const testsupport::TempFolder folder("kb_resource_index");
  support::ScopedLogCapture log;
  std::string error;
  EXPECT_FALSE(LoadResourceIndex(folder.Path(), error));
  EXPECT_NE(error.find("cannot read"), std::string::npos);
  EXPECT_NE(error.find("index.xml"), std::string::npos);

  for (const char* text : {"<resource><t><file name='a' path='a.png'/></t>", "<resource/>",
                           "<resource><t><file name='a' path='../a.png'/></t></resource>"}) {
    WriteIndex(folder.Path(), text);
    error.clear();
    EXPECT_FALSE(LoadResourceIndex(folder.Path(), error)) << text;
    EXPECT_NE(error.find((folder.Path() / "index.xml").string()), std::string::npos) << text;
  }
}

TEST(ResourceIndex, NonAsciiPathsKeepTheirUtf8Name) {
  const testsupport::TempFolder folder("kb_resource_index");
  WriteIndex(folder.Path(),
             "<resource><img><file name='size' path='bilder/gr\xC3\xB6\xC3\x9F" "e.png'/></img></resource>");
  const std::filesystem::path expected = folder.Path() / "bilder" / std::filesystem::path(u8"größe.png");
  std::filesystem::create_directories(expected.parent_path());
  std::ofstream(expected) << "x";
  std::string error;
  const std::optional<ResourceIndex> index = LoadResourceIndex(folder.Path(), error);
  ASSERT_TRUE(index) << error;
  EXPECT_EQ(index->files.at("img:size"), expected);
  EXPECT_TRUE(std::filesystem::exists(index->files.at("img:size")));
}

// Every entry of the shipped index is accepted and names a file that is there.
TEST(ResourceIndex, ShippedIndexNamesOnlyFilesThatExist) {
  const std::filesystem::path root(KBCONFIG_UIRES_DIR);
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file((root / kResourceIndexFileName).c_str()));
  size_t entries = 0;
  for (pugi::xml_node type : document.child("resource").children()) {
    entries += static_cast<size_t>(std::distance(type.children("file").begin(), type.children("file").end()));
  }
  std::string error;
  const std::optional<ResourceIndex> index = LoadResourceIndex(root, error);
  ASSERT_TRUE(index) << error;
  EXPECT_EQ(index->files.size(), entries);
  for (const auto& [name, path] : index->files) {
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << name << " -> " << path;
  }
}

}  // namespace
}  // namespace model
