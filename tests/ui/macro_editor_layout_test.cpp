// The macro editor's texts fit at the layout's size, in English and in Chinese, at the default
// font: no column header of the step list is cut short or pushed out of view, the state column
// shows its whole text, and every mode tab shows without scroll arrows.
#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include "editor_world.h"
#include "qt_test_app.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/xml_translator.h"

namespace uitest {
namespace {

class MacroEditorLayoutTest : public EditorWorld {};

TEST_F(MacroEditorLayoutTest, HeadersStatesAndTabsFitInBothLanguages) {
  if (!PlatformHasRealFonts()) GTEST_SKIP() << "this platform has no fonts to measure texts with";
  library_.AddGroup();
  const auto group = library_.GroupAt(0);
  library_.AppendStep(group, 0x000700E0, 1, 3600000, L"Left Control");
  library_.AppendStep(group, 0x000700E0, 0, 0, L"Left Control");
  ui::LanguageSwitcher language(ShippedPackage());
  for (const char* table : {"lang_en", "lang_cn"}) {
    SCOPED_TRACE(table);
    ASSERT_TRUE(language.Switch(table));
    for (int round = 0; round < 3; ++round) QApplication::processEvents();
    auto editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    QApplication::processEvents();

    auto* steps = ui::FindControl<QTableView>(editor->Dialog(), "key_info");
    QHeaderView* header = steps->horizontalHeader();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const QFontMetrics headerFont(header->font());
    for (int section = 0; section < header->count(); ++section) {
      const QString text = steps->model()->headerData(section, Qt::Horizontal).toString();
      EXPECT_LE(headerFont.horizontalAdvance(text) + 2 * margin, header->sectionSize(section)) << text.toStdString();
      EXPECT_LE(header->sectionViewportPosition(section) + header->sectionSize(section), header->viewport()->width())
          << text.toStdString() << " is off to the right";
    }
    const QFontMetrics cellFont(steps->font());
    const int state = macro::KeyAndDelayAdapter::kStateColumn;
    for (int row = 0; row < steps->model()->rowCount(); ++row) {
      for (int column : {state, int(macro::KeyAndDelayAdapter::kNameColumn), int(macro::KeyAndDelayAdapter::kDelayColumn)}) {
        const QString text = steps->model()->index(row, column).data().toString();
        EXPECT_LE(cellFont.horizontalAdvance(text) + 2 * margin, steps->columnWidth(column)) << text.toStdString();
      }
    }

    auto* tabs = ui::FindControl<QTabWidget>(editor->Dialog(), "tab_macro_mode_selection");
    QTabBar* bar = tabs->tabBar();
    const QFontMetrics tabFont(bar->font());
    for (int tab = 0; tab < bar->count(); ++tab) {
      const QRect rect = bar->tabRect(tab);
      EXPECT_GE(rect.left(), 0) << bar->tabText(tab).toStdString();
      EXPECT_LE(rect.right(), bar->width() - 1) << bar->tabText(tab).toStdString();
      EXPECT_LE(tabFont.horizontalAdvance(bar->tabText(tab)), rect.width()) << bar->tabText(tab).toStdString();
    }
    for (const QToolButton* arrow : bar->findChildren<QToolButton*>()) EXPECT_FALSE(arrow->isVisible());
  }
  language.Switch("lang_en");
}

}  // namespace
}  // namespace uitest
