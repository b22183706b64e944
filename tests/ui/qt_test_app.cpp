#include "qt_test_app.h"

#include <QApplication>
#include <QFontMetrics>
#include <gtest/gtest.h>

namespace uitest {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "ui_toolkit_tests";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);  // lives until the process ends
  (void)app;
}

bool PlatformHasRealFonts() {
  EnsureApplication();
#if defined(_WIN32)
  const QFontMetrics metrics(QApplication::font());
  return metrics.horizontalAdvance(QLatin1Char('i')) != metrics.horizontalAdvance(QLatin1Char('W'));
#else
  // The offscreen platform here draws with the system's fonts: a missing font must fail the
  // text tests, not skip them.
  return true;
#endif
}

std::filesystem::path ProgramFolder() { return KBCONFIG_SOURCE_DIR; }

const ui::ResourcePackage& ShippedPackage() {
  static ui::ResourcePackage package;
  static const bool opened = package.Open(KBCONFIG_UIRES_DIR);
  EXPECT_TRUE(opened) << package.LastError();
  return package;
}

}  // namespace uitest
