#pragma once
// Asks the user for a port number: the program's message box with a number field under its text.
#include <cstdint>
#include <functional>
#include <optional>

#include <QString>
#include <QWidget>

namespace ui {

class LayoutLoader;

// The port chosen (1024 to 65535), or nothing when the user cancelled. `text` is English and
// shown translated, with %1 replaced by `taken`.
using PortQuestion =
    std::function<std::optional<std::uint16_t>(QWidget* parent, const QString& text, std::uint16_t taken)>;

std::optional<std::uint16_t> AskForPort(LayoutLoader& loader, QWidget* parent, const QString& text,
                                        std::uint16_t taken);

}  // namespace ui
