#include "ui/toolkit/form_scale.h"

#include <QLabel>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "qt_test_app.h"
#include "ui/toolkit/control_lookup.h"

namespace ui {
namespace {

TEST(FormScaleTest, SkinLengthsScaleFontsRoundDownAndBordersStay) {
  const QString sheet = QStringLiteral(
      "/* 20px */ QPushButton:hover { font-size: 13px; border: 1px solid #3a3f4a; padding: 4px 10px; }\n"
      "QSlider::handle { margin: -5px 0; border-radius: 7px; image: url(uires:icon/arrow.png); }");
  EXPECT_EQ(ScaledStyleSheet(sheet, 0.8).toStdString(),
            "/* 20px */ QPushButton:hover { font-size: 10px; border: 1px solid #3a3f4a; padding: 3px 8px; }\n"
            "QSlider::handle { margin: -4px 0; border-radius: 5px; image: url(uires:icon/arrow.png); }");
  EXPECT_EQ(ScaledStyleSheet(sheet, 1.0), sheet);
}

// The controls the layout placed move and shrink; a tab widget's pages and the parts a control
// makes for itself are left to their owner; factor 1 gives the layout back.
TEST(FormScaleTest, PlacedControlsShrinkAndComeBack) {
  uitest::EnsureApplication();
  QWidget form;
  form.setFixedSize(1000, 600);
  auto placed = [](QWidget* widget, const QRect& geometry) {
    widget->setProperty(kLaidOutProperty, true);
    widget->setGeometry(geometry);
    return widget;
  };
  QWidget* label = placed(new QLabel(&form), QRect(100, 50, 301, 20));
  auto* tabs = static_cast<QTabWidget*>(placed(new QTabWidget(&form), QRect(0, 100, 500, 300)));
  auto* page = placed(new QWidget, QRect());
  tabs->addTab(page, QStringLiteral("page"));
  QWidget* onPage = placed(new QLabel(page), QRect(10, 10, 100, 20));
  auto* part = new QWidget(&form);
  part->setGeometry(7, 7, 10, 10);

  FormScale scale(form);
  scale.Apply(0.5, QStringLiteral("QLabel { font-size: 14px; }"));
  EXPECT_EQ(form.maximumSize(), QSize(500, 300));
  EXPECT_EQ(label->geometry(), QRect(50, 25, 151, 10));  // edges 100..401 -> 50..201
  EXPECT_EQ(tabs->geometry(), QRect(0, 50, 250, 150));
  EXPECT_EQ(onPage->geometry(), QRect(5, 5, 50, 10));
  EXPECT_EQ(part->geometry(), QRect(7, 7, 10, 10));
  EXPECT_EQ(form.styleSheet(), QStringLiteral("QLabel { font-size: 7px; }"));

  scale.Apply(1.0, QString());
  EXPECT_EQ(form.size(), QSize(1000, 600));
  EXPECT_EQ(label->geometry(), QRect(100, 50, 301, 20));
  EXPECT_EQ(onPage->geometry(), QRect(10, 10, 100, 20));
  EXPECT_TRUE(form.styleSheet().isEmpty());
}

}  // namespace
}  // namespace ui
