// Profiles through the real main window on emulated devices: the "Profile" box and its menu, the
// tray menu's list, what a switch changes (picture, panel, capture table, lighting reports), and
// the rules' editor with the emulated program in front, in both languages.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "../common/wait_for.h"
#include "main_window_rig.h"
#include "ui/profiles/profile_box.h"
#include "ui/toolkit/command_menu.h"
#include "ui/toolkit/control_lookup.h"

namespace uitest {
namespace {

using testsupport::WaitFor;

const std::string kRecordOnA = OneKeyRecordFile("70004", "A", "Z", "7001d");
const std::string kRecordOnB = OneKeyRecordFile("70005", "B", "Y", "7001c");

QStringList Texts(const std::vector<QAction*>& actions) {
  QStringList texts;
  for (QAction* action : actions) texts << action->text() + (action->isChecked() ? "*" : "");
  return texts;
}

// The first profile with a key on A; "Game" with a key on B and effect 5.
class ProfileBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig.WriteFile("record.xml", kRecordOnA);
    rig.WriteFile("profiles/Game/record.xml", kRecordOnB);
    rig.WriteFile("profiles/Game/ledeffect.xml", UniformEffectFile(5));
    rig.prompts.askName = [this](QWidget*, const QString&, const QString& initial,
                                 const std::function<QString(const QString&)>& problem) -> std::optional<QString> {
      askedWith.push_back(initial);
      if (nextName.isEmpty()) return std::nullopt;
      problems.push_back(problem(nextName));
      return nextName;
    };
    rig.prompts.chooseExportFile = [this](QWidget*, const QString& suggested) {
      suggestedFile = suggested;
      return std::optional(rig.folder / "exported.xml");
    };
    rig.prompts.chooseImportFile = [this](QWidget*, const QString&) { return std::optional(rig.folder / "exported.xml"); };
    ASSERT_TRUE(rig.LoadAndStart());
    ASSERT_TRUE(rig.virtualDevice.OpenVirtualDevice());
  }
  QComboBox* Box() { return rig.Control<QComboBox>("cbx_in_lv"); }
  void Command(int command) { rig.window->Profiles()->Menu()->ActionForCommand(command)->trigger(); }
  // A key's checked mark and label on the picture.
  std::wstring KeyMark(std::int32_t id) {
    model::KeySpot spot;
    if (!rig.window->KeyboardImage()->FindKeySpot(id, spot)) return L"none";
    return std::to_wstring(spot.checked) + L" " + spot.label;
  }
  QStringList BoxTexts() {
    QStringList texts;
    for (int i = 0; i < Box()->count(); ++i) texts << Box()->itemText(i) + (i == Box()->currentIndex() ? "*" : "");
    return texts;
  }

  MainWindowRig rig;
  QString nextName;
  std::vector<QString> askedWith;
  std::vector<QString> problems;
  QString suggestedFile;
};

TEST_F(ProfileBoxTest, APickedProfileIsWhatThePictureThePanelTheFilterAndTheKeyboardGet) {
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1*", "Game"}));
  EXPECT_EQ(Texts(rig.window->Profiles()->TrayActions()), (QStringList{"Profile 1*", "Game"}));
  EXPECT_EQ(CaptureEntries(rig.filter.CaptureTable()), std::vector<std::string>{"04 00 07 02"});
  rig.keyboard.ClearReports();
  const std::string effectsBefore = rig.ReadFile("ledeffect.xml");
  const std::string sidesBefore = rig.ReadFile("sidemodel.xml");

  // Switches in a row: every one puts its table in force; the lighting of the last one goes out.
  Box()->setCurrentIndex(1);
  EXPECT_EQ(CaptureEntries(rig.filter.CaptureTable()), std::vector<std::string>{"05 00 07 02"});
  Box()->setCurrentIndex(0);
  EXPECT_EQ(CaptureEntries(rig.filter.CaptureTable()), std::vector<std::string>{"04 00 07 02"});
  Box()->setCurrentIndex(1);
  EXPECT_EQ(CaptureEntries(rig.filter.CaptureTable()), std::vector<std::string>{"05 00 07 02"});
  EXPECT_EQ(KeyMark(0x05), L"1 B : Y");
  EXPECT_EQ(KeyMark(0x04), L"0 ");
  EXPECT_EQ(rig.Control<QComboBox>("cbx_color_effect")->currentIndex(), 5);
  EXPECT_EQ(Texts(rig.window->Profiles()->TrayActions()), (QStringList{"Profile 1", "Game*"}));
  // The reports are paced and read the stores when they go: the last two hold the last profile's
  // effect 5 (code 6) and side light, whichever of the earlier ones went out meanwhile.
  const std::vector<std::string> sent = rig.SentReportTexts();
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(std::multiset<std::string>(sent.end() - 2, sent.end()),
            (std::multiset<std::string>{"07 ff ff 06 03 02 00 00", "07 ff ff 20 00 00 40 00"}));
  // A key of the new profile plays its new function.
  rig.filter.PressKey(0x70005);
  EXPECT_TRUE(WaitFor([&] { return rig.virtualHid.KeysDown() == std::vector<std::uint32_t>{0x7001c}; }));
  rig.filter.ReleaseKey(0x70005);

  rig.window->Profiles()->TrayActions()[0]->trigger();  // back from the tray menu
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1*", "Game"}));
  EXPECT_EQ(CaptureEntries(rig.filter.CaptureTable()), std::vector<std::string>{"04 00 07 02"});
  EXPECT_EQ(rig.settings.ActiveProfile(), L"");
  // The first profile's files are as they were: switching never writes them.
  EXPECT_EQ(rig.ReadFile("record.xml"), kRecordOnA);
  EXPECT_EQ(rig.ReadFile("ledeffect.xml"), effectsBefore);
  EXPECT_EQ(rig.ReadFile("sidemodel.xml"), sidesBefore);

  rig.Control<QAbstractButton>("zh_cn")->click();
  MainWindowRig::ProcessEvents();
  EXPECT_EQ(BoxTexts(), (QStringList{QString::fromUtf8("配置 1*"), "Game"}));
  EXPECT_EQ(Texts(rig.window->Profiles()->TrayActions()), (QStringList{QString::fromUtf8("配置 1*"), "Game"}));
}

TEST_F(ProfileBoxTest, TheMenuAddsCopiesRenamesDeletesExportsAndImports) {
  nextName = "Work";
  Command(ui::ProfileBox::kCommandNew);
  EXPECT_EQ(askedWith.back(), "Profile 2");
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1", "Game", "Work*"}));
  EXPECT_TRUE(rig.records.Snapshot()->empty());  // a new profile has no assignments

  Box()->setCurrentIndex(1);
  nextName = "game";
  Command(ui::ProfileBox::kCommandCopy);  // a taken name is refused, and said so
  EXPECT_EQ(askedWith.back(), "Game (2)");
  EXPECT_EQ(problems.back(), "A profile of that name exists already.");
  EXPECT_EQ(rig.messages.back().text, "A profile of that name exists already.");
  nextName = "Arcade";
  Command(ui::ProfileBox::kCommandCopy);
  EXPECT_EQ(rig.ReadFile("profiles/Arcade/record.xml"), kRecordOnB);
  nextName = "Retro";
  Command(ui::ProfileBox::kCommandRename);
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1", "Game", "Retro*", "Work"}));

  Command(ui::ProfileBox::kCommandExport);
  EXPECT_EQ(suggestedFile, "Retro.xml");
  EXPECT_NE(rig.ReadFile("exported.xml").find("<kbprofile version=\"1\" name=\"Retro\">"), std::string::npos);

  rig.messageAnswer = ui::kMessageCancel;
  Command(ui::ProfileBox::kCommandDelete);
  EXPECT_EQ(rig.messages.back().text, "Delete the profile \"Retro\" with its key assignments and lighting?");
  EXPECT_EQ(rig.messages.back().buttons, ui::MessageButtons::kOkCancel);
  EXPECT_TRUE(std::filesystem::exists(rig.folder / "profiles" / "Retro"));
  rig.messageAnswer = ui::kMessageOk;
  Command(ui::ProfileBox::kCommandDelete);
  EXPECT_FALSE(std::filesystem::exists(rig.folder / "profiles" / "Retro"));
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1*", "Game", "Work"}));
  Command(ui::ProfileBox::kCommandDelete);
  EXPECT_EQ(rig.messages.back().text, "The first profile cannot be deleted.");

  Command(ui::ProfileBox::kCommandImport);  // the exported profile comes back, and is picked
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1", "Game", "Retro*", "Work"}));
  EXPECT_EQ(CaptureEntries(rig.filter.CaptureTable()), std::vector<std::string>{"05 00 07 02"});
}

// Drives the rules' editor while it is open; `act` gets its dialog.
void WithRulesEditor(MainWindowRig& rig, const std::function<void(QWidget*)>& act) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    seen = true;
    act(dialog);
    if (dialog->isVisible()) ui::FindControl<QAbstractButton>(dialog, "btnCancel")->click();
  });
  rig.window->Profiles()->Menu()->ActionForCommand(ui::ProfileBox::kCommandRules)->trigger();
  EXPECT_TRUE(seen);
}

TEST_F(ProfileBoxTest, TheRulesEditorLinksProgramsAndTheProgramInFrontBringsItsProfile) {
  WithRulesEditor(rig, [](QWidget* dialog) {
    EXPECT_EQ(ui::FindControl<QLabel>(dialog, "text_watcher_state")->text(),
              "The program in front is watched: its profile comes with it.");
    EXPECT_FALSE(ui::FindControl<QWidget>(dialog, "btn_pretend")->isVisibleTo(dialog));  // not the demo
    ui::FindControl<QCheckBox>(dialog, "chk_switch_by_program")->setChecked(true);
    ui::FindControl<QAbstractButton>(dialog, "btn_rule_add")->click();
    auto* table = ui::FindControl<QTableWidget>(dialog, "tbl_rules");
    qobject_cast<QComboBox*>(table->cellWidget(0, 0))->setCurrentIndex(1);  // Game
    qobject_cast<QComboBox*>(table->cellWidget(0, 1))->setCurrentIndex(2);  // by folder
    table->item(0, 2)->setText("C:\\Games\\Space");
    ui::FindControl<QAbstractButton>(dialog, "btnOK")->click();
  });
  const model::Settings settings = rig.settings.Current();
  EXPECT_TRUE(settings.switchByProgram);
  EXPECT_EQ(settings.rules,
            (std::vector<model::ProgramRule>{{L"Game", model::ProgramMatch::kFolder, L"C:\\Games\\Space"}}));

  rig.foreground.BringToFront({L"C:\\Games\\Space\\launcher.exe", L"", false});
  MainWindowRig::ProcessEvents();
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1", "Game*"}));
  EXPECT_EQ(CaptureEntries(rig.filter.CaptureTable()), std::vector<std::string>{"05 00 07 02"});
  rig.foreground.BringToFront({L"/opt/kbconfig/kbconfig", L"kbconfig", true});  // this program: no change
  MainWindowRig::ProcessEvents();
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1", "Game*"}));
  rig.foreground.BringToFront({L"/usr/bin/xterm", L"XTerm", false});
  MainWindowRig::ProcessEvents();
  EXPECT_EQ(BoxTexts(), (QStringList{"Profile 1*", "Game"}));

  // Where the program in front cannot be told, the editor says so, in the user's language.
  rig.foreground.SetUnavailable(platform::ForegroundUnavailable::kNoWindowSystem);
  rig.Control<QAbstractButton>("zh_cn")->click();
  MainWindowRig::ProcessEvents();
  WithRulesEditor(rig, [](QWidget* dialog) {
    EXPECT_EQ(ui::FindControl<QLabel>(dialog, "text_watcher_state")->text(),
              QString::fromUtf8("当前会话无法得知哪个程序在前台（Wayland 或没有显示器）。此处只能手动切换配置。"));
    EXPECT_EQ(ui::FindControl<QTableWidget>(dialog, "tbl_rules")->rowCount(), 1);
  });
}

// The macro editor edits the profile that was active when it opened: a program coming to the
// front meanwhile switches only once it has closed.
TEST_F(ProfileBoxTest, AProgramInFrontWhileTheEditorIsOpenSwitchesOnceItHasClosed) {
  rig.settings.Change([](model::Settings& settings) {
    settings.switchByProgram = true;
    settings.rules = {{L"Game", model::ProgramMatch::kName, L"game.exe"}};
  });
  rig.window->Switcher().Refresh();
  QTimer::singleShot(0, [&] {
    rig.foreground.BringToFront({L"C:\\game.exe", L"", false});
    MainWindowRig::ProcessEvents();
    EXPECT_EQ(rig.settings.ActiveProfile(), L"");
    macro::MacroRecordDlg* editor = rig.window->KeyAssignment()->Editor();
    ASSERT_NE(editor, nullptr);
    ui::FindControl<QAbstractButton>(editor->Dialog(), "btnCancel")->click();
  });
  rig.window->OnCoordButtonClick(0x39, L"Caps Lock", 1, 0, 5, 5);
  EXPECT_EQ(rig.settings.ActiveProfile(), L"Game");
}

}  // namespace
}  // namespace uitest
