#pragma once
// The selected row of the editor's single-selection list views.
class QAbstractItemView;

namespace macro {

// The first selected row of `view`, -1 when none is selected.
int SelectedRow(const QAbstractItemView* view);
// Selects `row` (whole row, made current); a row outside the list clears the selection.
void SelectRow(QAbstractItemView* view, int row);

}  // namespace macro
