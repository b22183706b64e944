#pragma once
// The macro editor's commands on the steps of the shown group: move the selected step up or
// down, delete it, clear them all, and the sort marks of the column headers. None saves the
// library; the steps reach macro.xml with its next save.
#include <functional>
#include <vector>

#include "ui/macro_editor/key_and_delay_adapter.h"

class QTableView;

namespace macro {

class EditorMessages;

class StepCommands {
 public:
  // `afterEdit` runs after each command (the library takes the selected group again).
  StepCommands(KeyAndDelayAdapter& steps, QTableView* stepList, EditorMessages& messages,
               std::function<void()> afterEdit);

  void Up();
  void Down();
  void Delete();
  // Asks first when the group has steps.
  void Clear();
  // A click on a column header: its sort mark turns (the steps keep their order).
  void OnHeaderClicked(int column);

 private:
  KeyAndDelayAdapter& steps_;
  QTableView* stepList_;
  EditorMessages& messages_;
  std::function<void()> afterEdit_;
  std::vector<SortMark> sortMarks_ = std::vector<SortMark>(KeyAndDelayAdapter::kColumnCount, SortMark::kNone);
};

}  // namespace macro
