#include "ui/macro_editor/group_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace macro {

QString GroupFolder::Current() const {
  if (!last_.isEmpty() && QFileInfo(last_).isDir()) return last_;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void GroupFolder::Remember(const QString& file) {
  const QString folder = QFileInfo(file).absolutePath();
  if (!folder.isEmpty()) last_ = folder;
}

}  // namespace macro
