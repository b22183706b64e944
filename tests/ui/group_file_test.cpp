// Export and import of one macro group through the editor's "groupExport" and "groupImport".
#include <QAbstractButton>

#include "editor_world.h"
#include "ui/macro_editor/group_file.h"
#include "ui/toolkit/control_lookup.h"

namespace uitest {
namespace {

class GroupFileTest : public EditorWorld {
 protected:
  std::unique_ptr<macro::MacroRecordDlg> OpenWithChooser(std::filesystem::path file) {
    auto editor = OpenEditor();
    if (editor) {
      editor->SetFileChooser([this, file](macro::GroupFileAction action, const QString& suggested) {
        actions_.push_back(action);
        suggestions_.push_back(suggested);
        return std::optional<std::filesystem::path>(file);
      });
    }
    return editor;
  }
  void Click(macro::MacroRecordDlg& editor, const char* name) {
    ui::FindControl<QAbstractButton>(editor.Dialog(), name)->click();
  }
  std::vector<macro::GroupFileAction> actions_;
  std::vector<QString> suggestions_;
};

TEST_F(GroupFileTest, ExportWritesTheSelectedGroupAndImportAddsItAsANewGroup) {
  library_.AddGroup();
  library_.AddGroup();
  library_.RenameGroup(1, L"Combo & <Fire>");
  library_.AppendStep(library_.GroupAt(1), kKeyA, 1, 30, L"A");
  library_.AppendStep(library_.GroupAt(1), kKeyA, 0, 0, L"A");
  library_.group = 1;
  const auto file = folder_ / "combo.xml";
  auto editor = OpenWithChooser(file);
  ASSERT_NE(editor, nullptr);
  Click(*editor, "groupExport");
  ASSERT_EQ(actions_, (std::vector<macro::GroupFileAction>{macro::GroupFileAction::kExport}));
  EXPECT_EQ(suggestions_[0], "Combo & <Fire>.xml");
  EXPECT_EQ(ReadFile(file),
            "<?xml version=\"1.0\"?>\n"
            "<macro>\n"
            "\t<group name=\"Combo &amp; &lt;Fire>\">\n"
            "\t\t<item code=\"458756\" state=\"1\" delay=\"30\" name=\"A\" />\n"
            "\t\t<item code=\"458756\" state=\"0\" delay=\"0\" name=\"A\" />\n"
            "\t</group>\n"
            "</macro>\n");

  Click(*editor, "groupImport");
  ASSERT_EQ(library_.GroupCount(), 3);
  EXPECT_EQ(library_.GroupAt(2)->name, L"Combo & <Fire> (2)") << "the name is taken: a number is added";
  EXPECT_EQ(library_.GroupAt(2)->steps, library_.GroupAt(1)->steps);
  EXPECT_NE(library_.GroupAt(2), library_.GroupAt(1)) << "a group of its own";
  EXPECT_EQ(library_.group, 2);
  EXPECT_EQ(editor->StepAdapter().ShownGroup(), library_.GroupAt(2));
  EXPECT_TRUE(messages_.empty());
  model::MacroLibrary reread;
  ASSERT_TRUE(reread.Load(folder_ / "macro.xml"));
  ASSERT_EQ(reread.GroupCount(), 3);
  EXPECT_EQ(*reread.GroupAt(2), *library_.GroupAt(2)) << "the import is saved";
}

TEST_F(GroupFileTest, ABadFileGetsAMessageAndChangesNothing) {
  library_.AddGroup();
  library_.Save();
  const std::string before = ReadFile(folder_ / "macro.xml");
  for (const char* content : {"not xml at all <", "<?xml version=\"1.0\"?><config type=\"1\"/>", "<macro/>"}) {
    const auto file = folder_ / "bad.xml";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    messages_.clear();
    auto editor = OpenWithChooser(file);
    ASSERT_NE(editor, nullptr);
    Click(*editor, "groupImport");
    EXPECT_EQ(library_.GroupCount(), 1) << content;
    EXPECT_EQ(ReadFile(folder_ / "macro.xml"), before) << content;
    ASSERT_EQ(messages_.size(), 1u) << content;
    EXPECT_FALSE(messages_[0].isEmpty());
  }
  model::MacroGroup untouched{L"kept", {}};
  std::string error;
  EXPECT_FALSE(macro::ImportGroupFile(folder_ / "missing.xml", untouched, error));
  EXPECT_EQ(untouched.name, L"kept");
  EXPECT_FALSE(error.empty());
}

TEST_F(GroupFileTest, ExportWithoutASelectedGroupOrToAnUnwritablePlaceTellsTheUser) {
  auto editor = OpenWithChooser(folder_ / "no_such_folder" / "x.xml");
  ASSERT_NE(editor, nullptr);
  Click(*editor, "groupExport");  // no groups
  EXPECT_TRUE(actions_.empty()) << "no file is asked for";
  ASSERT_EQ(messages_.size(), 1u);
  Click(*editor, "groupAdd");
  editor->GroupAdapter().OnRowClicked(0);
  library_.group = 0;
  auto second = OpenWithChooser(folder_ / "no_such_folder" / "x.xml");
  editor.reset();
  ASSERT_NE(second, nullptr);
  Click(*second, "groupExport");
  EXPECT_EQ(messages_.size(), 2u);
}

}  // namespace
}  // namespace uitest
