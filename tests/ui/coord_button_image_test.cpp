#include "ui/keyboard_image/coord_button_image.h"

#include <filesystem>
#include <fstream>

#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "qt_test_app.h"
#include "tests/common/temp_folder.h"

namespace SOUI {
namespace {

struct Click {
  int32_t id;
  std::wstring name;
  int32_t up;
  int32_t x, y;
};

class RecordingListener : public ICoordButtonClickListener {
 public:
  bool OnCoordButtonClick(int32_t id, std::wstring name, int32_t up, uint32_t, int32_t x, int32_t y) override {
    clicks.push_back({id, std::move(name), up, x, y});
    return handled;
  }
  std::vector<Click> clicks;
  bool handled = false;
};

// Keys A (10,20)-(40,60) and B (40,20)-(70,60), side by side, plus a second spot for A's id.
class CoordButtonImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::EnsureApplication();
    folder_ = folderOwner_.Path();
    std::filesystem::create_directories(folder_ / "uires");
    std::ofstream(folder_ / "uires" / "keys.xml")
        << "<?xml version=\"1.0\"?><positions>"
           "<key id=\"4\" va=\"7\" name=\"A\" rect=\"10,20,30,40\" color=\"#FF0000FF\"/>"
           "<key id=\"5\" va=\"7\" name=\"B\" rect=\"40,20,30,40\"/>"
           "<key id=\"4\" va=\"7\" name=\"A again\" rect=\"100,20,30,40\"/>"
           "</positions>";
    image_ = std::make_unique<CoordButtonImage>(nullptr, folder_, nullptr);
    image_->resize(200, 100);
    image_->SetKeyPositionFile("/uires/keys.xml");
    image_->SetListener(&listener_);
    image_->show();
  }
  void TearDown() override {
    image_.reset();
  }
  void ClickAt(QPoint point) {
    QTest::mousePress(image_.get(), Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseRelease(image_.get(), Qt::LeftButton, Qt::NoModifier, point);
  }
  int Checked(size_t index) const { return image_->Keys().at(index).checked; }

  testsupport::TempFolder folderOwner_{"kb_cbimg"};
  std::filesystem::path folder_;
  std::unique_ptr<CoordButtonImage> image_;
  RecordingListener listener_;
  const QPoint a_{15, 30};
  const QPoint b_{50, 30};
};

TEST_F(CoordButtonImageTest, LoadsKeysFromTheProgramFolder) {
  ASSERT_EQ(image_->Keys().size(), 3u);
  EXPECT_EQ(image_->Keys()[0].color, 0xFF0000FFu);
  EXPECT_EQ(image_->Keys()[1].name, L"B");
}

TEST_F(CoordButtonImageTest, DownAndUpOnOneKeyReportBothWithRelativePoint) {
  ClickAt(a_);
  ASSERT_EQ(listener_.clicks.size(), 2u);
  EXPECT_EQ(listener_.clicks[0].id, 4);
  EXPECT_EQ(listener_.clicks[0].name, L"A");
  EXPECT_EQ(listener_.clicks[0].up, 0);
  EXPECT_EQ(listener_.clicks[0].x, 15);
  EXPECT_EQ(listener_.clicks[0].y, 30);
  EXPECT_EQ(listener_.clicks[1].up, 1);
  EXPECT_EQ(image_->Keys()[0].pressed, 0);
}

TEST_F(CoordButtonImageTest, RightAndBottomEdgesAreExclusive) {
  ClickAt(QPoint(40, 30));  // left edge of B, right edge of A
  ASSERT_EQ(listener_.clicks.size(), 2u);
  EXPECT_EQ(listener_.clicks[0].id, 5);
  listener_.clicks.clear();
  ClickAt(QPoint(15, 60));  // just below A
  EXPECT_TRUE(listener_.clicks.empty());
  ClickAt(QPoint(10, 20));  // A's top-left corner
  ASSERT_EQ(listener_.clicks.size(), 2u);
  EXPECT_EQ(listener_.clicks[0].id, 4);
}

// Shrunk with its window, the picture's keys answer where they are drawn: a click maps back to
// the key under it, and the key's edges keep their order.
TEST_F(CoordButtonImageTest, AtAScaleClicksFindTheKeyDrawnThere) {
  image_->SetScale(0.5);
  EXPECT_EQ(image_->KeyArea(image_->Keys()[0]), QRect(5, 10, 15, 20));
  EXPECT_EQ(image_->KeyArea(image_->Keys()[1]), QRect(20, 10, 15, 20));
  for (const auto& [point, id] : std::vector<std::pair<QPoint, int32_t>>{
           {QPoint(5, 10), 4}, {QPoint(19, 29), 4}, {QPoint(20, 10), 5}, {QPoint(34, 29), 5}, {QPoint(52, 15), 4}}) {
    listener_.clicks.clear();
    ClickAt(point);
    ASSERT_EQ(listener_.clicks.size(), 2u) << point.x() << "," << point.y();
    EXPECT_EQ(listener_.clicks[0].id, id) << point.x() << "," << point.y();
  }
  // Where B is in the picture's own pixels, no key is drawn at this scale.
  listener_.clicks.clear();
  ClickAt(b_);
  EXPECT_TRUE(listener_.clicks.empty());
  EXPECT_EQ(image_->LegendArea(image_->Keys()[0]).topLeft(), QPoint(5 + 3, 10 + 3));  // insets shrink too
}

TEST_F(CoordButtonImageTest, SelectionTypeZeroChangesNoMark) {
  image_->SetSelectionTypeText("0");
  ClickAt(a_);
  ClickAt(b_);
  EXPECT_EQ(Checked(0) + Checked(1) + Checked(2), 0);
}

TEST_F(CoordButtonImageTest, SelectionTypeOneKeepsOnlyTheLastKeyChecked) {
  image_->SetSelectionTypeText("1");
  ClickAt(a_);
  EXPECT_EQ(Checked(0), 1);
  ClickAt(b_);
  EXPECT_EQ(Checked(0), 0);
  EXPECT_EQ(Checked(1), 1);
  ClickAt(a_);
  ClickAt(a_);
  EXPECT_EQ(Checked(0), 1);
  EXPECT_EQ(Checked(1), 0);
}

TEST_F(CoordButtonImageTest, SelectionTypeTwoTogglesTheKey) {
  image_->SetSelectionTypeText("0x2");
  EXPECT_EQ(image_->SelectionType(), 2);
  ClickAt(a_);
  ClickAt(b_);
  EXPECT_EQ(Checked(0), 1);
  EXPECT_EQ(Checked(1), 1);
  ClickAt(a_);
  EXPECT_EQ(Checked(0), 0);
  EXPECT_EQ(Checked(1), 1);
}

TEST_F(CoordButtonImageTest, MarksFollowTheKeyIdSoASharedIdMarksItsFirstSpot) {
  image_->SetSelectionTypeText("2");
  ClickAt(QPoint(110, 30));  // second spot with id 4
  EXPECT_EQ(Checked(0), 1);
  EXPECT_EQ(Checked(2), 0);
}

TEST_F(CoordButtonImageTest, ListenerThatHandlesTheClickKeepsMarks) {
  image_->SetSelectionTypeText("2");
  listener_.handled = true;
  ClickAt(a_);
  ClickAt(b_);
  EXPECT_EQ(Checked(0) + Checked(1), 0);
  EXPECT_EQ(listener_.clicks.size(), 4u);
}

TEST_F(CoordButtonImageTest, WithoutListenerTheSelectionRuleStillApplies) {
  image_->SetListener(nullptr);
  image_->SetSelectionTypeText("1");
  ClickAt(b_);
  EXPECT_EQ(Checked(1), 1);
}

TEST_F(CoordButtonImageTest, PressOnAReleaseOnBReportsOnlyTheDownOfA) {
  image_->SetSelectionTypeText("2");
  QTest::mousePress(image_.get(), Qt::LeftButton, Qt::NoModifier, a_);
  QTest::mouseMove(image_.get(), b_);
  QTest::mouseRelease(image_.get(), Qt::LeftButton, Qt::NoModifier, b_);
  ASSERT_EQ(listener_.clicks.size(), 1u);
  EXPECT_EQ(listener_.clicks[0].id, 4);
  EXPECT_EQ(listener_.clicks[0].up, 0);
  EXPECT_EQ(image_->Keys()[0].pressed, 1);  // stays until a release over A
  EXPECT_EQ(Checked(0), 1);
  EXPECT_EQ(Checked(1), 0);
  QTest::mouseRelease(image_.get(), Qt::LeftButton, Qt::NoModifier, a_);
  ASSERT_EQ(listener_.clicks.size(), 2u);
  EXPECT_EQ(listener_.clicks[1].up, 1);
  EXPECT_EQ(image_->Keys()[0].pressed, 0);
}

TEST_F(CoordButtonImageTest, PressOutsideEveryKeyDoesNothing) {
  image_->SetSelectionTypeText("1");
  ClickAt(QPoint(5, 5));
  EXPECT_TRUE(listener_.clicks.empty());
}

TEST_F(CoordButtonImageTest, HoverAndTooltipFollowTheMouse) {
  image_->SetKeyLabel(L"Caps Lock : Left Shift", 5);
  QTest::mouseMove(image_.get(), a_);
  EXPECT_EQ(image_->Keys()[0].hover, 1);
  EXPECT_EQ(image_->toolTip(), "A");
  QTest::mouseMove(image_.get(), b_);
  EXPECT_EQ(image_->Keys()[0].hover, 0);
  EXPECT_EQ(image_->Keys()[1].hover, 1);
  EXPECT_EQ(image_->toolTip(), "Caps Lock : Left Shift");
  QTest::mouseMove(image_.get(), QPoint(5, 5));
  EXPECT_TRUE(image_->toolTip().isEmpty());
  QTest::mouseMove(image_.get(), a_);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(image_.get(), &leave);
  EXPECT_EQ(image_->Keys()[0].hover, 0);
  EXPECT_TRUE(image_->toolTip().isEmpty());
}

TEST_F(CoordButtonImageTest, OwnerOperationsActOnTheFirstKeyWithTheId) {
  image_->SetKeyChecked(4, 1);
  EXPECT_EQ(Checked(0), 1);
  EXPECT_EQ(Checked(2), 0);
  image_->SetKeyLabel(L"macro", 4);
  model::KeySpot spot;
  ASSERT_TRUE(image_->FindKeySpot(4, spot));
  EXPECT_EQ(spot.label, L"macro");
  EXPECT_EQ(spot.checked, 1);
  EXPECT_EQ(spot.rect, (model::KeyRect{10, 20, 40, 60}));
  image_->ToggleKeyChecked(4);
  EXPECT_EQ(Checked(0), 0);

  model::KeySpot untouched;
  untouched.name = L"keep";
  EXPECT_FALSE(image_->FindKeySpot(99, untouched));
  EXPECT_EQ(untouched.name, L"keep");
  image_->SetKeyChecked(99, 1);
  image_->SetKeyLabel(L"x", 99);
  image_->ToggleKeyChecked(99);
  for (const model::KeySpot& key : image_->Keys()) {
    EXPECT_NE(key.label, L"x");
  }
  image_->SetKeyChecked(5, 1);
  image_->ClearAllChecked();
  EXPECT_EQ(Checked(1), 0);
}

TEST_F(CoordButtonImageTest, PaintsKeyColourWherePictureIsTransparentAndOverlaysOnTop) {
  // Pictures: transparent background, hover look green, checked look blue.
  QImage transparent(200, 100, QImage::Format_ARGB32);
  transparent.fill(Qt::transparent);
  QImage green(200, 100, QImage::Format_ARGB32);
  green.fill(Qt::green);
  QImage blue(200, 100, QImage::Format_ARGB32);
  blue.fill(Qt::blue);
  CoordButtonImage image(nullptr, folder_, [&](const QString& name) {
    return name == "bg" ? transparent : name == "hover" ? green : blue;
  });
  image.resize(200, 100);
  image.SetBackgroundName("bg");
  image.SetHoverImageName("hover");
  image.SetCheckedImageName("checked");
  image.SetKeyPositionFile("uires/keys.xml");
  auto pixel = [&image](QPoint at) {
    QImage canvas(image.size(), QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    image.render(&canvas, QPoint(), QRegion(), QWidget::DrawChildren);  // without the window background
    return canvas.pixelColor(at);
  };
  EXPECT_EQ(pixel(a_), QColor(255, 0, 0));  // 0xFF0000FF: alpha FF, red in the lowest byte
  EXPECT_EQ(pixel(b_).alpha(), 0);          // default colour 0xFFFFFF is transparent
  QMouseEvent move(QEvent::MouseMove, QPointF(b_), QPointF(b_), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&image, &move);
  EXPECT_EQ(pixel(b_), QColor(Qt::green));
  EXPECT_EQ(pixel(QPoint(75, 30)).alpha(), 0);  // outside B: not overlaid
  image.SetKeyChecked(5, 1);
  EXPECT_EQ(pixel(b_), QColor(Qt::blue));  // checked above hover
}

}  // namespace
}  // namespace SOUI
