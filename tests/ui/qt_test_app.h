#pragma once
// The one QApplication of the UI tests (offscreen platform), and the shipped resource package.
#include <filesystem>

#include "ui/toolkit/resource_package.h"

namespace uitest {

// Creates the application on first use; QT_QPA_PLATFORM defaults to "offscreen".
void EnsureApplication();
// The folder holding uires/ (the program's folder as far as layouts are concerned).
std::filesystem::path ProgramFolder();
// The shipped package, opened (the test fails when it does not open).
const ui::ResourcePackage& ShippedPackage();

}  // namespace uitest
