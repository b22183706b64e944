#pragma once
// The one QApplication of the UI tests (offscreen platform), and the shipped resource package.
#include <filesystem>

#include "ui/toolkit/resource_package.h"

namespace uitest {

// Creates the application on first use; QT_QPA_PLATFORM defaults to "offscreen".
void EnsureApplication();
// Whether the platform draws real glyphs. On Windows (and under Wine) the offscreen platform has
// no font database and draws every glyph as a box one em wide, so measured text sizes mean
// nothing there; the tests that measure texts skip. Elsewhere always true. Creates the
// application first.
bool PlatformHasRealFonts();
// The folder holding uires/ (the program's folder as far as layouts are concerned).
std::filesystem::path ProgramFolder();
// The shipped package, opened (the test fails when it does not open).
const ui::ResourcePackage& ShippedPackage();

}  // namespace uitest
