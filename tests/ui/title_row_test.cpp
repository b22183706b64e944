// Our own title row: the system's frame is off, and dragging the row moves the window. Without a
// window manager (the offscreen platform has none) the row moves the window itself.
#include "ui/toolkit/title_row.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

#include "qt_test_app.h"

namespace ui {
namespace {

class TitleRowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::EnsureApplication();
    window_ = std::make_unique<QWidget>();
    window_->setGeometry(100, 100, 400, 300);
    title_ = new QLabel(QStringLiteral("Keyboard Configuration"), window_.get());
    title_->setGeometry(50, 10, 200, 28);
    close_ = new QPushButton(QStringLiteral("x"), window_.get());
    close_->setGeometry(360, 10, 30, 26);
    drag_ = UseOwnTitleRow(*window_, title_);
    window_->show();
  }

  // A mouse event as the system delivers it: to the control under the pointer, from where it
  // travels up to the window when the control does not take it.
  static bool Send(QWidget* receiver, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPoint global = receiver->mapToGlobal(local);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, local, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(receiver, &event);
    return event.isAccepted();
  }

  void DragFrom(QWidget* pressed, QPoint local, QPoint by) {
    const QPoint global = pressed->mapToGlobal(local);
    Send(pressed, QEvent::MouseButtonPress, local, Qt::LeftButton);
    // While dragging the window holds the mouse: moves and the release go to it.
    const QPoint target = global + by;
    QMouseEvent move(QEvent::MouseMove, window_->mapFromGlobal(target), window_->mapFromGlobal(target), target,
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &move);
    QMouseEvent release(QEvent::MouseButtonRelease, window_->mapFromGlobal(target), window_->mapFromGlobal(target),
                        target, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &release);
  }

  std::unique_ptr<QWidget> window_;
  QLabel* title_ = nullptr;
  QPushButton* close_ = nullptr;
  TitleRowDrag* drag_ = nullptr;
};

TEST_F(TitleRowTest, TurnsOffTheSystemFrameAndSpansTheTitleBand) {
  EXPECT_TRUE(window_->windowFlags().testFlag(Qt::FramelessWindowHint));
  // From the top edge to as far below the title as the title is below the edge, full width.
  EXPECT_EQ(drag_->DragArea(), QRect(0, 0, 400, 48));
}

TEST_F(TitleRowTest, DraggingTheTitleOrTheRowMovesTheWindow) {
  const QPoint start = window_->pos();
  DragFrom(title_, QPoint(20, 10), QPoint(30, 40));
  EXPECT_EQ(window_->pos(), start + QPoint(30, 40));
  EXPECT_FALSE(drag_->Dragging());
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  // The row's empty part, right of the title, moves it as well.
  DragFrom(window_.get(), QPoint(300, 5), QPoint(-10, 5));
  EXPECT_EQ(window_->pos(), start + QPoint(20, 45));
}

TEST_F(TitleRowTest, PressesOnTheRowsButtonsAndBelowTheRowMoveNothing) {
  const QPoint start = window_->pos();
  DragFrom(close_, QPoint(5, 5), QPoint(50, 50));
  EXPECT_EQ(window_->pos(), start);
  DragFrom(window_.get(), QPoint(100, 60), QPoint(50, 50));  // below the band
  EXPECT_EQ(window_->pos(), start);
  EXPECT_FALSE(drag_->Dragging());
}

}  // namespace
}  // namespace ui
