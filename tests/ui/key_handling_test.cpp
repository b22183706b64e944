// Key handling a user can trust, through the modal editor the program runs with the emulated key
// filter and virtual device: recording and capture end when they should and never take keys typed
// while nothing listened, no key stays down across the editor, macros can be stopped, the editor
// shows the clicked key's own assignment, typed keys never act on the editor while it records,
// Cancel cancels, and the editor refuses what makes no sense.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include "app/demo/demo_key_feeder.h"
#include "assignment_world.h"
#include "tests/common/temp_folder.h"

namespace uitest {
namespace {

using macro::MacroRecordDlg;

constexpr model::KeyCode kKey5 = 0x00070022;
constexpr model::KeyCode kKeyX = 0x0007001B;  // never in the capture table
constexpr model::KeyCode kReturn = 0x00070028;
constexpr model::KeyCode kEscape = 0x00070029;
constexpr model::KeyCode kTab = 0x0007002B;
constexpr model::KeyCode kSpace = 0x0007002C;
constexpr int kLong = 60000;  // a step wait only a stop cuts short

struct StepValues {
  model::KeyCode code;
  int state;
  friend bool operator==(const StepValues&, const StepValues&) = default;
};

std::vector<StepValues> Steps(const model::MacroGroup& group) {
  std::vector<StepValues> steps;
  for (const auto& step : group.steps) steps.push_back({step.code, step.state});
  return steps;
}

model::KeyRecord Record(model::KeyCode code, int type, int play, std::vector<model::MacroStep> steps) {
  model::KeyRecord record;
  record.code = code;
  record.type = type;
  record.play = play;
  record.repeat = 1;
  record.steps = std::move(steps);
  return record;
}

class KeyHandlingTest : public AssignmentWorld {
 protected:
  void Assign(const std::vector<model::KeyRecord>& records) {
    for (const auto& record : records) store_.UpsertRecord(record);
    std::vector<model::KeyCode> codes;
    for (const auto& record : *store_.Snapshot()) codes.push_back(record.code);
    Capture(codes);
  }
  static void SelectGroupRow(MacroRecordDlg& editor, int row) {
    Control<QListView>(editor, "macro_group")
        ->selectionModel()
        ->setCurrentIndex(editor.GroupAdapter().index(row, 0), QItemSelectionModel::ClearAndSelect);
  }
  static void SetTab(MacroRecordDlg& editor, int page) {
    Control<QTabWidget>(editor, "tab_macro_mode_selection")->setCurrentIndex(page);
  }
  static void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  }
  // A key goes down and up on the keyboard while no monitor thread reads: true when the filter
  // took it (it then waits in the driver for a later read).
  bool TypeUnheard(model::KeyCode key) {
    const bool taken = driver_.PressKey(key);
    driver_.ReleaseKey(key);
    return taken;
  }
  // Selects the first group, switches recording on and gives the switch the focus.
  static QCheckBox* RecordWithFocusOnTheSwitch(MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    auto* record = Control<QCheckBox>(editor, "chk_macro_record");
    record->click();
    record->setFocus();
    return record;
  }
  bool WaitForMessages(std::size_t count) {
    return PumpUntil([&] { return boxes_.texts.size() >= count; });
  }
};

// Fault: recording left the filter reporting every key; keys typed afterwards queued up and came
// back as the first steps of the next recording ("55" typed, "x" recorded: the macro was 5 5 x).
TEST_F(KeyHandlingTest, StoppingRecordingEndsCaptureAndKeysTypedMeanwhileAreNeverRecorded) {
  library_.AddGroup();
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    Click(editor, "chk_macro_record");
    EXPECT_EQ(editor.ListeningFor(), macro::Listening::kRecording);
    EXPECT_TRUE(driver_.IsCaptured(kKeyX)) << "recording hears every key";
    Click(editor, "chk_macro_record");
    EXPECT_EQ(editor.ListeningFor(), macro::Listening::kNothing);
    EXPECT_FALSE(driver_.IsCaptured(kKeyX)) << "the filter reports only assigned keys again";
    EXPECT_FALSE(TypeUnheard(kKey5));
    EXPECT_FALSE(TypeUnheard(kKey5));
    EXPECT_TRUE(TypeUnheard(kKeyA)) << "an assigned key is still taken by the filter";
    Click(editor, "chk_macro_record");
    RecordTap(editor, kKeyX);
    QApplication::processEvents();
    EXPECT_EQ(Steps(*library_.GroupAt(0)), (std::vector<StepValues>{{kKeyX, 1}, {kKeyX, 0}}));
    Click(editor, "btnCancel");
  });
}

TEST_F(KeyHandlingTest, CaptureEndsWithItsSwitchAndWhenItsPageIsLeft) {
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    auto* capture = Control<QCheckBox>(editor, "chk_single_record");
    SetTab(editor, macro::kPageSingleKey);
    EXPECT_TRUE(capture->isChecked());
    EXPECT_TRUE(driver_.IsCaptured(kKeyX));
    capture->click();  // "Capture key" off
    EXPECT_EQ(editor.ListeningFor(), macro::Listening::kNothing);
    EXPECT_FALSE(driver_.IsCaptured(kKeyX));
    EXPECT_FALSE(TypeUnheard(kKey5));
    EXPECT_TRUE(TypeUnheard(kKeyB));  // assigned keys still queue in the driver
    capture->click();
    ASSERT_TRUE(Press(kKeyX));
    ASSERT_TRUE(PumpUntil([&] { return library_.skcode == kKeyX; }));
    EXPECT_TRUE(Release(kKeyX));
    SetTab(editor, macro::kPageMediaKey);
    EXPECT_FALSE(capture->isChecked());
    EXPECT_FALSE(driver_.IsCaptured(kKeyX)) << "leaving the page ends capture";
    SetTab(editor, macro::kPageSingleKey);
    ASSERT_TRUE(Press(kKeyA));
    ASSERT_TRUE(PumpUntil([&] { return library_.skcode == kKeyA; }));
    QApplication::processEvents();
    EXPECT_EQ(library_.skcode, kKeyA) << "B, typed while capture was off, never arrived";
    Click(editor, "btnCancel");
  });
}

// Fault: keys typed while the editor listened to nothing reached playback after it closed.
TEST_F(KeyHandlingTest, KeysTypedWhileNothingListenedNeverReachPlaybackAfterTheEditorCloses) {
  Assign({Record(kKeyA, 1, 1, {{kLeftShift, 0, 0, L""}})});
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    SetTab(editor, macro::kPageMediaKey);  // listens to nothing
    EXPECT_TRUE(TypeUnheard(kKeyA));
    EXPECT_EQ(driver_.QueuedEvents(), 2);
    SetTab(editor, macro::kPageMacro);
    Click(editor, "btnCancel");
  });
  EXPECT_EQ(driver_.QueuedEvents(), 0);
  EXPECT_FALSE(driver_.IsCaptured(kKeyX));
  ASSERT_TRUE(ReadPending());
  QApplication::processEvents();
  EXPECT_TRUE(hid_.Reports().empty()) << "A's press and release went out as Left Shift after all";
  // And the player hears what comes now.
  ASSERT_TRUE(Press(kKeyA));
  EXPECT_TRUE(PumpUntil([&] { return hid_.KeysDown() == std::vector<std::uint32_t>{kLeftShift}; }));
  ASSERT_TRUE(Release(kKeyA));
}

TEST_F(KeyHandlingTest, ClosingTheEditorWhileRecordingEndsCapture) {
  library_.AddGroup();
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    Click(editor, "chk_macro_record");
    RecordTap(editor, kKeyX);
    editor.Dialog()->close();  // the window's close button
  });
  EXPECT_FALSE(driver_.IsCaptured(kKeyX));
  ASSERT_TRUE(ReadPending());
  EXPECT_TRUE(library_.GroupAt(0)->steps.empty()) << "closing the window cancels";
}

// Fault: an editor that could not be built left the filter reporting every key.
TEST_F(KeyHandlingTest, AnEditorThatCannotBeBuiltChangesNothingAndSaysSo) {
  testsupport::TempFolder broken{"kb_broken_uires"};
  std::filesystem::copy(KBCONFIG_UIRES_DIR, broken.Path(), std::filesystem::copy_options::recursive);
  std::ofstream(broken / "layout" / "macro.ui") << "<ui version=\"4.0\"><widget class=\"QDialog\" name=\"macro\"/></ui>";
  ui::ResourcePackage package;
  ASSERT_TRUE(package.Open(broken.Path()));
  ui::LayoutLoader loader(package, ProgramFolder());
  Assign({Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}})});
  const std::unique_ptr<assign::KeyAssignment> assignment = MakeAssignment(loader);
  image_->SetListener(assignment.get());
  QTest::mouseClick(image_.get(), Qt::LeftButton, Qt::NoModifier, kCapsLockSpot);
  image_->SetListener(assignment_.get());
  ASSERT_EQ(told_.size(), 1u);
  EXPECT_EQ(told_[0], "The macro editor cannot be opened: its layout is unreadable.");
  EXPECT_FALSE(driver_.IsCaptured(kKeyX));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "macro.xml"));
  ASSERT_TRUE(Press(kCapsLock));
  EXPECT_TRUE(PumpUntil([&] { return hid_.KeysDown() == std::vector<std::uint32_t>{kLeftShift}; }));
  ASSERT_TRUE(Release(kCapsLock));
  EXPECT_TRUE(PumpUntil([&] { return hid_.KeysDown().empty(); }));
}

// Fault: a key held through the editor (its release swallowed by the editor) stayed down.
TEST_F(KeyHandlingTest, KeysHeldWhenTheEditorOpensGoUpAndStayUp) {
  Assign({Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}}),
          Record(kKeyA, 0, 3, {{kKeyB, 1, kLong, L""}, {kKeyB, 0, 1, L""}})});
  ASSERT_TRUE(Press(kCapsLock));
  ASSERT_TRUE(Press(kKeyA));
  ASSERT_TRUE(PumpUntil([&] { return hid_.KeysDown() == std::vector<std::uint32_t>{kKeyB, kLeftShift}; }));
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    EXPECT_TRUE(hid_.KeysDown().empty()) << "released before the editor took the keys";
    EXPECT_EQ(player_.CurrentRecord().code, 0u);
    ASSERT_TRUE(Release(kCapsLock));  // swallowed by the editor
    ASSERT_TRUE(Release(kKeyA));
    Click(editor, "btnCancel");
  });
  QApplication::processEvents();
  EXPECT_TRUE(hid_.KeysDown().empty());
  EXPECT_EQ(player_.CurrentRecord().code, 0u);
}

// Fault: a repeat count of -3 or 1000000 played for ever. The field takes neither a sign nor a
// fifth digit; what it can hold below 1 is refused with a message.
TEST_F(KeyHandlingTest, ARepeatCountOutsideOneTo9999IsRefusedWithAMessage) {
  library_.AddGroup();
  library_.AppendStep(library_.GroupAt(0), kKeyB, 1, 0, L"B");
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    auto* repeat = Control<QLineEdit>(editor, "edit_macro_repeat_times");
    for (const auto& [typed, held] : {std::pair{"-3", "3"}, std::pair{"1000000", "1000"}}) {
      TypeInto(repeat, typed);
      EXPECT_EQ(repeat->text(), held) << typed;
    }
    std::size_t messages = 0;
    for (const char* typed : {"0", ""}) {
      TypeInto(repeat, typed);
      Click(editor, "btnOK");
      ASSERT_TRUE(WaitForMessages(++messages)) << typed;
      EXPECT_EQ(boxes_.texts.back(), "The repeat count must be a whole number from 1 to 9999.");
      EXPECT_TRUE(editor.Dialog()->isVisible()) << typed;
    }
    TypeInto(repeat, "9999");
    Click(editor, "btnOK");
  });
  ASSERT_EQ(store_.Snapshot()->size(), 1u);
  EXPECT_EQ(store_.Snapshot()->front().repeat, 9999);
}

// Fault: only Exit stopped a macro.
TEST_F(KeyHandlingTest, DeletingOrReassigningAKeyStopsItsPlayback) {
  const std::vector<model::MacroStep> endless = {{kKeyB, 1, 1, L""}, {kKeyB, 0, 1, L""}};
  Assign({Record(kCapsLock, 0, 4, endless)});
  ASSERT_TRUE(Press(kCapsLock));
  ASSERT_TRUE(Release(kCapsLock));
  ASSERT_TRUE(PumpUntil([&] { return hid_.Reports().size() > 4; }));
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) { Click(editor, "btnDelete"); });
  EXPECT_EQ(player_.CurrentRecord().code, 0u);
  EXPECT_TRUE(hid_.KeysDown().empty());
  std::size_t reports = hid_.Reports().size();
  QThread::msleep(30);
  EXPECT_EQ(hid_.Reports().size(), reports) << "the deleted key's macro goes on playing";

  Assign({Record(kKeyA, 0, 4, endless)});
  ASSERT_TRUE(Press(kKeyA));
  ASSERT_TRUE(PumpUntil([&] { return player_.CurrentRecord().code == kKeyA; }));
  ClickKey(kASpot, [&](MacroRecordDlg& editor) {
    SetTab(editor, macro::kPageMediaKey);
    Click(editor, "btnOK");
  });
  EXPECT_EQ(player_.CurrentRecord().code, 0u);
  reports = hid_.Reports().size();
  QThread::msleep(30);
  EXPECT_EQ(hid_.Reports().size(), reports) << "the reassigned key's macro goes on playing";
  EXPECT_EQ(store_.Snapshot()->back().type, 2);
  ASSERT_TRUE(Release(kKeyA));
}

// Fault: the editor showed the last settings used, and OK then overwrote the key.
TEST_F(KeyHandlingTest, TheEditorOpensOnTheClickedKeysOwnAssignment) {
  config_.functionKeys.push_back({L"Paste", {{224, 0}, {25, 10}}});
  library_.AddGroup();
  library_.AppendStep(library_.GroupAt(0), kKeyA, 1, 5, L"A");
  // The last settings used: the function page on "Copy", a captured B.
  library_.type = macro::kPageFunctionKey;
  library_.function = 0;
  library_.skcode = kKeyB;
  model::KeyRecord paste = Record(kKeyA, 3, 2, {{224, 1, 1, L""}, {25, 1, 11, L""}, {224, 0, 0, L""}, {25, 0, 10, L""}});
  paste.name = L"A";
  paste.group = L"Paste";
  model::KeyRecord shift = Record(kCapsLock, 1, 1, {{kLeftShift, 0, 0, L""}});
  shift.name = L"Caps Lock";
  shift.group = L"Left Shift";
  Assign({paste, shift});
  const auto recordsBefore = *store_.Snapshot();

  ClickKey(kASpot, [&](MacroRecordDlg& editor) {
    EXPECT_EQ(Control<QTabWidget>(editor, "tab_macro_mode_selection")->currentIndex(), macro::kPageFunctionKey);
    EXPECT_EQ(Control<QComboBox>(editor, "cmb_function_keys")->currentText(), "Paste");
    Click(editor, "btnOK");
  });
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    EXPECT_EQ(Control<QTabWidget>(editor, "tab_macro_mode_selection")->currentIndex(), macro::kPageSingleKey);
    EXPECT_EQ(Control<QLabel>(editor, "edit_single_key")->text(), "Left Shift");
    Click(editor, "btnOK");
  });
  std::vector<model::KeyRecord> after = *store_.Snapshot();
  for (auto& record : after) record.target = 0;  // what the builder fills in and the file leaves out
  EXPECT_EQ(after, recordsBefore) << "OK without a change keeps each key's assignment";

  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    EXPECT_EQ(Control<QTabWidget>(editor, "tab_macro_mode_selection")->currentIndex(), macro::kPageMacro);
    EXPECT_TRUE(Control<QListView>(editor, "macro_group")->selectionModel()->selectedIndexes().isEmpty());
    EXPECT_EQ(StepRows(editor), 0);
    EXPECT_EQ(Control<QLineEdit>(editor, "edit_macro_repeat_times")->text(), "1");
    EXPECT_EQ(Control<QLabel>(editor, "edit_single_key")->text(), "");
    Click(editor, "btnOK");
  });
  EXPECT_EQ(store_.Snapshot()->size(), 2u) << "OK on a blank page assigns nothing";
  EXPECT_EQ(image_->Keys().at(2).checked, 0);
}

TEST_F(KeyHandlingTest, AMacroKeyOpensOnItsOwnStepsEvenWhenItsGroupChangedSince) {
  library_.AddGroup();
  library_.AppendStep(library_.GroupAt(0), kKeyA, 1, 5, L"A");  // edited after the key got it
  library_.Save();
  const std::string fileBefore = ReadFile(folder_ / "macro.xml");
  model::KeyRecord macroKey = Record(kCapsLock, 0, 4, {{kKeyB, 1, 7, L"B"}, {kKeyB, 0, 0, L"B"}});
  macroKey.group = L"Group 0";
  macroKey.repeat = 3;
  Assign({macroKey});
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    const auto rows = Control<QListView>(editor, "macro_group")->selectionModel()->selectedIndexes();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first().data().toString(), "Group 0 (2)");
    EXPECT_EQ(editor.StepAdapter().ShownGroup()->steps, macroKey.steps);
    EXPECT_EQ(Control<QComboBox>(editor, "macro_play_mode")->currentData().toInt(), 4);
    EXPECT_EQ(Control<QLineEdit>(editor, "edit_macro_repeat_times")->text(), "3");
    Click(editor, "btnCancel");
  });
  EXPECT_EQ(library_.GroupCount(), 1);
  EXPECT_EQ(ReadFile(folder_ / "macro.xml"), fileBefore);
}

// Fault: Return pressed the minimise button, the default button of the editor.
TEST_F(KeyHandlingTest, NoTitleBarButtonIsADefaultButtonAndReturnMeansOk) {
  library_.AddGroup();
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    for (const char* name : {"btnMin", "btnRestore", "btnCancel", "btnDelete", "groupAdd", "groupDel"}) {
      auto* button = Control<QPushButton>(editor, name);
      EXPECT_FALSE(button->isDefault() || button->autoDefault()) << name;
    }
    SelectGroupRow(editor, 0);
    auto* repeat = Control<QLineEdit>(editor, "edit_macro_repeat_times");
    TypeInto(repeat, "2");
    QTest::keyClick(repeat, Qt::Key_Return);
    EXPECT_FALSE(editor.Dialog()->isMinimized());
    EXPECT_EQ(editor.Dialog()->result(), macro::kResultOk);
  });
  ASSERT_EQ(store_.Snapshot()->size(), 1u);
  EXPECT_EQ(store_.Snapshot()->front().repeat, 2);
}

// Fault: while recording, Return, Esc, Space and Tab acted on the editor. In the demo the
// emulated filter's feeder takes the keys it captures from the windows.
TEST_F(KeyHandlingTest, WhileRecordingReturnEscSpaceAndTabAreRecordedAndTouchNoControl) {
  app::DemoKeyFeeder feeder(
      [this](std::uint32_t code, bool down) { return down ? driver_.PressKey(code) : driver_.ReleaseKey(code); },
      [this](std::uint32_t code) { return driver_.IsCaptured(code); });
  qApp->installEventFilter(&feeder);
  library_.AddGroup();
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    QCheckBox* record = RecordWithFocusOnTheSwitch(editor);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space, Qt::Key_Tab}) {
      const int before = StepRows(editor);
      QTest::keyClick(record, key);
      ASSERT_TRUE(PumpUntil([&] { return StepRows(editor) == before + 2; })) << key;
      ASSERT_TRUE(ReadPending());
    }
    EXPECT_TRUE(editor.Dialog()->isVisible());
    EXPECT_FALSE(editor.Dialog()->isMinimized());
    EXPECT_TRUE(record->isChecked()) << "Space toggled the record switch";
    EXPECT_EQ(editor.Dialog()->focusWidget(), record) << "Tab moved the focus";
    EXPECT_EQ(Steps(*library_.GroupAt(0)),
              (std::vector<StepValues>{{kReturn, 1}, {kReturn, 0}, {kEscape, 1}, {kEscape, 0}, {kSpace, 1},
                                       {kSpace, 0}, {kTab, 1}, {kTab, 0}}));
    record->click();
    Click(editor, "btnOK");
  });
  qApp->removeEventFilter(&feeder);
}

// The same keys from a filter that passes captured keys on to the system as well.
TEST_F(KeyHandlingTest, WhileListeningTypedKeysNeverReachTheControls) {
  library_.AddGroup();
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    QCheckBox* record = RecordWithFocusOnTheSwitch(editor);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space, Qt::Key_Tab}) {
      QTest::keyClick(record, key);
    }
    EXPECT_TRUE(editor.Dialog()->isVisible());
    EXPECT_FALSE(editor.Dialog()->isMinimized());
    EXPECT_TRUE(record->isChecked());
    EXPECT_EQ(editor.Dialog()->focusWidget(), record);
    record->click();  // no longer listening: keys work on the controls again
    QTest::keyClick(record, Qt::Key_Escape);
    EXPECT_FALSE(editor.Dialog()->isVisible());
  });
}

// Fault: step edits stayed in memory after Cancel while group changes were already saved.
TEST_F(KeyHandlingTest, CancelLeavesMemoryAndFilesExactlyAsTheyWere) {
  library_.AddGroup();
  library_.AppendStep(library_.GroupAt(0), kKeyA, 1, 15, L"A");
  library_.AppendStep(library_.GroupAt(0), kKeyA, 0, 0, L"A");
  library_.repeat = 4;
  library_.Save();
  store_.UpsertRecord(Record(kF1, 1, 1, {{kLeftShift, 0, 0, L""}}));
  const std::string macroBefore = ReadFile(folder_ / "macro.xml");
  const std::string recordBefore = ReadFile(folder_ / "record.xml");
  const model::MacroGroup groupBefore = *library_.GroupAt(0);
  ClickKey(kCapsLockSpot, [&](MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    Click(editor, "chk_macro_record");
    RecordTap(editor, kKeyB);
    Click(editor, "chk_macro_record");
    ASSERT_TRUE(editor.StepAdapter().setData(editor.StepAdapter().index(0, 3), "700"));
    Click(editor, "groupAdd");
    ASSERT_TRUE(editor.GroupAdapter().setData(editor.GroupAdapter().index(1, 0), "Renamed"));
    TypeInto(Control<QLineEdit>(editor, "edit_macro_repeat_times"), "12");
    Control<QComboBox>(editor, "macro_play_mode")->setCurrentIndex(3);
    Click(editor, "chk_macro_no_delay");
    ASSERT_NE(ReadFile(folder_ / "macro.xml"), macroBefore) << "the editor saved as it went";
    Click(editor, "btnCancel");
  });
  EXPECT_EQ(ReadFile(folder_ / "macro.xml"), macroBefore);
  EXPECT_EQ(ReadFile(folder_ / "record.xml"), recordBefore);
  ASSERT_EQ(library_.GroupCount(), 1);
  EXPECT_EQ(*library_.GroupAt(0), groupBefore);
  EXPECT_EQ(library_.repeat, 4);
  EXPECT_EQ(library_.play, 0);
  EXPECT_EQ(library_.mode, 0);
}

// Fault: empty and duplicate group names were accepted.
TEST_F(KeyHandlingTest, EmptyAndDuplicateGroupNamesAreRefused) {
  library_.AddGroup();
  library_.AddGroup();
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    auto& groups = editor.GroupAdapter();
    EXPECT_FALSE(groups.setData(groups.index(1, 0), ""));
    EXPECT_FALSE(groups.setData(groups.index(1, 0), "   "));
    EXPECT_FALSE(groups.setData(groups.index(1, 0), "Group 0"));
    ASSERT_TRUE(WaitForMessages(3));
    EXPECT_EQ(boxes_.texts[0], "A macro group needs a name.");
    EXPECT_EQ(boxes_.texts[2], "Another macro group has this name already.");
    EXPECT_EQ(library_.GroupAt(1)->name, L"Group 1");
    EXPECT_TRUE(groups.setData(groups.index(1, 0), "Fire"));
    Click(editor, "btnCancel");
  });
}

// Fault: a step delay of 99999999999 became 24.8 days without a word.
TEST_F(KeyHandlingTest, AStepDelayOutsideZeroToAnHourIsRefused) {
  library_.AddGroup();
  library_.AppendStep(library_.GroupAt(0), kKeyA, 1, 15, L"A");
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    auto& steps = editor.StepAdapter();
    const QModelIndex delay = steps.index(0, macro::KeyAndDelayAdapter::kDelayColumn);
    EXPECT_FALSE(steps.setData(delay, "99999999999"));
    EXPECT_FALSE(steps.setData(delay, "-5"));
    ASSERT_TRUE(WaitForMessages(2));
    EXPECT_EQ(boxes_.texts[0], "A delay must be a whole number of milliseconds from 0 to 3600000.");
    EXPECT_EQ(int(library_.GroupAt(0)->steps[0].delay), 15);
    EXPECT_TRUE(steps.setData(delay, "3600000"));
    EXPECT_EQ(int(library_.GroupAt(0)->steps[0].delay), 3600000);
    Click(editor, "btnCancel");
  });
}

// Fault: deleting a group in use or clearing all steps asked nothing.
TEST_F(KeyHandlingTest, DeletingAGroupInUseAndClearingStepsAskFirst) {
  library_.AddGroup();
  library_.AddGroup();
  library_.AppendStep(library_.GroupAt(0), kKeyA, 1, 0, L"A");
  library_.AppendStep(library_.GroupAt(1), kKeyB, 1, 0, L"B");
  model::KeyRecord used = Record(kCapsLock, 0, 2, library_.GroupAt(0)->steps);
  used.name = L"Caps Lock";
  used.group = L"Group 0";
  Assign({used});
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    boxes_.Answer({ui::kMessageCancel});
    Click(editor, "groupDel");
    ASSERT_EQ(boxes_.texts.size(), 1u);
    EXPECT_TRUE(boxes_.texts[0].contains("Caps Lock")) << boxes_.texts[0].toStdString();
    EXPECT_EQ(library_.GroupCount(), 2);
    boxes_.Answer({ui::kMessageOk});
    Click(editor, "groupDel");
    EXPECT_EQ(library_.GroupCount(), 1);

    SelectGroupRow(editor, 0);  // Group 1, with B
    boxes_.Answer({ui::kMessageCancel});
    Click(editor, "item_clear");
    EXPECT_EQ(boxes_.texts.size(), 3u);
    EXPECT_EQ(StepRows(editor), 1);
    boxes_.Answer({ui::kMessageOk});
    Click(editor, "item_clear");
    EXPECT_EQ(StepRows(editor), 0);
    Click(editor, "item_clear");  // nothing to clear: nothing asked
    EXPECT_EQ(boxes_.texts.size(), 4u);
    Click(editor, "btnCancel");
  });
  EXPECT_EQ(library_.GroupCount(), 2) << "Cancel brings both back";
}

// Fault: key-up steps read "replace".
TEST_F(KeyHandlingTest, KeyUpStepsReadKeyUp) {
  library_.AddGroup();
  library_.AppendStep(library_.GroupAt(0), kKeyA, 1, 0, L"A");
  library_.AppendStep(library_.GroupAt(0), kKeyA, 0, 0, L"A");
  ClickKey(kF1Spot, [&](MacroRecordDlg& editor) {
    SelectGroupRow(editor, 0);
    auto* steps = Control<QTableView>(editor, "key_info");
    EXPECT_EQ(steps->model()->index(0, 2).data().toString(), "key down");
    EXPECT_EQ(steps->model()->index(1, 2).data().toString(), "key up");
    Click(editor, "btnCancel");
  });
}

}  // namespace
}  // namespace uitest
