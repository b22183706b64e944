// ReadXmlFile and HoldsNoXmlContent: a missing, an empty and a broken file are told apart.
#include <gtest/gtest.h>

#include "model/xml/xml_file.h"
#include "support/logger.h"
#include "tests/common/temp_folder_test.h"

namespace {

using model::HoldsNoXmlContent;
using model::ReadXmlFile;
using model::XmlFileState;

TEST(HoldsNoXmlContent, ADeclarationWithBlanksAndAByteOrderMarkCountsAsEmpty) {
  EXPECT_TRUE(HoldsNoXmlContent("<?xml version=\"1.0\"?>\n"));
  EXPECT_TRUE(HoldsNoXmlContent("\xEF\xBB\xBF  <?xml version=\"1.0\" encoding=\"utf-8\"?>  \n"));

  EXPECT_FALSE(HoldsNoXmlContent("hello"));
  EXPECT_FALSE(HoldsNoXmlContent("<?xml version=\"1.0\""));  // declaration never closed
  EXPECT_FALSE(HoldsNoXmlContent("<?xml version=\"1.0\"?><!-- note -->"));
  EXPECT_FALSE(HoldsNoXmlContent("<?xml version=\"1.0\"?>\n<effect/>"));
  EXPECT_FALSE(HoldsNoXmlContent(std::string_view("\0", 1)));
  // Never written by the program: what a power cut leaves.
  EXPECT_FALSE(HoldsNoXmlContent(""));
  EXPECT_FALSE(HoldsNoXmlContent(" \t\r\n"));
}

class ReadXmlFileTest : public testsupport::TempFolderTest {
 protected:
  pugi::xml_document document;
  support::ScopedLogCapture log;
};

TEST_F(ReadXmlFileTest, WellFormedFileIsLoaded) {
  Write(File("a.xml"), "<?xml version=\"1.0\"?>\n<effect sel=\"3\" />\n");
  EXPECT_EQ(ReadXmlFile(File("a.xml"), document), XmlFileState::kLoaded);
  EXPECT_EQ(document.child("effect").attribute("sel").as_int(), 3);
  EXPECT_EQ(log.Text(), "");
}

TEST_F(ReadXmlFileTest, MissingAndEmptyFilesAreNotErrors) {
  document.append_child("left");
  EXPECT_EQ(ReadXmlFile(File("none.xml"), document), XmlFileState::kMissing);
  EXPECT_FALSE(document.first_child());
  Write(File("empty.xml"), "<?xml version=\"1.0\"?>\n");
  EXPECT_EQ(ReadXmlFile(File("empty.xml"), document), XmlFileState::kEmpty);
  EXPECT_EQ(log.Text(), "");
}

TEST_F(ReadXmlFileTest, BrokenFileIsUnreadableLoggedAndLeavesTheDocumentEmpty) {
  Write(File("broken.xml"), "<effect><item></effect>");
  EXPECT_EQ(ReadXmlFile(File("broken.xml"), document), XmlFileState::kUnreadable);
  EXPECT_FALSE(document.first_child());
  EXPECT_NE(log.Text().find("broken.xml: not loaded: "), std::string::npos) << log.Text();

  Write(File("text.xml"), "just text");
  EXPECT_EQ(ReadXmlFile(File("text.xml"), document), XmlFileState::kUnreadable);
}

TEST_F(ReadXmlFileTest, AZeroLengthFileIsUnreadableNotEmpty) {
  Write(File("cut.xml"), "");
  EXPECT_EQ(ReadXmlFile(File("cut.xml"), document), XmlFileState::kUnreadable);
  EXPECT_NE(log.Text().find("cut.xml: not loaded: "), std::string::npos) << log.Text();
  Write(File("blank.xml"), "\n\n");
  EXPECT_EQ(ReadXmlFile(File("blank.xml"), document), XmlFileState::kUnreadable);
}

}  // namespace
