// The skin under the Windows style, as the Windows program is drawn: every part a user sees in
// the theme's colours and none left to the platform (combo lists that opened black or white, a
// grey classic scroll bar, the table's white corner, glaring selected rows), keyboard focus that
// shows, an item editor tall enough for descenders, and the fonts named.
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QTableView>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "main_window_rig.h"
#include "qt_test_app.h"
#include "ui/toolkit/control_lookup.h"

namespace uitest {
namespace {

std::string ColourAt(QWidget* widget, const QPoint& point) {
  return widget->grab().toImage().pixelColor(point).name().toStdString();
}

class SkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    previousStyle_ = QApplication::style()->name();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    qApp->setStyleSheet(ShippedPackage().ReadText("values:skin"));
  }
  void TearDown() override {
    qApp->setStyleSheet(QString());
    QApplication::setStyle(QStyleFactory::create(previousStyle_));
  }
  QString previousStyle_;
};

TEST_F(SkinTest, ComboListsOpenInTheThemeAndFocusShows) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.LoadAndStart());
  rig.window->show();
  EXPECT_EQ(rig.window->Root()->font().families().join(", ").toStdString(), "Segoe UI, Microsoft YaHei UI, sans-serif");
  rig.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));
  for (const char* name : {"btn_restore_factory", "jp", "cbx_side_color_effect"}) {
    QWidget* control = rig.Control<QWidget>(name);
    control->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(ColourAt(control, QPoint(control->width() / 2, 0)), "#3ec6e0") << name << "'s edge with the focus";
  }
  for (const char* name : {"cbx_color_effect", "cbx_side_color_effect"}) {
    auto* combo = rig.Control<QComboBox>(name);
    combo->showPopup();
    QWidget* list = combo->view()->viewport();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window())) << name;
    // The popup as the user sees it, where the list has no item text.
    const QPoint corner = list->mapTo(list->window(), QPoint(list->width() - 4, list->height() - 4));
    EXPECT_EQ(ColourAt(list->window(), corner), "#1d2027") << name << "'s list";
    combo->hidePopup();
  }
}

TEST_F(SkinTest, TablesListsAndTheirEditorsAreInTheTheme) {
  ui::LayoutLoader loader(ShippedPackage(), ProgramFolder());
  std::unique_ptr<QWidget> editor = loader.Load("LAYOUT:macro");
  ASSERT_NE(editor, nullptr);
  auto* table = ui::FindControl<QTableView>(editor.get(), "key_info");
  auto* groups = ui::FindControl<QListView>(editor.get(), "macro_group");
  QStandardItemModel steps(40, 4);
  table->setModel(&steps);
  QStandardItemModel names(1, 1);
  groups->setModel(&names);
  editor->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));

  table->selectRow(1);
  EXPECT_EQ(ColourAt(table, QPoint(table->frameWidth() + 2, table->frameWidth() + 2)), "#2a2e37") << "corner";
  EXPECT_EQ(ColourAt(table->viewport(), table->visualRect(steps.index(1, 2)).center()), "#5c2a28") << "selected";
  // A slim handle on the panel colour, no arrow buttons at the ends.
  QScrollBar* bar = table->verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(ColourAt(bar, QPoint(bar->width() / 2, 10)), "#3a3f4a") << "scroll bar handle";
  EXPECT_EQ(ColourAt(bar, QPoint(bar->width() / 2, bar->height() - 2)), "#1d2027") << "scroll bar end";

  groups->edit(names.index(0, 0));
  auto* rename = groups->findChild<QLineEdit*>();
  ASSERT_NE(rename, nullptr);
  QStyleOptionFrame option;
  option.initFrom(rename);
  const int textHeight = rename->style()->subElementRect(QStyle::SE_LineEditContents, &option, rename).height();
  EXPECT_GE(textHeight, QFontMetrics(rename->font()).height()) << "the rename box cuts descenders";
}

}  // namespace
}  // namespace uitest
