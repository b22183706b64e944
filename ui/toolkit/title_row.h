#pragma once
// Our windows draw their own title row (logo, title, buttons), so the system's title bar is turned
// off and dragging the row moves the window: through the window manager when there is one (it
// then also snaps and keeps the window on screen), by moving the window ourselves when there is
// none. A press on a button of the row stays the button's.
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

namespace ui {

class TitleRowDrag : public QObject {
  Q_OBJECT

 public:
  // window: the top-level window (its frame is turned off); title: the row's title text, whose
  // band across the window (from the top edge to as far below the text as the text is below the
  // top edge) is the drag area. A null title gives no drag area.
  TitleRowDrag(QWidget& window, const QWidget* title);

  // The drag area in window coordinates.
  QRect DragArea() const;
  bool Dragging() const { return manualDrag_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool StartDrag(const QPoint& globalPosition);

  QWidget& window_;
  QPointer<const QWidget> title_;
  bool manualDrag_ = false;
  QPoint pressOffset_;  // press position relative to the window's top-left corner
};

// Turns off the system's title bar of `window` and makes `title`'s band the drag area; the helper
// lives as long as the window.
TitleRowDrag* UseOwnTitleRow(QWidget& window, const QWidget* title);

}  // namespace ui
