#include "ui/toolkit/qt_path.h"

#include "support/path_text.h"

namespace ui {

QString PathToQString(const std::filesystem::path& path) { return QString::fromStdWString(support::PathToWide(path)); }

std::filesystem::path QStringToPath(const QString& text) { return support::PathFromWide(text.toStdWString()); }

}  // namespace ui
