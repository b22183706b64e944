#include "ui/toolkit/qt_path.h"

#include "support/path_text.h"

namespace ui {

QString PathToQString(const std::filesystem::path& path) { return QString::fromStdWString(support::PathToWide(path)); }

std::filesystem::path QStringToPath(const QString& text) { return support::PathFromWide(text.toStdWString()); }

QString BreakablePath(const std::filesystem::path& path) {
  QString text = PathToQString(path);
  for (const QChar separator : {QChar('/'), QChar('\\')}) {
    text.replace(separator, QString(separator) + QChar(0x200B));
  }
  return text;
}

}  // namespace ui
