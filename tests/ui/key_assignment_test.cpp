// Key assignment end to end: a click on the keyboard image opens the editor for the key, the
// editor's result becomes the key's record, label, mark, files and capture table, and the
// assigned key then plays through the emulated virtual device.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QTabWidget>
#include <QtTest/QTest>

#include "editor_world.h"
#include "hostdrv/filter_requests.h"
#include "ui/key_assignment/key_assignment.h"
#include "ui/key_assignment/key_record_builder.h"
#include "ui/toolkit/control_lookup.h"

namespace uitest {
namespace {

using macro::MacroRecordDlg;

const QPoint kCapsLockSpot(20, 30);

class KeyAssignmentTest : public EditorWorld {
 protected:
  void SetUp() override {
    EditorWorld::SetUp();
    assignment_ = std::make_unique<assign::KeyAssignment>(assign::KeyAssignment::Dependencies{
        store_, library_, config_, channel_, *image_, [this] { return keyboardOpen_; },
        [this](auto& channel, auto& library, const auto& keys, const auto& afterClose) {
          return RunEditor(channel, library, keys, afterClose);
        }});
    image_->SetListener(assignment_.get());
  }

  // What the user does in the editor; returns once it has closed the editor.
  using Script = std::function<void(MacroRecordDlg& editor)>;

  int RunEditor(HidUsbFilter::KeyFilterChannel& channel, model::MacroLibrary& library,
                const macro::SelectedKeys& keys, const std::function<void()>& afterClose) {
    ++editorRuns_;
    seenKeys_ = keys;
    auto editor = MacroRecordDlg::Create({channel, library, keys, config_, loader_, clock_});
    if (!editor) return 0;
    editor->Dialog()->show();
    if (script_) script_(*editor);
    afterClose();
    return editor->Dialog()->result();
  }

  void ClickImage(QPoint point) {
    QTest::mousePress(image_.get(), Qt::LeftButton, Qt::NoModifier, point);
    EXPECT_EQ(editorRuns_, 0) << "the button-down alone opens nothing";
    QTest::mouseRelease(image_.get(), Qt::LeftButton, Qt::NoModifier, point);
  }
  void Click(MacroRecordDlg& editor, const char* name) {
    ui::FindControl<QAbstractButton>(editor.Dialog(), name)->click();
  }
  const model::KeySpot& CapsLockSpot() const { return image_->Keys().at(0); }

  bool keyboardOpen_ = true;
  int editorRuns_ = 0;
  macro::SelectedKeys seenKeys_;
  Script script_;
  std::unique_ptr<assign::KeyAssignment> assignment_;
};

TEST_F(KeyAssignmentTest, RecordedMacroIsAssignedSavedCapturedAndPlayed) {
  library_.AddGroup();
  library_.mode = 1;
  library_.delay = 50;
  script_ = [&](MacroRecordDlg& editor) {
    Click(editor, "chk_macro_record");
    for (model::KeyCode key : {kKeyA, kKeyB}) {
      const int before = editor.StepAdapter().rowCount();
      ASSERT_TRUE(Press(key));
      ASSERT_TRUE(Release(key));
      ASSERT_TRUE(PumpUntil([&] { return editor.StepAdapter().rowCount() == before + 2; }));
    }
    Click(editor, "btnOK");
  };
  ClickImage(kCapsLockSpot);
  ASSERT_EQ(editorRuns_, 1);
  EXPECT_EQ(seenKeys_, (macro::SelectedKeys{{0x39, L"Caps Lock"}}));
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
  // The closed editor's 0x226010 comes before its destruction restarts monitoring (which ends
  // the driver's recording of every key), then the new capture table goes out.
  EXPECT_EQ(requests[requests.size() - 4].code, HidUsbFilter::kRequestSetMode) << "sent once the editor closed";
  EXPECT_EQ(requests[requests.size() - 3].code, HidUsbFilter::kRequestPrepare);
  EXPECT_EQ(requests[requests.size() - 2].code, HidUsbFilter::kRequestArm);
  EXPECT_EQ(requests.back().code, HidUsbFilter::kRequestCaptureTable);
  EXPECT_FALSE(driver_.IsCaptured(0x00070004)) << "an unassigned key is no longer reported";

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
  script_ = [&](MacroRecordDlg& editor) {
    ui::FindControl<QTabWidget>(editor.Dialog(), "tab_macro_mode_selection")->setCurrentIndex(1);
    ASSERT_TRUE(Press(kLeftShift));
    ASSERT_TRUE(PumpUntil([&] { return library_.skcode == kLeftShift; }));
    Click(editor, "btnOK");
  };
  ClickImage(kCapsLockSpot);
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
  script_ = [&](MacroRecordDlg& editor) { Click(editor, "btnDelete"); };
  ClickImage(kCapsLockSpot);
  EXPECT_TRUE(store_.Snapshot()->empty());
  EXPECT_EQ(CapsLockSpot().label, L"");
  EXPECT_EQ(CapsLockSpot().checked, 0);
  EXPECT_EQ(ReadFile(folder_ / "record.xml"), "<?xml version=\"1.0\"?>\n");
  EXPECT_EQ(driver_.CaptureTable(), CaptureTableFor({}));
}

TEST_F(KeyAssignmentTest, CancelChangesNothingAndAClosedKeyboardOpensNoEditor) {
  script_ = [&](MacroRecordDlg& editor) { Click(editor, "btnCancel"); };
  const auto tableBefore = driver_.CaptureTable();
  ClickImage(kCapsLockSpot);
  EXPECT_EQ(editorRuns_, 1);
  EXPECT_TRUE(store_.Snapshot()->empty());
  EXPECT_EQ(CapsLockSpot().checked, 0);
  EXPECT_EQ(driver_.CaptureTable(), tableBefore);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "record.xml"));

  keyboardOpen_ = false;
  editorRuns_ = 0;
  ClickImage(kCapsLockSpot);
  EXPECT_EQ(editorRuns_, 0);
}

TEST_F(KeyAssignmentTest, AMissingChoiceMarksTheKeyButBuildsNoRecord) {
  library_.type = 3;
  library_.function = 1;  // "Nothing": no steps
  script_ = [&](MacroRecordDlg& editor) { Click(editor, "btnOK"); };
  ClickImage(kCapsLockSpot);
  EXPECT_TRUE(store_.Snapshot()->empty());
  EXPECT_EQ(CapsLockSpot().checked, 1);
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
  library_.type = 2;
  library_.media = 0;
  script_ = [&](MacroRecordDlg& editor) { Click(editor, "btnOK"); };
  ClickImage(kCapsLockSpot);
  const auto records = store_.Snapshot();
  ASSERT_EQ(records->size(), 2u);
  EXPECT_EQ(records->at(1).code, kCapsLock);
  EXPECT_EQ(records->at(1).group, L"Volume Up");
  EXPECT_EQ(records->at(1).steps, (std::vector<model::MacroStep>{{0x000C00E9, 0, 0, L""}}));
  EXPECT_EQ(driver_.CaptureTable(), CaptureTableFor({kF1, kCapsLock}));
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

TEST(KeyRecordBuilder, OutOfRangeChoicesBuildNothing) {
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
}

TEST(KeyRecordBuilder, LabelOmitsTheSeparatorWithoutADisplayName) {
  EnsureApplication();
  EXPECT_EQ(assign::AssignmentLabel(L"Caps Lock", L"Left Shift"), L"Caps Lock : Left Shift");
  EXPECT_EQ(assign::AssignmentLabel(L"Caps Lock", L""), L"Caps Lock");
}

}  // namespace
}  // namespace uitest
