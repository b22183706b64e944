// Key assignment end to end, through the modal editor the program runs: a click on the keyboard
// image opens the editor for the key, the editor's result becomes the key's record, label, mark,
// files and capture table, and the assigned key then plays through the emulated virtual device.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QTabWidget>

#include "assignment_world.h"
#include "hostdrv/filter_requests.h"
#include "ui/key_assignment/key_record_builder.h"

namespace uitest {
namespace {

using macro::MacroRecordDlg;

class KeyAssignmentTest : public AssignmentWorld {
 protected:
  const model::KeySpot& CapsLockSpot() const { return image_->Keys().at(0); }
  static void SelectGroupRow(MacroRecordDlg& editor, int row) {
    auto* groups = Control<QListView>(editor, "macro_group");
    groups->selectionModel()->setCurrentIndex(editor.GroupAdapter().index(row, 0), QItemSelectionModel::ClearAndSelect);
  }
};

TEST_F(KeyAssignmentTest, RecordedMacroIsAssignedSavedCapturedAndPlayed) {
  library_.AddGroup();
  library_.mode = 1;
  library_.delay = 50;
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    EXPECT_EQ(assignment_->SelectedKeys(), (macro::SelectedKeys{{0x39, L"Caps Lock"}}));
    SelectGroupRow(editor, 0);
    Click(editor, "chk_macro_record");
    RecordTap(editor, kKeyA);
    RecordTap(editor, kKeyB);
    Click(editor, "btnOK");
  });
  EXPECT_TRUE(assignment_->SelectedKeys().empty()) << "emptied once the editor is gone";

  EXPECT_EQ(ReadFile(folder_ / "record.xml"),
            "<?xml version=\"1.0\"?>\n"
            "<record code=\"70039\" play=\"2\" type=\"0\" repeat=\"1\" name=\"Caps Lock\" group=\"Group 0\">\n"
            "\t<item code=\"70004\" state=\"1\" delay=\"50\" name=\"A\" />\n"
            "\t<item code=\"70004\" state=\"0\" delay=\"50\" name=\"A\" />\n"
            "\t<item code=\"70005\" state=\"1\" delay=\"50\" name=\"B\" />\n"
            "\t<item code=\"70005\" state=\"0\" delay=\"0\" name=\"B\" />\n"
            "</record>\n");
  EXPECT_EQ(ReadFile(folder_ / "macro.xml"),
            "<?xml version=\"1.0\"?>\n"
            "<config type=\"0\" repeat=\"1\" mode=\"1\" delay=\"50\" media=\"0\" function=\"0\" group=\"0\" "
            "skcode=\"0\" play=\"0\" />\n"
            "<macro>\n"
            "\t<group name=\"Group 0\">\n"
            "\t\t<item code=\"458756\" state=\"1\" delay=\"50\" name=\"A\" />\n"
            "\t\t<item code=\"458756\" state=\"0\" delay=\"50\" name=\"A\" />\n"
            "\t\t<item code=\"458757\" state=\"1\" delay=\"50\" name=\"B\" />\n"
            "\t\t<item code=\"458757\" state=\"0\" delay=\"0\" name=\"B\" />\n"
            "\t</group>\n"
            "</macro>\n");
  EXPECT_EQ(CapsLockSpot().label, L"Caps Lock : Group 0");
  EXPECT_EQ(CapsLockSpot().checked, 1);
  EXPECT_EQ(driver_.CaptureTable(), CaptureTableFor({kCapsLock}));
  const auto requests = driver_.Requests();
  ASSERT_GE(requests.size(), 4u);
  // The closed editor's 0x226010 and the new capture table go out while the editor still
  // exists; its destruction then restarts monitoring, which ends the driver's every-key mode.
  EXPECT_EQ(requests[requests.size() - 4].code, HidUsbFilter::kRequestSetMode) << "sent once the editor closed";
  EXPECT_EQ(requests[requests.size() - 3].code, HidUsbFilter::kRequestCaptureTable);
  EXPECT_EQ(requests[requests.size() - 2].code, HidUsbFilter::kRequestPrepare);
  EXPECT_EQ(requests.back().code, HidUsbFilter::kRequestArm);
  EXPECT_FALSE(driver_.IsCaptured(kKeyA)) << "an unassigned key is no longer reported";

  // The main window's routine hears the assigned key again and plays the macro.
  hid_.ClearReports();
  ASSERT_TRUE(Press(kCapsLock));
  ASSERT_TRUE(Release(kCapsLock));
  ASSERT_TRUE(PumpUntil([&] { return hid_.Reports().size() >= 5; }));
  const auto reports = hid_.Reports();
  EXPECT_EQ(reports[0][3], 0x10) << "A down";
  EXPECT_EQ(reports[1][3], 0x00) << "A up";
  EXPECT_EQ(reports[2][3], 0x20) << "B down";
  EXPECT_EQ(reports[3][3], 0x00) << "B up";
  EXPECT_GE(routine_.events.load(), 1);
  ASSERT_TRUE(PumpUntil([&] { return player_.CurrentRecord().code == 0; }));
  EXPECT_TRUE(hid_.KeysDown().empty());
}

TEST_F(KeyAssignmentTest, SingleKeyCapsLockToLeftShift) {
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    Control<QTabWidget>(editor, "tab_macro_mode_selection")->setCurrentIndex(1);
    EXPECT_TRUE(Control<QCheckBox>(editor, "chk_single_record")->isChecked()) << "the page captures at once";
    ASSERT_TRUE(Press(kLeftShift));
    ASSERT_TRUE(PumpUntil([&] { return library_.skcode == kLeftShift; }));
    ASSERT_TRUE(Release(kLeftShift));
    Click(editor, "btnOK");
  });
  const auto records = store_.Snapshot();
  ASSERT_EQ(records->size(), 1u);
  model::KeyRecord expected;
  expected.code = 0x70039;
  expected.type = 1;
  expected.play = 1;
  expected.repeat = 1;
  expected.target = static_cast<int>(kLeftShift);
  expected.name = L"Caps Lock";
  expected.group = L"Left Shift";
  expected.steps = {{kLeftShift, 0, 0, L""}};
  EXPECT_EQ(records->front(), expected);
  EXPECT_EQ(CapsLockSpot().label, L"Caps Lock : Left Shift");
  EXPECT_NE(ReadFile(folder_ / "record.xml").find("<record code=\"70039\" play=\"1\" type=\"1\" repeat=\"1\" "
                                                   "name=\"Caps Lock\" group=\"Left Shift\">\n"
                                                   "\t<item code=\"700e1\" state=\"0\" delay=\"0\" name=\"\" />"),
            std::string::npos);

  // Forwarded at once as Left Shift by the player.
  ASSERT_TRUE(Press(kCapsLock));
  ASSERT_TRUE(PumpUntil([&] { return hid_.KeysDown() == std::vector<std::uint32_t>{kLeftShift}; }));
  ASSERT_TRUE(Release(kCapsLock));
  ASSERT_TRUE(PumpUntil([&] { return hid_.KeysDown().empty(); }));
}

TEST_F(KeyAssignmentTest, DeleteRemovesRecordLabelAndMark) {
  model::KeyRecord old;
  old.code = kCapsLock;
  old.type = 1;
  old.play = 1;
  old.steps = {{kLeftShift, 0, 0, L""}};
  store_.UpsertRecord(old);
  image_->SetKeyLabel(L"Caps Lock : Left Shift", 0x39);
  image_->SetKeyChecked(0x39, 1);
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) { Click(editor, "btnDelete"); });
  EXPECT_TRUE(store_.Snapshot()->empty());
  EXPECT_EQ(CapsLockSpot().label, L"");
  EXPECT_EQ(CapsLockSpot().checked, 0);
  EXPECT_EQ(ReadFile(folder_ / "record.xml"), "<?xml version=\"1.0\"?>\n");
  EXPECT_EQ(driver_.CaptureTable(), CaptureTableFor({}));
}

TEST_F(KeyAssignmentTest, CancelChangesNothingAndAClosedKeyboardOpensNoEditor) {
  const auto tableBefore = driver_.CaptureTable();
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) { Click(editor, "btnCancel"); });
  EXPECT_TRUE(store_.Snapshot()->empty());
  EXPECT_EQ(CapsLockSpot().checked, 0);
  EXPECT_EQ(driver_.CaptureTable(), tableBefore);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "record.xml"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "macro.xml"));

  keyboardOpen_ = false;
  QTest::mouseClick(image_.get(), Qt::LeftButton, Qt::NoModifier, kCapsLockSpot);
  QApplication::processEvents();
  EXPECT_EQ(assignment_->Editor(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "macro.xml")) << "no editor ran";
}

TEST_F(KeyAssignmentTest, NothingChosenLeavesTheKeyAsItWas) {
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    Control<QTabWidget>(editor, "tab_macro_mode_selection")->setCurrentIndex(3);
    Control<QComboBox>(editor, "cmb_function_keys")->setCurrentIndex(1);  // "Nothing": no steps
    Click(editor, "btnOK");
  });
  EXPECT_TRUE(store_.Snapshot()->empty());
  EXPECT_EQ(CapsLockSpot().checked, 0) << "a mark without a record would claim an assignment";
  EXPECT_EQ(CapsLockSpot().label, L"");
  EXPECT_TRUE(std::filesystem::exists(folder_ / "macro.xml")) << "the library is saved on every OK";
  EXPECT_EQ(driver_.CaptureTable(), CaptureTableFor({}));
}

TEST_F(KeyAssignmentTest, ReassigningAKeyReplacesItsRecordInPlace) {
  model::KeyRecord first;
  first.code = kF1;
  store_.UpsertRecord(first);
  model::KeyRecord caps;
  caps.code = kCapsLock;
  store_.UpsertRecord(caps);
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    Control<QTabWidget>(editor, "tab_macro_mode_selection")->setCurrentIndex(2);
    Control<QComboBox>(editor, "cmb_media_keys")->setCurrentIndex(0);
    Click(editor, "btnOK");
  });
  const auto records = store_.Snapshot();
  ASSERT_EQ(records->size(), 2u);
  EXPECT_EQ(records->at(1).code, kCapsLock);
  EXPECT_EQ(records->at(1).group, L"Volume Up");
  EXPECT_EQ(records->at(1).steps, (std::vector<model::MacroStep>{{0x000C00E9, 0, 0, L""}}));
  EXPECT_EQ(driver_.CaptureTable(), CaptureTableFor({kF1, kCapsLock}));
}

// OK takes only what the key will really do: the repeat field refuses a count past the largest
// as it is typed, and an empty macro group is named (and kept off the key on Cancel) first.
TEST_F(KeyAssignmentTest, TheRepeatFieldIsBoundedAndAnEmptyGroupIsNamedBeforeOk) {
  library_.AddGroup();
  boxes_.Answer({ui::kMessageCancel, ui::kMessageOk});
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    auto* repeat = Control<QLineEdit>(editor, "edit_macro_repeat_times");
    repeat->setFocus();
    repeat->selectAll();
    QTest::keyClicks(repeat, "999999");
    EXPECT_EQ(repeat->text(), "9999");
    Click(editor, "btnOK");  // answered Cancel: back in the editor
    EXPECT_TRUE(editor.Dialog()->isVisible());
    EXPECT_TRUE(store_.Snapshot()->empty());
    Click(editor, "btnOK");  // answered OK: assigned all the same
  });
  ASSERT_EQ(boxes_.texts.size(), 2u) << "no complaint about the repeat count";
  EXPECT_EQ(boxes_.texts[0],
            "The macro group \"Group 0\" has no steps: the key would do nothing when pressed. Assign it anyway?");
  const auto records = store_.Snapshot();
  ASSERT_EQ(records->size(), 1u);
  EXPECT_EQ(records->front().repeat, 9999);
  EXPECT_TRUE(records->front().steps.empty());
}

// The record rules without the editor.
TEST(KeyRecordBuilder, FunctionKeyPressesInOrderThenReleasesInOrder) {
  model::MacroLibrary library;
  model::AppConfig config;
  config.functionKeys = {{L"Copy", {{224, 0}, {6, 10}}}};
  library.type = 3;
  const auto record = assign::BuildKeyRecord(library, config, kF1, L"F1");
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->steps, (std::vector<model::MacroStep>{{224, 1, 1, L""}, {6, 1, 11, L""}, {224, 0, 0, L""},
                                                          {6, 0, 10, L""}}));
  EXPECT_EQ(record->play, 2);
  EXPECT_EQ(record->repeat, 1);
  EXPECT_EQ(record->target, 1);
  EXPECT_EQ(record->group, L"Copy");
}

TEST(KeyRecordBuilder, OutOfRangeChoicesBuildNothingAndTheRepeatCountIsBounded) {
  model::MacroLibrary library;
  model::AppConfig config;
  for (int type : {0, 1, 2, 3, 4, -1}) {
    library.type = type;
    EXPECT_FALSE(assign::BuildKeyRecord(library, config, kF1, L"F1").has_value()) << type;
  }
  library.type = 0;
  library.AddGroup();  // no path: not saved, still listed
  library.group = 1;
  EXPECT_FALSE(assign::BuildKeyRecord(library, config, kF1, L"F1").has_value());
  library.group = 0;
  library.repeat = 4;
  library.playValue = 5;
  const auto record = assign::BuildKeyRecord(library, config, kF1, L"F1");
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->play, 5);
  EXPECT_EQ(record->repeat, 4);
  EXPECT_EQ(record->target, 4);
  for (const auto& [typed, kept] : {std::pair{-3, 1}, std::pair{0, 1}, std::pair{1000000, 9999}}) {
    library.repeat = typed;
    EXPECT_EQ(assign::BuildKeyRecord(library, config, kF1, L"F1")->repeat, kept) << typed;
  }
}

TEST(KeyRecordBuilder, LabelOmitsTheSeparatorWithoutADisplayName) {
  EnsureApplication();
  EXPECT_EQ(assign::AssignmentLabel(L"Caps Lock", L"Left Shift"), L"Caps Lock : Left Shift");
  EXPECT_EQ(assign::AssignmentLabel(L"Caps Lock", L""), L"Caps Lock");
}

}  // namespace
}  // namespace uitest
