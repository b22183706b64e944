#include "ui/toolkit/title_row.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWindow>

namespace ui {

TitleRowDrag::TitleRowDrag(QWidget& window, const QWidget* title)
    : QObject(&window), window_(window), title_(title) {
  // Presses that no control of the row takes (the title, the logo, the row's background) travel
  // up to the window, where this filter sees them.
  window_.installEventFilter(this);
}

QRect TitleRowDrag::DragArea() const {
  if (!title_ || !window_.isAncestorOf(title_)) return {};
  const QPoint titleTop = title_->mapTo(&window_, QPoint(0, 0));
  return QRect(0, 0, window_.width(), titleTop.y() + title_->height() + titleTop.y());
}

bool TitleRowDrag::StartDrag(const QPoint& globalPosition) {
  // The window manager moves the window when it can (it returns false when there is none).
  if (QWindow* handle = window_.windowHandle(); handle && handle->startSystemMove()) return true;
  manualDrag_ = true;
  pressOffset_ = globalPosition - window_.pos();
  window_.grabMouse();
  return true;
}

bool TitleRowDrag::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<const QMouseEvent*>(event);
      if (manualDrag_ || mouse->button() != Qt::LeftButton) return false;
      if (!DragArea().contains(mouse->position().toPoint())) return false;
      return StartDrag(mouse->globalPosition().toPoint());
    }
    case QEvent::MouseMove: {
      if (!manualDrag_) return false;
      const auto* mouse = static_cast<const QMouseEvent*>(event);
      if (!mouse->buttons().testFlag(Qt::LeftButton)) {
        // The release went elsewhere: the drag is over.
        manualDrag_ = false;
        window_.releaseMouse();
        return false;
      }
      window_.move(mouse->globalPosition().toPoint() - pressOffset_);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<const QMouseEvent*>(event);
      if (!manualDrag_ || mouse->button() != Qt::LeftButton) return false;
      manualDrag_ = false;
      window_.releaseMouse();
      return true;
    }
    default:
      return false;
  }
}

TitleRowDrag* UseOwnTitleRow(QWidget& window, const QWidget* title) {
  window.setWindowFlag(Qt::FramelessWindowHint, true);
  return new TitleRowDrag(window, title);
}

}  // namespace ui
