#pragma once
// The resource package: the index file of the resource folder (model/resources/resource_index.h)
// maps type-qualified names such as "LAYOUT:XML_MAINWND", "values:string" or
// "main:img_keboard_normal_png" to files below the folder. Type and name are matched without regard
// to case. A name that is not in the index, or whose file cannot be read, is logged with its name
// and gives an empty or false result.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace ui {

class ResourcePackage {
 public:
  // Reads <root>/index.xml. False (logged) when it is missing or malformed; the package is then empty.
  // Once open, "uires:<path>" names a file below the root for Qt (the skin's images use it).
  bool Open(const std::filesystem::path& root);

  const std::filesystem::path& Root() const { return root_; }
  bool Contains(std::string_view typeQualifiedName) const;
  // The file behind a name; nullopt (logged) when the name is not in the index.
  std::optional<std::filesystem::path> Find(std::string_view typeQualifiedName) const;

  bool ReadBytes(std::string_view typeQualifiedName, QByteArray& out) const;
  // Empty on any failure.
  QString ReadText(std::string_view typeQualifiedName) const;
  QImage LoadImage(std::string_view typeQualifiedName) const;
  QIcon LoadIcon(std::string_view typeQualifiedName) const;

  // Entry `index` of the named-string table "values:string" (entry 0 is the instance name).
  std::optional<QString> NamedString(size_t index) const;
  // A colour of "values:color" by its name; nullopt when absent or not a colour.
  std::optional<QColor> NamedColor(std::string_view name) const;

  // The last failure, naming the resource ("" after success).
  const std::string& LastError() const { return lastError_; }

 private:
  static std::string Key(std::string_view typeQualifiedName);
  void Fail(std::string_view operation, std::string message) const;

  std::filesystem::path root_;
  std::map<std::string, std::filesystem::path> files_;
  mutable std::string lastError_;
};

}  // namespace ui
