#include "ui/keyboard_image/coord_button_image.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QCoreApplication>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "model/keyboard_layout/key_position_file.h"

namespace SOUI {
namespace {

QColor ToQColor(uint32_t color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF, (color >> 24) & 0xFF);
}

QRect ToQRect(const model::KeyRect& rect) {
  return QRect(QPoint(rect.left, rect.top), QSize(rect.Width(), rect.Height()));
}

// Edges are scaled, not sizes, so neighbouring keys stay edge to edge.
QRect ScaledRect(const model::KeyRect& rect, double scale) {
  const int left = qRound(rect.left * scale);
  const int top = qRound(rect.top * scale);
  return QRect(left, top, qRound(rect.right * scale) - left, qRound(rect.bottom * scale) - top);
}

// A rectangle with no width or height (or a negative one) covers nothing.
bool Covers(const QRect& area, const QPoint& point) { return area.isValid() && area.contains(point); }

uint32_t KeyFlagsOf(const QMouseEvent& event) {
  return static_cast<uint32_t>(event.buttons()) | static_cast<uint32_t>(event.modifiers());
}

// Whether `text`, wrapped at its blanks, fits `area` in `font` without breaking a word.
bool LegendFits(const QFont& font, const QRect& area, const QString& text) {
  const QFontMetrics metrics(font);
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (metrics.horizontalAdvance(word) > area.width()) return false;
  }
  const QRect needed = metrics.boundingRect(area, CoordButtonImage::kLegendFlags, text);
  return needed.width() <= area.width() && needed.height() <= area.height();
}

}  // namespace

CoordButtonImage::CoordButtonImage(QWidget* parent, std::filesystem::path programFolder,
                                   ImageResolver resolveImage)
    : QWidget(parent), programFolder_(std::move(programFolder)), resolveImage_(std::move(resolveImage)) {
  setMouseTracking(true);
}

QImage CoordButtonImage::ResolveImage(const QString& name) const {
  if (name.isEmpty() || !resolveImage_) return {};
  return resolveImage_(name);
}

void CoordButtonImage::SetBackgroundName(const QString& name) {
  backgroundName_ = name;
  background_ = ResolveImage(name);
  updateGeometry();
  update();
}

void CoordButtonImage::SetHoverImageName(const QString& name) {
  hoverName_ = name;
  hoverImage_ = ResolveImage(name);
  update();
}

void CoordButtonImage::SetCheckedImageName(const QString& name) {
  checkedName_ = name;
  checkedImage_ = ResolveImage(name);
  update();
}

void CoordButtonImage::SetKeyPositionFile(const QString& file) {
  keyPositionFile_ = file;
  keys_.clear();
  legendFonts_.clear();
  if (!file.isEmpty()) {
    keys_ = model::LoadKeyPositions(model::ResolveKeyPositionPath(programFolder_, file.toStdWString()));
  }
  update();
}

void CoordButtonImage::SetSelectionTypeText(const QString& text) {
  const QString trimmed = text.trimmed();
  bool ok = false;
  int value = 0;
  if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    value = trimmed.mid(2).toInt(&ok, 16);
  } else {
    value = trimmed.toInt(&ok, 10);
  }
  selectionType_ = ok ? value : 0;
}

QSize CoordButtonImage::sizeHint() const {
  return background_.isNull() ? QSize(200, 80) : background_.size() * scale_;
}

void CoordButtonImage::SetScale(double scale) {
  if (scale <= 0 || scale == scale_) return;
  scale_ = scale;
  legendFonts_.clear();
  updateGeometry();
  update();
}

QRect CoordButtonImage::KeyArea(const model::KeySpot& key) const { return ScaledRect(key.rect, scale_); }

model::KeySpot* CoordButtonImage::FirstKeyWithId(int32_t id) {
  for (model::KeySpot& key : keys_) {
    if (key.id == id) return &key;
  }
  return nullptr;
}

model::KeySpot* CoordButtonImage::FirstKeyAt(const QPoint& point) {
  for (model::KeySpot& key : keys_) {
    if (Covers(KeyArea(key), point)) return &key;
  }
  return nullptr;
}

void CoordButtonImage::SetKeyLabel(const std::wstring& text, int32_t id) {
  if (model::KeySpot* key = FirstKeyWithId(id)) key->label = text;
  update();
}

void CoordButtonImage::SetKeyChecked(int32_t id, int32_t value) {
  if (model::KeySpot* key = FirstKeyWithId(id)) key->checked = value;
  update();
}

bool CoordButtonImage::FindKeySpot(int32_t id, model::KeySpot& out) const {
  for (const model::KeySpot& key : keys_) {
    if (key.id == id) {
      out = key;
      return true;
    }
  }
  return false;
}

void CoordButtonImage::ToggleKeyChecked(int32_t id) {
  if (model::KeySpot* key = FirstKeyWithId(id)) key->checked = key->checked ? 0 : 1;
  update();
}

void CoordButtonImage::ClearAllChecked() {
  for (model::KeySpot& key : keys_) key.checked = 0;
  update();
}

QRect CoordButtonImage::LegendArea(const model::KeySpot& key) const {
  const int edge = qRound((kCapInset + kLegendPadding) * scale_);
  return KeyArea(key).adjusted(edge, edge, -edge, -edge);
}

QString CoordButtonImage::LegendText(const model::KeySpot& key) {
  if (key.legend.empty()) return {};
  return QCoreApplication::translate("", QString::fromStdWString(key.legend).toUtf8().constData());
}

int CoordButtonImage::SmallestLegendPixels() const {
  return std::max(1, static_cast<int>(std::lround(kSmallestLegendPixels * scale_)));
}

QFont CoordButtonImage::LegendFont(const model::KeySpot& key) const {
  QFont fitted = font();
  const int smallest = SmallestLegendPixels();
  const int largest = std::max(QFontInfo(fitted).pixelSize(), smallest);
  const QString text = LegendText(key);
  const QRect area = LegendArea(key);
  for (int pixels = largest; pixels > smallest; --pixels) {
    fitted.setPixelSize(pixels);
    if (LegendFits(fitted, area, text)) return fitted;
  }
  fitted.setPixelSize(smallest);
  return fitted;
}

void CoordButtonImage::changeEvent(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::FontChange || type == QEvent::StyleChange || type == QEvent::LanguageChange) {
    legendFonts_.clear();
    update();
  }
  QWidget::changeEvent(event);
}

void CoordButtonImage::PaintLegends(QPainter& painter) const {
  if (legendFonts_.size() != keys_.size()) {
    legendFonts_.clear();
    for (const model::KeySpot& key : keys_) legendFonts_.push_back(LegendFont(key));
  }
  const QColor normal = palette().color(QPalette::WindowText);
  const QColor highlighted = palette().color(QPalette::HighlightedText);
  for (size_t index = 0; index < keys_.size(); ++index) {
    const model::KeySpot& key = keys_[index];
    const QString text = LegendText(key);
    if (text.isEmpty()) continue;
    painter.setFont(legendFonts_[index]);
    painter.setPen(key.hover || key.checked ? highlighted : normal);
    painter.drawText(LegendArea(key), kLegendFlags, text);
  }
}

void CoordButtonImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, scale_ != 1.0);
  for (const model::KeySpot& key : keys_) painter.fillRect(KeyArea(key), ToQColor(key.color));
  if (!background_.isNull()) painter.drawImage(rect(), background_);
  // Overlays copy the same rectangle of the look's picture onto the key: hover first, checked on top.
  for (const model::KeySpot& key : keys_) {
    if (key.hover && !hoverImage_.isNull()) {
      painter.drawImage(KeyArea(key), hoverImage_, ToQRect(key.rect));
    }
  }
  for (const model::KeySpot& key : keys_) {
    if (key.checked && !checkedImage_.isNull()) {
      painter.drawImage(KeyArea(key), checkedImage_, ToQRect(key.rect));
    }
  }
  PaintLegends(painter);
}

void CoordButtonImage::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  QString tip;
  for (model::KeySpot& key : keys_) {
    key.hover = Covers(KeyArea(key), point) ? 1 : 0;
    if (key.hover) tip = QString::fromStdWString(key.label.empty() ? key.name : key.label);
  }
  setToolTip(tip);
  update();
  QWidget::mouseMoveEvent(event);
}

void CoordButtonImage::leaveEvent(QEvent* event) {
  for (model::KeySpot& key : keys_) key.hover = 0;
  setToolTip(QString());
  update();
  QWidget::leaveEvent(event);
}

void CoordButtonImage::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const QPoint point = event->position().toPoint();
  model::KeySpot* hit = FirstKeyAt(point);
  if (!hit) return;
  // The listener may change the keys; find the key again by its position in the list.
  const size_t index = static_cast<size_t>(hit - keys_.data());
  RunClickRule(*hit, 0, KeyFlagsOf(*event), point);
  if (index < keys_.size()) keys_[index].pressed = 1;
  update();
}

void CoordButtonImage::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void CoordButtonImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const QPoint point = event->position().toPoint();
  model::KeySpot* hit = FirstKeyAt(point);
  if (!hit) return;
  const size_t index = static_cast<size_t>(hit - keys_.data());
  if (hit->pressed) RunClickRule(*hit, 1, KeyFlagsOf(*event), point);
  if (index < keys_.size()) keys_[index].pressed = 0;
  update();
}

void CoordButtonImage::RunClickRule(model::KeySpot& key, int32_t up, uint32_t keyFlags, const QPoint& point) {
  const int32_t id = key.id;
  const bool handled = listener_ && listener_->OnCoordButtonClick(id, key.name, up, keyFlags, point.x(), point.y());
  // Marks follow the key id: when spots share an id, the first one carries the mark.
  if (!handled && up == 0) {
    if (selectionType_ == 1) {
      for (model::KeySpot& each : keys_) each.checked = 0;
      ToggleKeyChecked(id);
    } else if (selectionType_ == 2) {
      ToggleKeyChecked(id);
    }
  }
  update();
}

}  // namespace SOUI
