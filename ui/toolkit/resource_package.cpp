#include "ui/toolkit/resource_package.h"

#include <QDir>
#include <pugixml.hpp>

#include "model/resources/resource_index.h"
#include "support/atomic_file.h"
#include "support/logger.h"
#include "support/path_text.h"
#include "ui/toolkit/qt_path.h"

namespace ui {

std::string ResourcePackage::Key(std::string_view typeQualifiedName) { return model::ResourceKey(typeQualifiedName); }

void ResourcePackage::Fail(std::string_view operation, std::string message) const {
  support::LogFailure(operation, message);
  lastError_ = std::move(message);
}

bool ResourcePackage::Open(const std::filesystem::path& root) {
  root_ = root;
  files_.clear();
  lastError_.clear();
  std::string error;
  std::optional<model::ResourceIndex> index = model::LoadResourceIndex(root, error);
  if (!index) {
    Fail("ResourcePackage::Open", error);
    return false;
  }
  files_ = std::move(index->files);
  QDir::setSearchPaths(QStringLiteral("uires"), {PathToQString(root)});
  return true;
}

bool ResourcePackage::Contains(std::string_view typeQualifiedName) const {
  return files_.count(Key(typeQualifiedName)) != 0;
}

std::optional<std::filesystem::path> ResourcePackage::Find(std::string_view typeQualifiedName) const {
  const auto it = files_.find(Key(typeQualifiedName));
  if (it == files_.end()) {
    Fail("ResourcePackage::Find", "resource \"" + std::string(typeQualifiedName) + "\" is not in the package");
    return std::nullopt;
  }
  lastError_.clear();
  return it->second;
}

bool ResourcePackage::ReadBytes(std::string_view typeQualifiedName, QByteArray& out) const {
  out.clear();
  const std::optional<std::filesystem::path> path = Find(typeQualifiedName);
  if (!path) return false;
  // Read by path, not through a QString: a folder name that is not UTF-8 still reads.
  const std::optional<std::string> bytes = support::ReadWholeFile(*path);
  if (!bytes) {
    Fail("ResourcePackage::ReadBytes", "resource \"" + std::string(typeQualifiedName) + "\" (" +
                                           support::PathToUtf8(*path) + ") cannot be read");
    return false;
  }
  out = QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
  return true;
}

QString ResourcePackage::ReadText(std::string_view typeQualifiedName) const {
  QByteArray bytes;
  if (!ReadBytes(typeQualifiedName, bytes)) return {};
  return QString::fromUtf8(bytes);
}

QImage ResourcePackage::LoadImage(std::string_view typeQualifiedName) const {
  QByteArray bytes;
  if (!ReadBytes(typeQualifiedName, bytes)) return {};
  QImage image;
  if (!image.loadFromData(bytes)) {
    Fail("ResourcePackage::LoadImage", "resource \"" + std::string(typeQualifiedName) + "\" is not a readable image");
    return {};
  }
  return image;
}

QIcon ResourcePackage::LoadIcon(std::string_view typeQualifiedName) const {
  const QImage image = LoadImage(typeQualifiedName);
  if (image.isNull()) return {};
  return QIcon(QPixmap::fromImage(image));
}

std::optional<QString> ResourcePackage::NamedString(size_t index) const {
  QByteArray bytes;
  if (!ReadBytes("values:string", bytes)) return std::nullopt;
  pugi::xml_document document;
  if (!document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()))) {
    Fail("ResourcePackage::NamedString", "resource \"values:string\" is not well-formed XML");
    return std::nullopt;
  }
  size_t position = 0;
  for (pugi::xml_node item : document.child("string").children("item")) {
    if (position++ == index) return QString::fromUtf8(item.child_value());
  }
  Fail("ResourcePackage::NamedString", "resource \"values:string\" has no entry " + std::to_string(index));
  return std::nullopt;
}

std::optional<QColor> ResourcePackage::NamedColor(std::string_view name) const {
  QByteArray bytes;
  if (!ReadBytes("values:color", bytes)) return std::nullopt;
  pugi::xml_document document;
  if (!document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()))) return std::nullopt;
  for (pugi::xml_node item : document.child("color").children("item")) {
    if (name == item.attribute("name").as_string()) {
      const QColor color = QColor::fromString(QString::fromUtf8(item.child_value()).trimmed());
      if (color.isValid()) return color;
    }
  }
  return std::nullopt;
}

}  // namespace ui
