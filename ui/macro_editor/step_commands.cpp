#include "ui/macro_editor/step_commands.h"

#include <QHeaderView>
#include <QTableView>

#include "ui/macro_editor/editor_messages.h"
#include "ui/macro_editor/list_selection.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {

StepCommands::StepCommands(KeyAndDelayAdapter& steps, QTableView* stepList, EditorMessages& messages,
                           std::function<void()> afterEdit)
    : steps_(steps), stepList_(stepList), messages_(messages), afterEdit_(std::move(afterEdit)) {}

void StepCommands::Up() {
  const int row = SelectedRow(stepList_);
  if (row > 0 && steps_.MoveStepUp(row)) SelectRow(stepList_, row - 1);
  afterEdit_();
}

void StepCommands::Down() {
  const int row = SelectedRow(stepList_);
  if (row >= 0 && row < steps_.rowCount() && steps_.MoveStepDown(row)) SelectRow(stepList_, row + 1);
  afterEdit_();
}

void StepCommands::Delete() {
  steps_.RemoveStep(SelectedRow(stepList_));
  afterEdit_();
}

void StepCommands::Clear() {
  const auto group = steps_.ShownGroup();
  if (group && !group->steps.empty() &&
      !messages_.Ask(ui::Tr("Remove every step of the macro group \"%1\"?").arg(QString::fromStdWString(group->name)))) {
    return;
  }
  steps_.ClearSteps();
  afterEdit_();
}

void StepCommands::OnHeaderClicked(int column) {
  if (!KeyAndDelayAdapter::SortRequest(column, sortMarks_)) return;
  QHeaderView* header = stepList_->horizontalHeader();
  header->setSortIndicatorShown(true);
  header->setSortIndicator(column, sortMarks_[static_cast<std::size_t>(column)] == SortMark::kUp
                                       ? Qt::AscendingOrder
                                       : Qt::DescendingOrder);
}

}  // namespace macro
