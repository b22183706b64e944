#include "ui/toolkit/form_scale.h"

#include <algorithm>
#include <cmath>

#include <QLayout>
#include <QRegularExpression>

#include "ui/toolkit/control_lookup.h"

namespace ui {
namespace {

int ScaledLength(int length, double factor) {
  if (length == 0) return 0;
  const int magnitude = std::max(1, static_cast<int>(std::lround(std::abs(length) * factor)));
  return length < 0 ? -magnitude : magnitude;
}

QSize ScaledSize(const QSize& size, double factor) {
  auto scale = [factor](int length) { return length >= QWIDGETSIZE_MAX ? length : ScaledLength(length, factor); };
  return QSize(scale(size.width()), scale(size.height()));
}

// Edges are scaled, not sizes, so controls that touch in the layout still touch.
QRect ScaledRect(const QRect& rect, double factor) {
  auto edge = [factor](int value) { return static_cast<int>(std::lround(value * factor)); };
  const int left = edge(rect.x());
  const int top = edge(rect.y());
  return QRect(left, top, edge(rect.x() + rect.width()) - left, edge(rect.y() + rect.height()) - top);
}

// One declaration's value with its pixel lengths scaled. Font sizes and radii round down: a text
// never outgrows its box, and a radius stays within half the box it rounds (Qt draws a larger one
// square).
QString ScaledValue(const QString& property, const QString& value, double factor) {
  static const QRegularExpression length(QStringLiteral("(-?\\d+(?:\\.\\d+)?)px"));
  const QString name = property.trimmed().toLower();
  const bool font = name == QLatin1String("font-size") || name.endsWith(QLatin1String("radius"));
  QString scaled;
  qsizetype last = 0;
  for (QRegularExpressionMatchIterator it = length.globalMatch(value); it.hasNext();) {
    const QRegularExpressionMatch match = it.next();
    const double pixels = match.captured(1).toDouble();
    const int result = font ? std::max(1, static_cast<int>(std::floor(pixels * factor)))
                            : ScaledLength(static_cast<int>(std::lround(pixels)), factor);
    scaled += value.mid(last, match.capturedStart() - last) + QString::number(result) + QLatin1String("px");
    last = match.capturedEnd();
  }
  return scaled + value.mid(last);
}

}  // namespace

double FitFactor(const QSize& size, const QSize& area) {
  if (size.isEmpty() || area.isEmpty()) return 1.0;
  const double factor = std::min(static_cast<double>(area.width()) / size.width(),
                                 static_cast<double>(area.height()) / size.height());
  return std::min(1.0, factor);
}

QString ScaledStyleSheet(const QString& sheet, double factor) {
  // Declarations ("name: value") inside rule blocks; selectors keep their own colons.
  static const QRegularExpression declaration(QStringLiteral("([A-Za-z-]+)(\\s*:\\s*)([^;{}]*)"));
  QString scaled;
  qsizetype position = 0;
  while (position < sheet.size()) {
    const qsizetype open = sheet.indexOf(QLatin1Char('{'), position);
    if (open < 0) break;
    const qsizetype close = sheet.indexOf(QLatin1Char('}'), open);
    if (close < 0) break;
    scaled += sheet.mid(position, open + 1 - position);
    const QString block = sheet.mid(open + 1, close - open - 1);
    qsizetype last = 0;
    for (QRegularExpressionMatchIterator it = declaration.globalMatch(block); it.hasNext();) {
      const QRegularExpressionMatch match = it.next();
      scaled += block.mid(last, match.capturedStart(3) - last) +
                ScaledValue(match.captured(1), match.captured(3), factor);
      last = match.capturedEnd(3);
    }
    scaled += block.mid(last) + QLatin1Char('}');
    position = close + 1;
  }
  return scaled + sheet.mid(position);
}

FormScale::Placed FormScale::Remember(QWidget* widget) {
  return Placed{widget, widget->geometry(), widget->minimumSize(), widget->maximumSize()};
}

FormScale::FormScale(QWidget& form) : form_(form), formLayout_(Remember(&form)) {
  for (QWidget* control : form.findChildren<QWidget*>()) {
    const QWidget* parent = control->parentWidget();
    const bool placedByLayout = control->property(kLaidOutProperty).toBool() && !control->isWindow();
    if (placedByLayout && parent && !parent->layout()) controls_.push_back(Remember(control));
  }
}

void FormScale::Apply(double factor, const QString& sheet) {
  if (factor <= 0) return;
  factor_ = factor;
  form_.setStyleSheet(factor == 1.0 ? QString() : ScaledStyleSheet(sheet, factor));
  auto place = [factor](QWidget& widget, const Placed& layout, bool move) {
    // Limits out of the way first: the new size may lie outside the old ones.
    widget.setMinimumSize(0, 0);
    widget.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QRect scaled = ScaledRect(layout.geometry, factor);
    if (move) {
      widget.setGeometry(scaled);
    } else {
      widget.resize(scaled.size());
    }
    widget.setMinimumSize(ScaledSize(layout.minimum, factor));
    widget.setMaximumSize(ScaledSize(layout.maximum, factor));
  };
  place(form_, formLayout_, false);
  for (const Placed& control : controls_) {
    if (control.widget) place(*control.widget, control, true);
  }
}

}  // namespace ui
