#pragma once
// The keyboard picture as a set of clickable keys ("cbimg" in layouts). Each key is a rectangle
// from the key-position file; the control paints key colours, the picture, and the hover and
// checked looks per key, shows a tooltip per key and reports clicks to one listener.
//
// Key rectangles are in the picture's pixels. The control draws the picture and its keys at a
// scale (1 by default; a window shrunk to fit a small screen shrinks it too), and maps clicks and
// the mouse back to the picture.
//
// The pictures show blank caps; the control prints each key's legend on its cap in the control's
// font (the skin sets it), in the current language, at the largest size up to the font's own that
// fits the cap (never below SmallestLegendPixels(): kSmallestLegendPixels at the scale). Legends
// use the palette's window-text colour, and its highlighted-text colour on hovered and checked
// keys.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QImage>
#include <QString>
#include <QWidget>

#include "model/keyboard_layout/key_spot.h"
#include "ui/keyboard_image/coord_button_click_listener.h"

namespace SOUI {

class CoordButtonImage : public QWidget {
  Q_OBJECT
  // Layout attributes. Images are named in the resource package's notation ("main:img_..._png").
  Q_PROPERTY(QString bg READ BackgroundName WRITE SetBackgroundName)
  Q_PROPERTY(QString chking READ HoverImageName WRITE SetHoverImageName)
  Q_PROPERTY(QString chked READ CheckedImageName WRITE SetCheckedImageName)
  Q_PROPERTY(QString crdxml READ KeyPositionFile WRITE SetKeyPositionFile)
  // Decimal, or hexadecimal with a 0x prefix: 0 clicks change no mark, 1 single, 2 multiple selection.
  Q_PROPERTY(QString type READ SelectionTypeText WRITE SetSelectionTypeText)

 public:
  using ImageResolver = std::function<QImage(const QString& name)>;

  // programFolder: the key-position file is looked up below it. resolveImage turns the image
  // attributes into pictures (may be empty: no pictures).
  CoordButtonImage(QWidget* parent, std::filesystem::path programFolder, ImageResolver resolveImage);

  static constexpr const char* kClassName = "cbimg";
  // The pictures draw each cap this many pixels inside its key's rectangle.
  static constexpr int kCapInset = 3;
  // Room between a cap's edge and its legend.
  static constexpr int kLegendPadding = 2;
  static constexpr int kSmallestLegendPixels = 8;
  static constexpr int kLegendFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

  // The scale of the picture on the control; the control's size is the caller's to set.
  void SetScale(double scale);
  double Scale() const { return scale_; }
  // Where `key` is on the control (its picture rectangle at the scale).
  QRect KeyArea(const model::KeySpot& key) const;
  // Where the legend of `key` is printed, and in which text and font.
  QRect LegendArea(const model::KeySpot& key) const;
  static QString LegendText(const model::KeySpot& key);
  QFont LegendFont(const model::KeySpot& key) const;
  int SmallestLegendPixels() const;

  void SetKeyLabel(const std::wstring& text, int32_t id);
  void SetKeyChecked(int32_t id, int32_t value);
  bool FindKeySpot(int32_t id, model::KeySpot& out) const;
  void ToggleKeyChecked(int32_t id);
  // Clears every key's checked mark and repaints.
  void ClearAllChecked();

  void SetListener(ICoordButtonClickListener* listener) { listener_ = listener; }
  ICoordButtonClickListener* Listener() const { return listener_; }

  int32_t SelectionType() const { return selectionType_; }
  void SetSelectionType(int32_t type) { selectionType_ = type; }
  const std::vector<model::KeySpot>& Keys() const { return keys_; }

  QString BackgroundName() const { return backgroundName_; }
  void SetBackgroundName(const QString& name);
  QString HoverImageName() const { return hoverName_; }
  void SetHoverImageName(const QString& name);
  QString CheckedImageName() const { return checkedName_; }
  void SetCheckedImageName(const QString& name);
  QString KeyPositionFile() const { return keyPositionFile_; }
  // Loads the keys at once (the layout sets this attribute while the control is built).
  void SetKeyPositionFile(const QString& file);
  QString SelectionTypeText() const { return QString::number(selectionType_); }
  void SetSelectionTypeText(const QString& text);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // Qt delivers the second press of a double click as a press and then a double click; the
  // base class would turn the latter into one more press, toggling a key twice.
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // A new font, style or language changes how the legends are fitted.
  void changeEvent(QEvent* event) override;

 private:
  model::KeySpot* FirstKeyWithId(int32_t id);
  model::KeySpot* FirstKeyAt(const QPoint& point);
  void RunClickRule(model::KeySpot& key, int32_t up, uint32_t keyFlags, const QPoint& point);
  QImage ResolveImage(const QString& name) const;
  void PaintLegends(QPainter& painter) const;

  std::filesystem::path programFolder_;
  ImageResolver resolveImage_;
  QString backgroundName_, hoverName_, checkedName_, keyPositionFile_;
  QImage background_, hoverImage_, checkedImage_;
  int32_t selectionType_ = 0;
  double scale_ = 1.0;
  std::vector<model::KeySpot> keys_;
  ICoordButtonClickListener* listener_ = nullptr;
  // The fitted legend font of each key, by list position; empty until the next paint needs it.
  mutable std::vector<QFont> legendFonts_;
};

}  // namespace SOUI
