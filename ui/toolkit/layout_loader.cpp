#include "ui/toolkit/layout_loader.h"

#include <utility>

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

#include "support/logger.h"
#include "ui/keyboard_image/coord_button_image.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/control_names.h"

namespace ui {
namespace {

constexpr const char* kImageProperty = "image";

}  // namespace

LayoutLoader::LayoutLoader(const ResourcePackage& package, std::filesystem::path programFolder, QObject* parent)
    : QUiLoader(parent), package_(package), programFolder_(std::move(programFolder)) {
  // Forms built here follow a language switch: their texts are re-translated on LanguageChange.
  setLanguageChangeEnabled(true);
  setTranslationEnabled(true);
}

QWidget* LayoutLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
  // Our own classes first: the base call would turn an unknown custom class into a plain QWidget.
  QWidget* widget = nullptr;
  if (className == QLatin1String(SOUI::CoordButtonImage::kClassName)) {
    const ResourcePackage* package = &package_;
    widget = new SOUI::CoordButtonImage(parent, programFolder_, [package](const QString& image) {
      return package->LoadImage(image.toStdString());
    });
  } else if (className == QLatin1String("page2")) {
    widget = new QWidget(parent);
  } else if (className == QLatin1String("tabctrl2")) {
    widget = new QTabWidget(parent);
  } else if (className == QLatin1String("anmimg")) {
    widget = new QLabel(parent);
  } else if (className == QLatin1String("editex")) {
    widget = new QLineEdit(parent);
  } else if (className == QLatin1String("radioex")) {
    widget = new QRadioButton(parent);
  } else if (className == QLatin1String("checkex")) {
    widget = new QCheckBox(parent);
  }
  if (widget) {
    widget->setObjectName(name);
    widget->setProperty(kElementClassProperty, className.toUtf8());
  } else {
    widget = QUiLoader::createWidget(className, parent, name);
  }
  // Told apart from the parts a control makes of itself (a form shrunk to fit moves only these).
  if (widget) widget->setProperty(kLaidOutProperty, true);
  return widget;
}

std::unique_ptr<QWidget> LayoutLoader::Load(std::string_view layoutName) {
  lastError_.clear();
  QByteArray bytes;
  if (!package_.ReadBytes(layoutName, bytes)) {
    lastError_ = package_.LastError();
    return nullptr;
  }
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  std::unique_ptr<QWidget> root(load(&buffer, nullptr));
  if (!root) {
    lastError_ = "layout \"" + std::string(layoutName) + "\" does not load: " + errorString().toStdString();
    support::LogFailure("LayoutLoader::Load", lastError_);
    return nullptr;
  }
  StampControlIds(root.get());
  ApplyComboItemData(root.get());
  ApplyLabelImages(root.get(), package_);
  return root;
}

void StampControlIds(QWidget* root) {
  if (!root) return;
  auto stamp = [](QWidget* widget) {
    if (const std::optional<int> id = ControlIdForName(widget->objectName().toStdString())) {
      widget->setProperty(kControlIdProperty, *id);
    }
  };
  stamp(root);
  for (QWidget* child : root->findChildren<QWidget*>()) stamp(child);
}

void ApplyComboItemData(QWidget* root) {
  if (!root) return;
  for (QComboBox* combo : root->findChildren<QComboBox*>()) {
    const QVariant data = combo->property("itemData");
    if (!data.isValid()) continue;
    const QStringList values = data.toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int item = 0; item < combo->count() && item < values.size(); ++item) {
      bool ok = false;
      const int value = values[item].trimmed().toInt(&ok);
      if (ok) combo->setItemData(item, value);
    }
  }
}

void ApplyLabelImages(QWidget* root, const ResourcePackage& package) {
  if (!root) return;
  for (QLabel* label : root->findChildren<QLabel*>()) {
    const QVariant name = label->property(kImageProperty);
    if (!name.isValid()) continue;
    const QImage image = package.LoadImage(name.toString().toStdString());
    if (image.isNull()) continue;
    label->setPixmap(
        QPixmap::fromImage(image.scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }
}

std::vector<std::string> MissingControls(QWidget* root, const std::vector<RequiredControl>& required) {
  std::vector<std::string> missing;
  for (const RequiredControl& control : required) {
    QWidget* found = FindControl<QWidget>(root, QString::fromLatin1(control.name));
    if (!found || !found->inherits(control.className)) {
      missing.push_back(std::string(control.name) + " (" + control.className + ")");
    }
  }
  return missing;
}

}  // namespace ui
