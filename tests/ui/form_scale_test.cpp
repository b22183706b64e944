#include "ui/toolkit/form_scale.h"

#include <QLabel>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "qt_test_app.h"
#include "ui/toolkit/control_lookup.h"

namespace ui {
namespace {

TEST(FormScaleTest, FitFactorShrinksToTheTighterSideAndNeverGrows) {
  EXPECT_DOUBLE_EQ(FitFactor(QSize(1000, 660), QSize(1093, 566)), 566.0 / 660);
  EXPECT_DOUBLE_EQ(FitFactor(QSize(1000, 660), QSize(800, 600)), 0.8);
  EXPECT_DOUBLE_EQ(FitFactor(QSize(1000, 660), QSize(1280, 672)), 1.0);
  EXPECT_DOUBLE_EQ(FitFactor(QSize(1000, 660), QSize()), 1.0);
}

TEST(FormScaleTest, SkinLengthsScaleFontsRoundDownAndBordersStay) {
  const QString sheet = QStringLiteral(
      "/* 20px in a comment */ QPushButton:hover { font-size: 13px; border: 1px solid #3a3f4a; padding: 4px 10px; }\n"
      "QSlider::handle:horizontal { width: 14px; margin: -5px 0; border-radius: 7px; }\n"
      "QComboBox::down-arrow { image: url(uires:icon/arrow.png); width: 10px; font-size: 17px; }");
  EXPECT_EQ(ScaledStyleSheet(sheet, 0.8).toStdString(),
            "/* 20px in a comment */ QPushButton:hover { font-size: 10px; border: 1px solid #3a3f4a; padding: 3px 8px; }\n"
            "QSlider::handle:horizontal { width: 11px; margin: -4px 0; border-radius: 6px; }\n"
            "QComboBox::down-arrow { image: url(uires:icon/arrow.png); width: 8px; font-size: 13px; }");
  EXPECT_EQ(ScaledStyleSheet(sheet, 1.0), sheet);
}

// The controls the layout placed move and shrink; the parts a container places itself are left
// to it; factor 1 gives the layout back.
TEST(FormScaleTest, PlacedControlsShrinkAndComeBack) {
  uitest::EnsureApplication();
  QWidget form;
  form.setFixedSize(1000, 600);
  auto* label = new QLabel(&form);
  label->setProperty(kLaidOutProperty, true);
  label->setGeometry(100, 50, 301, 20);
  auto* tabs = new QTabWidget(&form);
  tabs->setProperty(kLaidOutProperty, true);
  tabs->setGeometry(0, 100, 500, 300);
  auto* page = new QWidget;
  page->setProperty(kLaidOutProperty, true);
  tabs->addTab(page, QStringLiteral("page"));
  auto* onPage = new QLabel(page);
  onPage->setProperty(kLaidOutProperty, true);
  onPage->setGeometry(10, 10, 100, 20);
  auto* part = new QWidget(&form);  // made by a control for itself: no mark
  part->setGeometry(7, 7, 10, 10);

  FormScale scale(form);
  EXPECT_EQ(scale.LayoutSize(), QSize(1000, 600));
  scale.Apply(0.5, QStringLiteral("QLabel { font-size: 14px; }"));
  EXPECT_EQ(form.minimumSize(), QSize(500, 300));
  EXPECT_EQ(form.maximumSize(), QSize(500, 300));
  EXPECT_EQ(label->geometry(), QRect(50, 25, 151, 10));  // edges 100..401 -> 50..201 (rounded)
  EXPECT_EQ(tabs->geometry(), QRect(0, 50, 250, 150));
  EXPECT_EQ(onPage->geometry(), QRect(5, 5, 50, 10));
  EXPECT_EQ(part->geometry(), QRect(7, 7, 10, 10));
  EXPECT_EQ(form.styleSheet(), QStringLiteral("QLabel { font-size: 7px; }"));

  scale.Apply(1.0, QStringLiteral("QLabel { font-size: 14px; }"));
  EXPECT_EQ(form.size(), QSize(1000, 600));
  EXPECT_EQ(label->geometry(), QRect(100, 50, 301, 20));
  EXPECT_EQ(onPage->geometry(), QRect(10, 10, 100, 20));
  EXPECT_TRUE(form.styleSheet().isEmpty());
}

}  // namespace
}  // namespace ui
