// The macro editor with the emulated key filter driver: recording, single-key capture, the key
// listener that keeps key events from the main window, the commands and the settings it keeps.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QtTest/QTest>

#include "editor_world.h"
#include "hostdrv/filter_requests.h"
#include "ui/toolkit/control_lookup.h"

namespace uitest {
namespace {

using macro::MacroRecordDlg;

struct StepValues {
  model::KeyCode code;
  int state;
  int delay;
  friend bool operator==(const StepValues&, const StepValues&) = default;
};

std::vector<StepValues> Steps(const model::MacroGroup& group) {
  std::vector<StepValues> steps;
  for (const auto& step : group.steps) steps.push_back({step.code, step.state, int(step.delay)});
  return steps;
}

class MacroEditorTest : public EditorWorld {
 protected:
  template <class T>
  T* Control(MacroRecordDlg& editor, const char* name) {
    T* control = ui::FindControl<T>(editor.Dialog(), name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  void Click(MacroRecordDlg& editor, const char* name) { Control<QAbstractButton>(editor, name)->click(); }
  int StepCount(MacroRecordDlg& editor) { return editor.StepAdapter().rowCount(); }
  bool WaitForSteps(MacroRecordDlg& editor, int count) {
    return PumpUntil([&] { return StepCount(editor) == count; });
  }
  // Types a press and a release of `key`, each recorded once the editor has handled it.
  void Tap(MacroRecordDlg& editor, model::KeyCode key, std::chrono::milliseconds hold = {},
           std::chrono::milliseconds after = {}) {
    const int before = StepCount(editor);
    ASSERT_TRUE(Press(key));
    ASSERT_TRUE(WaitForSteps(editor, before + 1));
    clock_.Advance(hold);
    ASSERT_TRUE(Release(key));
    ASSERT_TRUE(WaitForSteps(editor, before + 2));
    clock_.Advance(after);
  }
  int ModeRequestsSent() {
    int count = 0;
    for (const auto& request : driver_.Requests()) {
      if (request.code == HidUsbFilter::kRequestSetMode) {
        EXPECT_EQ(request.input, (std::vector<std::uint8_t>{0, 0, 0, 0}));
        ++count;
      }
    }
    return count;
  }
};

TEST_F(MacroEditorTest, FixedDelayRecordsEveryGapAsTheDelayAndTheLastStepAsZero) {
  library_.AddGroup();
  library_.mode = 1;
  library_.delay = 50;
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(Control<QLineEdit>(*editor, "edit_macro_delay_time")->text().isEmpty());
  EXPECT_TRUE(Control<QCheckBox>(*editor, "chk_macro_fixed_delay")->isChecked());
  EXPECT_FALSE(Control<QCheckBox>(*editor, "chk_macro_realy_delay")->isChecked());

  const int requestsBefore = ModeRequestsSent();
  Click(*editor, "chk_macro_record");
  EXPECT_EQ(library_.recording, 1);
  EXPECT_EQ(Control<QCheckBox>(*editor, "chk_macro_record")->text(), "Stop record");
  EXPECT_EQ(ModeRequestsSent(), requestsBefore + 1) << "a successful restart sends the mode request";

  Tap(*editor, kKeyA, std::chrono::milliseconds(7), std::chrono::milliseconds(900));
  Tap(*editor, kKeyB);
  const auto group = library_.GroupAt(0);
  EXPECT_EQ(Steps(*group), (std::vector<StepValues>{{kKeyA, 1, 50}, {kKeyA, 0, 50}, {kKeyB, 1, 50}, {kKeyB, 0, 0}}));
  EXPECT_EQ(group->steps[0].name, L"A");
  EXPECT_EQ(group->steps[3].name, L"B");

  Click(*editor, "chk_macro_record");
  EXPECT_EQ(library_.recording, 0);
  EXPECT_EQ(Control<QCheckBox>(*editor, "chk_macro_record")->text(), "Start record");
  EXPECT_FALSE(channel_.IsMonitoring());
}

TEST_F(MacroEditorTest, NoDelayModeRecordsZeroEverywhereAndMeasuredModeUsesTheClock) {
  library_.AddGroup();
  library_.mode = 0;
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  Click(*editor, "chk_macro_no_delay");
  EXPECT_EQ(library_.mode, 2);
  EXPECT_EQ(Control<QLineEdit>(*editor, "edit_macro_delay_time")->text(), "0");
  EXPECT_FALSE(Control<QLineEdit>(*editor, "edit_macro_delay_time")->isEnabled());
  Click(*editor, "chk_macro_record");
  Tap(*editor, kKeyA, std::chrono::milliseconds(30), std::chrono::milliseconds(40));
  Tap(*editor, kKeyB, std::chrono::milliseconds(30));
  EXPECT_EQ(Steps(*library_.GroupAt(0)),
            (std::vector<StepValues>{{kKeyA, 1, 0}, {kKeyA, 0, 0}, {kKeyB, 1, 0}, {kKeyB, 0, 0}}));

  // Measured delays: the time from each event to the next one, by the editor's clock.
  Click(*editor, "chk_macro_realy_delay");
  EXPECT_EQ(library_.mode, 0);
  Click(*editor, "item_clear");
  EXPECT_EQ(StepCount(*editor), 0);
  Tap(*editor, kKeyA, std::chrono::milliseconds(120), std::chrono::milliseconds(35));
  Tap(*editor, kKeyB, std::chrono::milliseconds(15));
  EXPECT_EQ(Steps(*library_.GroupAt(0)),
            (std::vector<StepValues>{{kKeyA, 1, 120}, {kKeyA, 0, 35}, {kKeyB, 1, 15}, {kKeyB, 0, 0}}));
}

TEST_F(MacroEditorTest, TheFirstMeasuredKeyOfAnOpeningLeavesTheStoredLastDelayAlone) {
  library_.AddGroup();
  library_.AppendStep(library_.GroupAt(0), kKeyB, 0, 0, L"B");
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->LastEventTime().has_value());
  Click(*editor, "chk_macro_record");
  clock_.Advance(std::chrono::hours(5));
  ASSERT_TRUE(Press(kKeyA));
  ASSERT_TRUE(WaitForSteps(*editor, 2));
  // Not five hours (nor the clock's whole reading): nothing measured that gap.
  EXPECT_EQ(int(library_.GroupAt(0)->steps[0].delay), 0);
  EXPECT_TRUE(editor->LastEventTime().has_value());
}

TEST_F(MacroEditorTest, AReleaseFirstIntoAnEmptyGroupAddsNothing) {
  library_.AddGroup();
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  Click(*editor, "chk_macro_record");
  ASSERT_TRUE(Release(kKeyA));
  ASSERT_TRUE(Press(kKeyB));
  ASSERT_TRUE(WaitForSteps(*editor, 1));
  EXPECT_EQ(Steps(*library_.GroupAt(0)), (std::vector<StepValues>{{kKeyB, 1, 0}}));
}

TEST_F(MacroEditorTest, RecordingNeedsASelectedGroupAndIgnoresKeysWhenOff) {
  auto editor = OpenEditor();  // no groups at all
  ASSERT_NE(editor, nullptr);
  Click(*editor, "chk_macro_record");
  EXPECT_FALSE(Control<QCheckBox>(*editor, "chk_macro_record")->isChecked());
  EXPECT_EQ(library_.recording, 0);

  EXPECT_FALSE(channel_.IsMonitoring()) << "switching recording off stops monitoring";

  Click(*editor, "groupAdd");
  EXPECT_EQ(library_.GroupCount(), 1);
  editor->OnMacroGroupClicked(0, L"Group 0");
  editor->HandleKeyEvent(kKeyA, true);  // recording is off: ignored
  EXPECT_EQ(library_.GroupAt(0)->steps.size(), 0u);
}

TEST_F(MacroEditorTest, SingleKeyPageCapturesNameAndCodeOnPressOnly) {
  library_.type = 1;
  library_.skcode = kKeyB;
  const int requestsBefore = ModeRequestsSent();
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  auto* text = Control<QLabel>(*editor, "edit_single_key");
  EXPECT_EQ(text->text(), "B");
  EXPECT_EQ(Control<QTabWidget>(*editor, "tab_macro_mode_selection")->currentIndex(), 1);
  EXPECT_EQ(ModeRequestsSent(), requestsBefore + 1) << "opening on the single-key page restarts monitoring";

  ASSERT_TRUE(Press(kLeftShift));
  ASSERT_TRUE(PumpUntil([&] { return library_.skcode == kLeftShift; }));
  EXPECT_EQ(text->text(), "Left Shift");
  ASSERT_TRUE(Release(kCapsLock));
  ASSERT_TRUE(Press(kKeyA));  // a later press shows the release was handled before it
  ASSERT_TRUE(PumpUntil([&] { return library_.skcode == kKeyA; }));
  ASSERT_TRUE(Release(kLeftShift));
  QApplication::processEvents();
  EXPECT_EQ(library_.skcode, kKeyA);
  EXPECT_EQ(text->text(), "A");
}

TEST_F(MacroEditorTest, WhileOpenTheMainRoutineHearsNothingAndAfterwardsAgain) {
  library_.type = 1;
  {
    auto editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(Press(kKeyA));
    ASSERT_TRUE(Release(kKeyA));
    ASSERT_TRUE(PumpUntil([&] { return library_.skcode == kKeyA; }));
    EXPECT_EQ(routine_.events.load(), 0);
  }
  EXPECT_EQ(channel_.ListenerCount(), 1u);
  EXPECT_TRUE(channel_.IsMonitoring()) << "closing restarts monitoring";
  ASSERT_TRUE(Press(kKeyB));
  ASSERT_TRUE(PumpUntil([&] { return routine_.events.load() == 1; }));
}

TEST_F(MacroEditorTest, OpeningAppliesTheStoredSettingsAndRepairsAWrongMode) {
  library_.AddGroup();
  library_.AddGroup();
  library_.group = 1;
  library_.mode = 7;
  library_.repeat = 3;
  library_.delay = 40;
  library_.play = 2;
  library_.media = 1;
  library_.function = 0;
  selectedKeys_ = {{0x3A, L"F1"}, {0x04, L"A"}};
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(library_.mode, 0);
  EXPECT_NE(ReadFile(folder_ / "macro.xml").find("mode=\"0\""), std::string::npos) << "the repaired mode is saved";
  EXPECT_TRUE(Control<QCheckBox>(*editor, "chk_macro_realy_delay")->isChecked());
  EXPECT_FALSE(Control<QLineEdit>(*editor, "edit_macro_delay_time")->isEnabled());
  EXPECT_EQ(Control<QLineEdit>(*editor, "edit_macro_repeat_times")->text(), "3");
  EXPECT_EQ(Control<QLineEdit>(*editor, "edit_macro_delay_time")->text(), "40");
  EXPECT_EQ(Control<QLabel>(*editor, "text_recording_keys")->text(), "A,F1");
  EXPECT_EQ(Control<QComboBox>(*editor, "macro_play_mode")->currentIndex(), 2);
  EXPECT_EQ(library_.playValue, 4);
  auto* media = Control<QComboBox>(*editor, "cmb_media_keys");
  ASSERT_EQ(media->count(), 2);
  EXPECT_EQ(media->itemText(0), "Volume Up");
  EXPECT_EQ(media->currentIndex(), 1);
  EXPECT_EQ(Control<QComboBox>(*editor, "cmb_function_keys")->count(), 2);
  EXPECT_EQ(editor->StepAdapter().ShownGroup(), library_.GroupAt(1));
  auto* groups = Control<QListView>(*editor, "macro_group");
  EXPECT_TRUE(groups->selectionModel()->isRowSelected(1, QModelIndex()));
}

TEST_F(MacroEditorTest, EditsAndComboChoicesReachTheLibrary) {
  library_.AddGroup();
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  auto* repeat = Control<QLineEdit>(*editor, "edit_macro_repeat_times");
  auto* delay = Control<QLineEdit>(*editor, "edit_macro_delay_time");
  repeat->setFocus();
  repeat->selectAll();
  QTest::keyClicks(repeat, "12x");
  EXPECT_EQ(library_.repeat, 12);
  // The delay field is only read in fixed-delay mode.
  emit delay->textEdited("99");
  EXPECT_EQ(int(library_.delay), 10);
  Click(*editor, "chk_macro_fixed_delay");
  EXPECT_TRUE(delay->isEnabled());
  EXPECT_EQ(delay->text(), "10");
  emit delay->textEdited("75ms");
  EXPECT_EQ(int(library_.delay), 75);

  Control<QComboBox>(*editor, "macro_play_mode")->setCurrentIndex(4);
  EXPECT_EQ(library_.play, 4);
  EXPECT_EQ(library_.playValue, 6);
  Control<QComboBox>(*editor, "cmb_function_keys")->setCurrentIndex(1);
  EXPECT_EQ(library_.function, 1);
  Control<QTabWidget>(*editor, "tab_macro_mode_selection")->setCurrentIndex(3);
  EXPECT_EQ(library_.type, 3);
  EXPECT_FALSE(channel_.IsMonitoring()) << "pages other than the single key stop monitoring";

  model::MacroLibrary reread;
  ASSERT_TRUE(reread.Load(folder_ / "macro.xml"));
  EXPECT_EQ(reread.repeat, 12);
  EXPECT_EQ(int(reread.delay), 75);
  EXPECT_EQ(reread.play, 4);
  EXPECT_EQ(reread.function, 1);
  EXPECT_EQ(reread.type, 3);
}

TEST_F(MacroEditorTest, PlayModeEntriesCarryValuesThePlaybackStarts) {
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  auto* play = Control<QComboBox>(*editor, "macro_play_mode");
  ASSERT_EQ(play->count(), 5);
  for (int entry = 0; entry < play->count(); ++entry) EXPECT_EQ(play->itemData(entry).toInt(), entry + 2);
}

TEST_F(MacroEditorTest, StepCommandsMoveRemoveAndClear) {
  library_.AddGroup();
  const auto group = library_.GroupAt(0);
  for (model::KeyCode key : {kKeyA, kKeyB, kF1}) library_.AppendStep(group, key, 1, 0, L"");
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  auto* steps = Control<QTableView>(*editor, "key_info");
  auto selectStep = [&](int row) {
    steps->selectionModel()->setCurrentIndex(editor->StepAdapter().index(row, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  };
  auto selected = [&] {
    const auto rows = steps->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
  };
  selectStep(2);
  Click(*editor, "item_up");
  EXPECT_EQ(group->steps[1].code, kF1);
  EXPECT_EQ(selected(), 1);
  Click(*editor, "item_up");
  Click(*editor, "item_up");  // already first: stays
  EXPECT_EQ(group->steps[0].code, kF1);
  EXPECT_EQ(selected(), 0);
  Click(*editor, "item_down");
  EXPECT_EQ(group->steps[1].code, kF1);
  EXPECT_EQ(selected(), 1);
  Click(*editor, "item_delete");
  EXPECT_EQ(group->steps.size(), 2u);
  EXPECT_EQ(group->steps[1].code, kKeyB);
  Click(*editor, "item_clear");
  EXPECT_TRUE(group->steps.empty());
}

TEST_F(MacroEditorTest, GroupAddAndDeleteKeepListsInStep) {
  library_.group = -1;
  auto editor = OpenEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(library_.group, 0) << "a negative group is repaired on opening";
  Click(*editor, "groupAdd");
  Click(*editor, "groupAdd");
  Click(*editor, "groupAdd");
  ASSERT_EQ(library_.GroupCount(), 3);
  auto* groups = Control<QListView>(*editor, "macro_group");
  EXPECT_TRUE(groups->selectionModel()->isRowSelected(2, QModelIndex())) << "the new group is the one to go on with";
  EXPECT_EQ(library_.group, 2);
  EXPECT_EQ(editor->StepAdapter().ShownGroup(), library_.GroupAt(2));
  groups->selectionModel()->setCurrentIndex(editor->GroupAdapter().index(1, 0), QItemSelectionModel::ClearAndSelect);
  EXPECT_EQ(editor->StepAdapter().ShownGroup(), library_.GroupAt(1)) << "picking a row shows its group";
  EXPECT_EQ(library_.group, 1);
  EXPECT_EQ(editor->GroupAdapter().LastClickedRow(), 1);

  Click(*editor, "groupDel");
  ASSERT_EQ(library_.GroupCount(), 2);
  EXPECT_EQ(library_.GroupAt(1)->name, L"Group 2");
  EXPECT_EQ(library_.group, 1);
  EXPECT_EQ(editor->StepAdapter().ShownGroup(), library_.GroupAt(1));
  Click(*editor, "groupDel");
  Click(*editor, "groupDel");
  EXPECT_EQ(library_.GroupCount(), 0);
  EXPECT_EQ(library_.group, -1);
  EXPECT_EQ(editor->StepAdapter().ShownGroup(), nullptr);
}

TEST_F(MacroEditorTest, ButtonsCloseWithTheirResults) {
  struct Case {
    const char* button;
    int result;
  };
  for (const Case& c : {Case{"btnOK", macro::kResultOk}, Case{"btnCancel", macro::kResultCancel},
                        Case{"btnDelete", macro::kResultDelete}}) {
    auto editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    Click(*editor, c.button);
    EXPECT_EQ(editor->Dialog()->result(), c.result) << c.button;
    EXPECT_FALSE(editor->Dialog()->isVisible());
  }
}

TEST_F(MacroEditorTest, OkTakesTheSelectedGroupOnlyWithKeysAndBelowTheFunctionPage) {
  library_.AddGroup();
  library_.AddGroup();
  library_.group = 1;
  {
    selectedKeys_.clear();
    auto editor = OpenEditor();
    Control<QListView>(*editor, "macro_group")->selectionModel()->clear();
    Click(*editor, "btnOK");
    EXPECT_EQ(library_.group, 1) << "no selected keys: the group stays";
  }
  {
    selectedKeys_ = {{0x39, L"Caps Lock"}};
    auto editor = OpenEditor();
    Control<QListView>(*editor, "macro_group")->selectionModel()->clear();
    Click(*editor, "btnOK");
    EXPECT_EQ(library_.group, -1);
  }
}

}  // namespace
}  // namespace uitest
