#include "ui/macro_editor/list_selection.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

namespace macro {

int SelectedRow(const QAbstractItemView* view) {
  const QModelIndexList selected = view->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.first().row();
}

void SelectRow(QAbstractItemView* view, int row) {
  QItemSelectionModel* selection = view->selectionModel();
  if (row < 0 || row >= view->model()->rowCount()) {
    selection->clear();
    return;
  }
  selection->setCurrentIndex(view->model()->index(row, 0),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace macro
