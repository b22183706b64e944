// Export and import of one macro group through the editor's "groupExport" and "groupImport".
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>

#include "editor_world.h"
#include "ui/macro_editor/group_file.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/xml_translator.h"

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
  EXPECT_EQ(QFileInfo(suggestions_[0]).fileName(), "Combo & _Fire_.xml") << "a name Windows takes";
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

// Steps a macro cannot play as they show are left out, out-of-range delays are bounded, and one
// message says what changed; an unnamed group is named, and the message says so.
TEST_F(GroupFileTest, ImportKeepsOnlyWhatPlaysAsItShowsAndSaysWhatChanged) {
  const auto file = folder_ / "odd.xml";
  std::ofstream(file, std::ios::binary)
      << "<?xml version=\"1.0\"?><macro><group name=\"\">"
         "<item code=\"458756\" state=\"1\" delay=\"-5\" name=\"A\"/>"
         "<item code=\"99999999999\" state=\"1\" delay=\"0\" name=\"?\"/>"
         "<item code=\"458757\" state=\"7\" delay=\"0\" name=\"B\"/>"
         "<item code=\"786665\" state=\"1\" delay=\"0\" name=\"Volume Up\"/>"
         "<item code=\"458756\" state=\"0\" delay=\"99999999\" name=\"A\"/>"
         "<item code=\"x\" state=\"0\" delay=\"10\"/>"
         "</group></macro>";
  library_.AddGroup();
  auto editor = OpenWithChooser(file);
  ASSERT_NE(editor, nullptr);
  Click(*editor, "groupImport");
  ASSERT_EQ(library_.GroupCount(), 2);
  const auto imported = library_.GroupAt(1);
  EXPECT_EQ(imported->name, L"Group 1");
  EXPECT_EQ(imported->steps, (std::vector<model::MacroStep>{{kKeyA, 1, 0, L"A"}, {kKeyA, 0, 3'600'000, L"A"}}));
  // Shown as it plays: a press is "key down", a release "key up".
  const auto& adapter = editor->StepAdapter();
  EXPECT_EQ(adapter.index(0, macro::KeyAndDelayAdapter::kStateColumn).data().toString(), "key down");
  EXPECT_EQ(adapter.index(1, macro::KeyAndDelayAdapter::kStateColumn).data().toString(), "key up");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0],
            "The macro group \"Group 1\" was imported with changes, so that it plays as it shows:\n"
            "The group has no name in the file; it is named \"Group 1\".\n"
            "Step 1: delay -5 ms taken as 0 ms.\n"
            "Step 2 left out: 99999999999 is not a key code a macro can press.\n"
            "Step 3 left out: state 7 is neither 1 (key down) nor 0 (key up).\n"
            "Step 4 left out: 786665 is not a key code a macro can press.\n"
            "Step 5: delay 99999999 ms taken as 3600000 ms.\n"
            "Step 6 left out: x is not a key code a macro can press.");
}

TEST(GroupFileNameTest, WhatWindowsRefusesInAFileNameIsReplaced) {
  const std::wstring longName(300, L'x');
  for (const auto& [group, file] : std::vector<std::pair<std::wstring, std::wstring>>{
           {L"\u5B8F\u7EC4 \u00FCn\u00EFc\u00F6d\u00E9 \u2713 \U0001F600 <&\"'>",
            L"\u5B8F\u7EC4 \u00FCn\u00EFc\u00F6d\u00E9 \u2713 \U0001F600 _&_'_.xml"},
           {L"a/b\\c:d*e?f|g", L"a_b_c_d_e_f_g.xml"},
           {L"tab\there\nline", L"tab_here_line.xml"},
           {L"CON", L"CON_.xml"},
           {L"lpt1.old", L"lpt1_.old.xml"},
           {L"Com9 ", L"Com9 _.xml"},
           {L"COM10", L"COM10.xml"},
           {L" . ", L"Macro group.xml"},
           {L"", L"Macro group.xml"},
           {longName, std::wstring(200, L'x') + L".xml"},
           {std::wstring(199, L'x') + L"\U0001F600", std::wstring(199, L'x') + L".xml"},
       }) {
    EXPECT_EQ(macro::GroupFileName(group, L"Macro group"), file) << QString::fromStdWString(group).toStdString();
  }
}

// Sets an environment variable for the life of the object.
struct ScopedEnvironment {
  ScopedEnvironment(const char* name, const QByteArray& value)
      : name(name), had(qEnvironmentVariableIsSet(name)), old(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedEnvironment() { had ? qputenv(name, old) : qunsetenv(name); }
  const char* name;
  bool had;
  QByteArray old;
};

// Answers the next file dialog as it opens (in its own modal loop).
void OnNextFileDialog(std::function<void(QFileDialog&)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(*dialog);
  });
  timer->start();
}

// In Chinese, as the user meets them: the dialogs open in the documents folder, then in the last
// folder used (also at the editor's next opening), speak Chinese (Qt's own texts too), propose a
// file name Windows takes while the whole name stays in the file, and a new group is named in
// Chinese.
TEST_F(GroupFileTest, FileDialogsStartInDocumentsRememberTheFolderAndSpeakTheLanguage) {
#ifdef _WIN32
  // Users on Windows get the system's own dialog; Qt's, which this test answers, never comes up
  // under Wine (it stays listing the drives, Z: being the whole Linux tree).
  GTEST_SKIP() << "Qt's own file dialog does not open under Wine; the test runs on Linux";
#endif
  const auto home = folder_ / "home";
  std::filesystem::create_directories(home / "Documents");
  std::filesystem::create_directories(folder_ / "elsewhere");
  const ScopedEnvironment homeVariable("HOME", ui::PathToQString(home).toLocal8Bit());
  const ScopedEnvironment xdgConfig("XDG_CONFIG_HOME", ui::PathToQString(home / ".config").toLocal8Bit());
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  ASSERT_TRUE(QDir().mkpath(documents));
  ui::LanguageSwitcher language(ShippedPackage());
  ASSERT_TRUE(language.Switch("lang_cn"));
  QApplication::processEvents();

  const std::wstring name = L"\u5B8F\u7EC4 \u00FCn\u00EFc\u00F6d\u00E9 \u2713 \U0001F600 <&\"'>";
  library_.AddGroup();
  library_.RenameGroup(0, name);
  library_.AppendStep(library_.GroupAt(0), kKeyA, 1, 30, L"A");
  library_.group = 0;
  macro::GroupFolder remembered;
  auto open = [&] {
    auto editor = macro::MacroRecordDlg::Create({.channel = channel_,
                                                 .library = library_,
                                                 .selectedKeys = selectedKeys_,
                                                 .config = config_,
                                                 .loader = loader_,
                                                 .clock = clock_,
                                                 .groupFolder = &remembered});
    if (editor) editor->Dialog()->show();
    return editor;
  };
  auto editor = open();
  ASSERT_NE(editor, nullptr);

  QString folder, proposed, lookIn;
  OnNextFileDialog([&](QFileDialog& dialog) {
    folder = dialog.directory().absolutePath();
    proposed = QFileInfo(dialog.selectedFiles().value(0)).fileName();
    lookIn = ui::FindControl<QLabel>(&dialog, "lookInLabel")->text();
    QMetaObject::invokeMethod(&dialog, "accept");  // as its Open or Save button does
  });
  Click(*editor, "groupExport");
  EXPECT_EQ(folder, QDir(documents).absolutePath());
  const QString fileName = QString::fromStdWString(L"\u5B8F\u7EC4 \u00FCn\u00EFc\u00F6d\u00E9 \u2713 \U0001F600 _&_'_.xml");
  EXPECT_EQ(proposed, fileName);
  EXPECT_NE(lookIn, "Look in:") << "Qt's own texts in Chinese";
  EXPECT_EQ(lookIn, QCoreApplication::translate("QFileDialog", "Look in:"));
  model::MacroGroup written;
  std::string error;
  ASSERT_TRUE(macro::ImportGroupFile(ui::QStringToPath(QDir(documents).filePath(fileName)), written, error));
  EXPECT_EQ(written.name, name) << "the whole name stays in the file";

  const auto other = folder_ / "elsewhere" / "copy.xml";
  ASSERT_TRUE(macro::ExportGroupFile(written, other));
  OnNextFileDialog([&](QFileDialog& dialog) {
    folder = dialog.directory().absolutePath();
    dialog.selectFile(ui::PathToQString(other));
    QMetaObject::invokeMethod(&dialog, "accept");  // as its Open or Save button does
  });
  Click(*editor, "groupImport");
  EXPECT_EQ(folder, QDir(documents).absolutePath()) << "where the last file went";
  ASSERT_EQ(library_.GroupCount(), 2);
  Click(*editor, "groupAdd");
  EXPECT_EQ(library_.GroupAt(2)->name, L"\u5B8F\u7EC4 2") << "a new group is named in Chinese";
  Click(*editor, "btnCancel");
  editor.reset();

  editor = open();
  OnNextFileDialog([&](QFileDialog& dialog) {
    folder = dialog.directory().absolutePath();
    dialog.reject();
  });
  Click(*editor, "groupImport");
  EXPECT_EQ(folder, QDir(ui::PathToQString(folder_ / "elsewhere")).absolutePath()) << "remembered beyond one opening";
}

}  // namespace
}  // namespace uitest
