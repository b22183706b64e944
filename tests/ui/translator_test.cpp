#include "ui/toolkit/xml_translator.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <gtest/gtest.h>

#include "qt_test_app.h"
#include "support/logger.h"
#include "ui/toolkit/command_menu.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"

namespace ui {
namespace {

class TranslatorTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::EnsureApplication(); }
  // Language changes reach widgets as posted events.
  static void Settle() { QApplication::processEvents(); QApplication::processEvents(); }
};

TEST_F(TranslatorTest, TableMapsEnglishToChineseAndIgnoresContext) {
  std::string error;
  const std::optional<model::TranslationTable> table = model::ParseTranslationTable(
      "<language name='zh_cn'><message source='Warning' translation='\xE8\xAD\xA6\xE5\x91\x8A'/>"
      "<message source='Empty' translation=''/></language>",
      error);
  ASSERT_TRUE(table) << error;
  XmlTranslator translator;
  translator.Load(*table);
  EXPECT_FALSE(translator.isEmpty());
  EXPECT_EQ(translator.LanguageName(), "zh_cn");
  EXPECT_EQ(translator.translate("MainWindow", "Warning"), QString::fromUtf8("\xE8\xAD\xA6\xE5\x91\x8A"));
  EXPECT_EQ(translator.translate("", "Warning"), QString::fromUtf8("\xE8\xAD\xA6\xE5\x91\x8A"));
  EXPECT_TRUE(translator.translate("", "Unknown").isNull());
  EXPECT_TRUE(translator.translate("", "Empty").isNull());
  EXPECT_TRUE(translator.translate("", nullptr).isNull());
}

TEST_F(TranslatorTest, SwitchingChangesVisibleTextsAtRunTime) {
  LayoutLoader loader(uitest::ShippedPackage(), uitest::ProgramFolder());
  std::unique_ptr<QWidget> window = loader.Load("LAYOUT:XML_MAINWND");
  ASSERT_TRUE(window);
  window->show();
  auto* label = FindControl<QLabel>(window.get(), "lbl_brightness_1");
  auto* effects = FindControl<QComboBox>(window.get(), "cbx_color_effect");
  auto* tabs = FindControl<QTabWidget>(window.get(), "tab_color_effect");
  ASSERT_TRUE(label && effects && tabs);
  EXPECT_EQ(label->text(), "Brightness");

  LanguageSwitcher switcher(uitest::ShippedPackage());
  ASSERT_TRUE(switcher.Switch("lang_cn"));
  Settle();
  EXPECT_EQ(switcher.CurrentLanguage(), "zh_cn");
  EXPECT_EQ(label->text(), QString::fromUtf8("亮度"));
  EXPECT_EQ(effects->itemText(1), QString::fromUtf8("呼吸"));
  EXPECT_EQ(tabs->tabText(2), QString::fromUtf8("仅亮度"));
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("键盘配置"));
  EXPECT_EQ(FindControl<QLabel>(window.get(), "title")->text(), QString::fromUtf8("键盘配置"));
  EXPECT_EQ(Tr("Please insert USB device!"), QString::fromUtf8("请插入USB设备！"));

  ASSERT_TRUE(switcher.Switch("lang_en"));
  Settle();
  EXPECT_EQ(label->text(), "Brightness");
  EXPECT_EQ(effects->itemText(1), "Breathing");
  EXPECT_EQ(Tr("Please insert USB device!"), "Please insert USB device!");
}

// Texts the program sets itself (version, side caption) are not reset to the layout's text by a
// language switch; their owner re-applies them.
TEST_F(TranslatorTest, TextSetByCodeSurvivesASwitch) {
  LayoutLoader loader(uitest::ShippedPackage(), uitest::ProgramFolder());
  std::unique_ptr<QWidget> window = loader.Load("LAYOUT:XML_MAINWND");
  ASSERT_TRUE(window);
  FindControl<QLabel>(window.get(), "version")->setText("Firmware: v1.0");
  FindControl<QLabel>(window.get(), "text_side_brightness")->setText("Speed");
  LanguageSwitcher switcher(uitest::ShippedPackage());
  ASSERT_TRUE(switcher.Switch("lang_cn"));
  Settle();
  EXPECT_EQ(FindControl<QLabel>(window.get(), "version")->text(), "Firmware: v1.0");
  EXPECT_EQ(FindControl<QLabel>(window.get(), "text_side_brightness")->text(), "Speed");
  EXPECT_EQ(FindControl<QLabel>(window.get(), "lbl_side")->text(), QString::fromUtf8("侧灯"));
}

TEST_F(TranslatorTest, MissingTableChangesNothing) {
  LanguageSwitcher switcher(uitest::ShippedPackage());
  ASSERT_TRUE(switcher.Switch("lang_cn"));
  support::ScopedLogCapture log;
  EXPECT_FALSE(switcher.Switch("lang_jp"));
  EXPECT_NE(log.Text().find("translator:lang_jp"), std::string::npos);
  EXPECT_EQ(switcher.CurrentLanguage(), "zh_cn");
  EXPECT_EQ(Tr("Warning"), QString::fromUtf8("警告"));
}

TEST_F(TranslatorTest, RemovedWithTheSwitcher) {
  {
    LanguageSwitcher switcher(uitest::ShippedPackage());
    ASSERT_TRUE(switcher.Switch("lang_cn"));
    EXPECT_EQ(Tr("Warning"), QString::fromUtf8("警告"));
  }
  EXPECT_EQ(Tr("Warning"), "Warning");
}

TEST_F(TranslatorTest, MenuCaptionsFollowTheLanguage) {
  std::unique_ptr<CommandMenu> menu = CommandMenu::Load(uitest::ShippedPackage(), "SMENU:menu_tray");
  ASSERT_TRUE(menu);
  LanguageSwitcher switcher(uitest::ShippedPackage());
  ASSERT_TRUE(switcher.Switch("lang_cn"));
  Settle();
  EXPECT_EQ(menu->ActionForCommand(1)->text(), QString::fromUtf8("检查固件"));
  EXPECT_EQ(menu->ActionForCommand(6)->text(), QString::fromUtf8("退出"));
  ASSERT_TRUE(switcher.Switch("lang_en"));
  Settle();
  EXPECT_EQ(menu->ActionForCommand(6)->text(), "Exit");
}

}  // namespace
}  // namespace ui
