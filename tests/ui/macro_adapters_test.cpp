// The two list adapters of the macro editor as Qt models, checked by QAbstractItemModelTester,
// and their editing rules.
#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "editor_world.h"
#include "ui/macro_editor/typed_numbers.h"
#include "ui/macro_editor/key_and_delay_adapter.h"
#include "ui/macro_editor/macro_group_adapter.h"

namespace uitest {
namespace {

using macro::KeyAndDelayAdapter;
using macro::MacroGroupAdapter;
using macro::SortMark;
using Tester = QAbstractItemModelTester;

class RecordingGroupListener : public macro::IOnMacroGroupClickedListener {
 public:
  void OnMacroGroupClicked(int index, std::wstring name) override { clicks.emplace_back(index, std::move(name)); }
  std::vector<std::pair<int, std::wstring>> clicks;
};

class MacroAdaptersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    library_.Load(folder_ / "macro.xml");
  }
  testsupport::TempFolder folder_{"kb_adapters"};
  support::ScopedLogCapture log_;
  model::MacroLibrary library_;
};

TEST_F(MacroAdaptersTest, GroupAdapterPassesTheModelTesterThroughChanges) {
  MacroGroupAdapter adapter(library_);
  Tester tester(&adapter, Tester::FailureReportingMode::Fatal);
  adapter.AddGroup();
  adapter.AddGroup();
  adapter.AddGroup();
  EXPECT_EQ(adapter.rowCount(), 3);
  EXPECT_EQ(adapter.data(adapter.index(2, 0)).toString(), "Group 2");
  adapter.RemoveGroup(1);
  EXPECT_EQ(adapter.rowCount(), 2);
  EXPECT_EQ(adapter.data(adapter.index(1, 0)).toString(), "Group 2");
  EXPECT_TRUE(adapter.setData(adapter.index(0, 0), "Fire"));
  EXPECT_EQ(library_.GroupAt(0)->name, L"Fire");
}

TEST_F(MacroAdaptersTest, RenamingSavesOnlyARealChange) {
  MacroGroupAdapter adapter(library_);
  adapter.AddGroup();
  const auto file = folder_ / "macro.xml";
  std::filesystem::remove(file);
  EXPECT_FALSE(adapter.setData(adapter.index(0, 0), "Group 0"));
  EXPECT_FALSE(std::filesystem::exists(file)) << "the same name writes nothing";
  EXPECT_TRUE(adapter.setData(adapter.index(0, 0), "Combo"));
  EXPECT_NE(ReadFile(file).find("<group name=\"Combo\" />"), std::string::npos);
}

TEST_F(MacroAdaptersTest, RemovingAnUnknownGroupRefreshesButWritesNothing) {
  MacroGroupAdapter adapter(library_);
  adapter.AddGroup();
  std::filesystem::remove(folder_ / "macro.xml");
  QSignalSpy resets(&adapter, &QAbstractItemModel::modelReset);
  adapter.RemoveGroup(5);
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(adapter.rowCount(), 1);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "macro.xml"));
}

TEST_F(MacroAdaptersTest, RowClicksReachTheListenerOnlyForExistingGroups) {
  MacroGroupAdapter adapter(library_);
  RecordingGroupListener listener;
  adapter.AddGroup();
  adapter.AddGroup();
  adapter.OnRowClicked(1);  // no listener yet
  adapter.SetListener(&listener);
  adapter.OnRowClicked(7);
  library_.group = 0;
  adapter.OnRowClicked(-1);  // the selected group
  EXPECT_EQ(adapter.LastClickedRow(), -1);
  EXPECT_EQ(listener.clicks, (std::vector<std::pair<int, std::wstring>>{{-1, L"Group 0"}}));
}

TEST_F(MacroAdaptersTest, StepAdapterPassesTheModelTesterAndShowsItsColumns) {
  KeyAndDelayAdapter adapter(library_);
  Tester tester(&adapter, Tester::FailureReportingMode::Fatal);
  EXPECT_EQ(adapter.rowCount(), 0);
  library_.AddGroup();
  adapter.ShowGroup(library_.GroupAt(0));
  adapter.AppendStep(kKeyA, L"A", 1, 0);
  adapter.AppendStep(kKeyA, L"A", 0, 25);
  adapter.AppendStep(0x000C00E9, L"Volume Up", 2, 7);
  ASSERT_EQ(adapter.rowCount(), 3);
  ASSERT_EQ(adapter.columnCount(), 4);
  auto cell = [&](int row, int column) { return adapter.data(adapter.index(row, column)).toString(); };
  EXPECT_EQ(cell(0, 0), "70004");
  EXPECT_EQ(cell(2, 0), "c00e9");
  EXPECT_EQ(cell(0, 1), "A");
  EXPECT_EQ(cell(0, 2), "key down");
  EXPECT_EQ(cell(1, 2), "key up");
  EXPECT_EQ(cell(2, 2), "key up");
  EXPECT_EQ(cell(1, 3), "25");
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(adapter.headerData(column, Qt::Horizontal, KeyAndDelayAdapter::kColumnNameRole).toString(),
              QString("col%1").arg(column + 1));
  }
  EXPECT_EQ(adapter.MoveStepDown(0), 1);
  EXPECT_EQ(adapter.StepAt(1)->state, 1);
  adapter.RemoveStep(2);
  adapter.ClearSteps();
  EXPECT_EQ(adapter.rowCount(), 0);
  adapter.ShowGroup(nullptr);
  adapter.ClearSteps();
  EXPECT_EQ(adapter.StepAt(0), nullptr);
}

TEST_F(MacroAdaptersTest, StepsAreIgnoredWithoutGroupOrCodeAndEdgeMovesNotifyNothing) {
  KeyAndDelayAdapter adapter(library_);
  QSignalSpy inserts(&adapter, &QAbstractItemModel::rowsInserted);
  QSignalSpy resets(&adapter, &QAbstractItemModel::modelReset);
  adapter.AppendStep(kKeyA, L"A", 1, 0);  // no group shown
  library_.AddGroup();
  adapter.ShowGroup(library_.GroupAt(0));
  resets.clear();
  adapter.AppendStep(0, L"", 1, 0);
  EXPECT_EQ(inserts.count(), 0);
  adapter.AppendStep(kKeyA, L"A", 1, 0);
  adapter.AppendStep(kKeyB, L"B", 1, 0);
  EXPECT_EQ(inserts.count(), 2);
  EXPECT_EQ(adapter.MoveStepUp(0), 0);
  EXPECT_EQ(adapter.MoveStepDown(1), 0);
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(adapter.MoveStepUp(1), 1);
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(library_.GroupAt(0)->steps[0].code, kKeyB);
}

TEST_F(MacroAdaptersTest, DelayEditsFollowTheLeadingNumberRule) {
  KeyAndDelayAdapter adapter(library_);
  library_.AddGroup();
  adapter.ShowGroup(library_.GroupAt(0));
  adapter.AppendStep(kKeyA, L"A", 1, 40);
  const QModelIndex delay = adapter.index(0, KeyAndDelayAdapter::kDelayColumn);
  QSignalSpy changes(&adapter, &QAbstractItemModel::dataChanged);
  EXPECT_TRUE(adapter.setData(delay, "25ms"));
  EXPECT_EQ(int(adapter.StepAt(0)->delay), 25);
  EXPECT_FALSE(adapter.setData(delay, "x"));
  EXPECT_EQ(int(adapter.StepAt(0)->delay), 25);
  EXPECT_EQ(adapter.data(delay).toString(), "25") << "the old delay shows again";
  EXPECT_EQ(changes.count(), 2) << "the refused text refreshes the cell";
  EXPECT_TRUE(adapter.setData(delay, ""));
  EXPECT_EQ(int(adapter.StepAt(0)->delay), 0);
  EXPECT_TRUE(adapter.setData(delay, "  12 "));
  EXPECT_EQ(int(adapter.StepAt(0)->delay), 12);
  EXPECT_FALSE(adapter.setData(adapter.index(0, KeyAndDelayAdapter::kNameColumn), "7"));
  EXPECT_FALSE(adapter.flags(adapter.index(0, KeyAndDelayAdapter::kNameColumn)).testFlag(Qt::ItemIsEditable));
  EXPECT_TRUE(adapter.flags(delay).testFlag(Qt::ItemIsEditable));
}

TEST(DelayText, ReadsLikePercentD) {
  EXPECT_EQ(macro::ReadDelayText(L"25ms"), 25);
  EXPECT_EQ(macro::ReadDelayText(L""), 0);
  EXPECT_EQ(macro::ReadDelayText(L"   "), 0);
  EXPECT_EQ(macro::ReadDelayText(L"\t-8"), -8);
  EXPECT_EQ(macro::ReadDelayText(L"+9x"), 9);
  EXPECT_EQ(macro::ReadDelayText(L"x"), std::nullopt);
  EXPECT_EQ(macro::ReadDelayText(L"-"), std::nullopt);
  EXPECT_EQ(macro::ReadDelayText(L"abc1"), std::nullopt);
  EXPECT_EQ(macro::ReadDelayText(L"99999999999"), 2147483647);
  EXPECT_EQ(macro::ReadDelayText(L"-99999999999"), -2147483647 - 1);
}

TEST(SortRequest, TogglesOneColumnAndRefusesColumnFive) {
  std::vector<SortMark> marks(4, SortMark::kNone);
  EXPECT_TRUE(KeyAndDelayAdapter::SortRequest(1, marks));
  EXPECT_EQ(marks, (std::vector<SortMark>{SortMark::kNone, SortMark::kUp, SortMark::kNone, SortMark::kNone}));
  EXPECT_TRUE(KeyAndDelayAdapter::SortRequest(1, marks));
  EXPECT_EQ(marks[1], SortMark::kDown);
  EXPECT_TRUE(KeyAndDelayAdapter::SortRequest(3, marks));
  EXPECT_EQ(marks, (std::vector<SortMark>{SortMark::kNone, SortMark::kNone, SortMark::kNone, SortMark::kUp}));
  std::vector<SortMark> six(6, SortMark::kNone);
  six[0] = SortMark::kDown;
  EXPECT_FALSE(KeyAndDelayAdapter::SortRequest(5, six));
  EXPECT_EQ(six[0], SortMark::kDown);
  EXPECT_TRUE(KeyAndDelayAdapter::SortRequest(0, six));
  EXPECT_EQ(six[0], SortMark::kUp);
  EXPECT_FALSE(KeyAndDelayAdapter::SortRequest(4, marks)) << "beyond the columns";
}

}  // namespace
}  // namespace uitest
