#pragma once
// File paths to and from QString without the throwing conversions of std::filesystem::path
// (see support/path_text.h): a path made from QString::toStdWString() throws on Linux for any
// character outside ASCII.
#include <filesystem>

#include <QString>

namespace ui {

QString PathToQString(const std::filesystem::path& path);
std::filesystem::path QStringToPath(const QString& text);

// The path for a message box, which can wrap it at its separators (after each one a zero-width
// space).
QString BreakablePath(const std::filesystem::path& path);

}  // namespace ui
