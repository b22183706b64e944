#pragma once
// Shrinks a window built from a layout of fixed positions (our layouts have no Qt layouts) so
// that it fits a screen smaller than the layout: the place and size of every control the layout
// placed, the window's size limits and the skin's lengths (font sizes, padding, borders, radii)
// are multiplied by one factor, so the window looks as designed, only smaller. Controls that a
// container places itself (a tab widget's pages, the parts of a combo box) follow their
// container. Factor 1 gives the layout back exactly.
#include <vector>

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

namespace ui {

// The factor, at most 1, by which a window of `size` shrinks to fit `area`.
double FitFactor(const QSize& size, const QSize& area);

// `sheet` with each length in pixels multiplied by `factor`: font sizes and radii rounded down (a
// text never outgrows the box that shrank with it, a corner never outgrows its box), other
// lengths to the nearest pixel, and a length of at least one pixel never below one (a border
// stays a border).
QString ScaledStyleSheet(const QString& sheet, double factor);

class FormScale {
 public:
  // Remembers the layout's geometry of `form` and of every control the layout placed in it.
  explicit FormScale(QWidget& form);

  // Lays the form out at `factor` of its layout and gives it `sheet` (the application's skin)
  // scaled by the same factor; at factor 1 the form keeps no sheet of its own.
  void Apply(double factor, const QString& sheet);
  double Factor() const { return factor_; }
  // The form's size in its layout (at factor 1).
  QSize LayoutSize() const { return formLayout_.geometry.size(); }

 private:
  struct Placed {
    QPointer<QWidget> widget;
    QRect geometry;
    QSize minimum;
    QSize maximum;
  };
  static Placed Remember(QWidget* widget);

  QWidget& form_;
  Placed formLayout_;
  std::vector<Placed> controls_;
  double factor_ = 1.0;
};

}  // namespace ui
