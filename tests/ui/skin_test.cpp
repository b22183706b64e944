// The skin under the Windows style, as the Windows program is drawn: every part a user sees in
// the theme's colours and none left to the platform (combo lists that opened black or white, a
// grey classic scroll bar, the table's white corner, glaring selected rows), keyboard focus that
// shows, an item editor tall enough for descenders, and the fonts named.
#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QStyleOptionSlider>
#include <QTableView>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "main_window_rig.h"
#include "qt_test_app.h"
#include "ui/toolkit/control_lookup.h"

namespace uitest {
namespace {

// The colours of the theme's surfaces: window, panel, control.
bool IsSkinSurface(const QColor& colour) {
  for (const char* skin : {"#15171c", "#1d2027", "#2a2e37"}) {
    if (colour == QColor(skin)) return true;
  }
  return false;
}

std::string Name(const QColor& colour) { return colour.name().toStdString(); }

QColor PixelOf(QWidget* widget, const QPoint& point) { return widget->grab().toImage().pixelColor(point); }

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
  rig.LoadDataFiles();
  ASSERT_TRUE(rig.Start());
  rig.window->show();
  EXPECT_EQ(rig.window->Root()->font().families().join(", ").toStdString(), "Segoe UI, Microsoft YaHei UI, sans-serif");
  rig.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));
  for (const char* name : {"btn_restore_factory", "jp", "cbx_side_color_effect"}) {
    QWidget* control = rig.Control<QWidget>(name);
    const QColor unfocused = PixelOf(control, QPoint(control->width() / 2, 0));
    control->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(control->hasFocus()) << name;
    const QColor focused = PixelOf(control, QPoint(control->width() / 2, 0));
    EXPECT_EQ(Name(focused), "#3ec6e0") << name << " shows focus as " << Name(unfocused) << " shows no focus";
  }
  for (const char* name : {"cbx_color_effect", "cbx_side_color_effect"}) {
    auto* combo = rig.Control<QComboBox>(name);
    combo->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(combo->view()->window())) << name;
    // The popup window as a whole: what the user sees where the list has no item text.
    QWidget* list = combo->view()->viewport();
    const QPoint corner = list->mapTo(list->window(), QPoint(list->width() - 4, list->height() - 4));
    const QColor background = PixelOf(list->window(), corner);
    EXPECT_TRUE(IsSkinSurface(background)) << name << " opens " << Name(background);
    combo->hidePopup();
  }
}

TEST_F(SkinTest, TablesListsAndTheirEditorsAreInTheTheme) {
  ui::LayoutLoader loader(ShippedPackage(), ProgramFolder());
  std::unique_ptr<QWidget> editor = loader.Load("LAYOUT:macro");
  ASSERT_NE(editor, nullptr);
  auto* table = ui::FindControl<QTableView>(editor.get(), "key_info");
  auto* groups = ui::FindControl<QListView>(editor.get(), "macro_group");
  ASSERT_TRUE(table && groups);
  QStandardItemModel steps(40, 4);
  for (int row = 0; row < steps.rowCount(); ++row) steps.setItem(row, 0, new QStandardItem(QString::number(row)));
  table->setModel(&steps);
  QStandardItemModel names;
  names.appendRow(new QStandardItem(QStringLiteral("gypsy jog")));
  groups->setModel(&names);
  editor->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));

  table->selectRow(1);
  const QColor corner = PixelOf(table, QPoint(table->frameWidth() + 2, table->frameWidth() + 2));
  EXPECT_EQ(Name(corner), "#2a2e37") << "the table's corner, as its headers";
  const QRect selected = table->visualRect(steps.index(1, 2));
  const QColor row = PixelOf(table->viewport(), selected.center());
  EXPECT_LT(row.lightness(), 100) << "selected row " << Name(row);
  EXPECT_NE(row, PixelOf(table->viewport(), table->visualRect(steps.index(2, 2)).center()));
  // A slim handle on the panel colour, no arrow buttons at the ends.
  QScrollBar* bar = table->verticalScrollBar();
  ASSERT_TRUE(bar->isVisible());
  QStyleOptionSlider barOption;
  barOption.initFrom(bar);
  barOption.orientation = Qt::Vertical;
  barOption.minimum = bar->minimum();
  barOption.maximum = bar->maximum();
  barOption.sliderPosition = barOption.sliderValue = bar->value();
  barOption.pageStep = bar->pageStep();
  const QRect handle = bar->style()->subControlRect(QStyle::CC_ScrollBar, &barOption, QStyle::SC_ScrollBarSlider, bar);
  const QImage barImage = bar->grab().toImage();
  EXPECT_EQ(Name(barImage.pixelColor(handle.center())), "#3a3f4a") << "scroll bar handle";
  EXPECT_EQ(Name(barImage.pixelColor(bar->width() / 2, bar->height() - 2)), "#1d2027") << "scroll bar end";

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
