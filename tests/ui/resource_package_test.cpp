#include "ui/toolkit/resource_package.h"

#include <filesystem>
#include <fstream>

#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "tests/common/temp_folder.h"

#include "qt_test_app.h"
#include "support/logger.h"
#include "ui/toolkit/command_menu.h"

namespace ui {
namespace {

// Every name the program asks the package for.
const char* const kProgramNames[] = {
    "uidef:xml_init", "LAYOUT:XML_MAINWND", "LAYOUT:macro", "LAYOUT:SYS_XML_MSGBOX", "values:string",
    "values:color", "values:skin", "ICON:ICON_LOGO", "translator:lang_cn", "translator:lang_en",
    "SMENU:menu_tray", "SMENUEX:menu_more", "smenuex:menu_more", "kb_macro:bg_png",
    "main:table_main_bg_png", "main:table_main_icon_png", "main:state_func_bg_png", "main:state_funcc_bg_png",
    "main:ioc_func_macro_png", "main:ioc_func_rgb_png", "main:cbox_profile_normal_png",
    "main:cbox_profile_selected_png", "main:cbox_profile_ico_png", "main:img_keboard_normal_png",
    "main:img_keboard_checked_png", "main:img_keboard_pressed_png", "main:img_keboard_floating_png",
    "main:win_macro_bg_png", "main:bg_macr_keys_png", "main:state_del_png", "main:state_add_png",
    "main:state_capture_png", "main:state_import_png", "main:state_export_png", "main:state_up_png",
    "main:state_down_png", "main:state_record_png", "main:state_ok_png", "main:state_cancel_png",
    "main:bg_macro_group_png", "main:image_bg_macro_content_png", "main:bg_progress_bg_png",
    "main:bg_progress_pos_png", "main:state_progres_thum_png", "main:icon_color_effects_png",
    "main:state_color_effects_png", "main:state_color_select_png", "main:state_clear_png", "main:more_menu_png",
    "main:img_keboard_demo_png"};

class ResourcePackageTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::EnsureApplication(); }
};

TEST_F(ResourcePackageTest, EveryProgramNameNamesAReadableFile) {
  const ResourcePackage& package = uitest::ShippedPackage();
  for (const char* name : kProgramNames) {
    QByteArray bytes;
    EXPECT_TRUE(package.ReadBytes(name, bytes)) << name;
    EXPECT_FALSE(bytes.isEmpty()) << name;
    if (std::string_view(name).ends_with("_png") || std::string_view(name).starts_with("ICON:")) {
      EXPECT_FALSE(package.LoadImage(name).isNull()) << name;
    }
  }
}

// Images of the skin are named "uires:<path>"; one that does not load leaves its control blank.
TEST_F(ResourcePackageTest, EveryImageOfTheSkinLoads) {
  const ResourcePackage& package = uitest::ShippedPackage();
  const QString skin = package.ReadText("values:skin");
  const QRegularExpression url(QStringLiteral("url\\(([^)]*)\\)"));
  int images = 0;
  for (const QRegularExpressionMatch& match : url.globalMatch(skin)) {
    const QString name = match.captured(1);
    EXPECT_TRUE(name.startsWith(QStringLiteral("uires:"))) << name.toStdString();
    EXPECT_FALSE(QImage(name).isNull()) << name.toStdString();
    ++images;
  }
  EXPECT_GT(images, 0);
}

TEST_F(ResourcePackageTest, KeyboardPicturesShareOneSize) {
  const ResourcePackage& package = uitest::ShippedPackage();
  const QSize size = package.LoadImage("main:img_keboard_normal_png").size();
  ASSERT_FALSE(size.isEmpty());
  for (const char* name : {"main:img_keboard_checked_png", "main:img_keboard_pressed_png",
                           "main:img_keboard_floating_png", "main:img_keboard_demo_png"}) {
    EXPECT_EQ(package.LoadImage(name).size(), size) << name;
  }
}

TEST_F(ResourcePackageTest, InstanceNameIsTheFirstNamedString) {
  const ResourcePackage& package = uitest::ShippedPackage();
  EXPECT_EQ(package.NamedString(0), QString("kbconfig-instance-7d3f"));
  EXPECT_FALSE(package.NamedString(99).has_value());
  EXPECT_EQ(package.NamedColor("accent"), QColor("#e0483e"));
  EXPECT_FALSE(package.NamedColor("no such colour").has_value());
}

TEST_F(ResourcePackageTest, MissingNameIsReportedWithItsName) {
  const ResourcePackage& package = uitest::ShippedPackage();
  support::ScopedLogCapture log;
  QByteArray bytes;
  EXPECT_FALSE(package.ReadBytes("LAYOUT:no_such_layout", bytes));
  EXPECT_NE(package.LastError().find("LAYOUT:no_such_layout"), std::string::npos);
  EXPECT_NE(log.Text().find("LAYOUT:no_such_layout"), std::string::npos);
  EXPECT_TRUE(package.LoadImage("main:nothing_png").isNull());
  EXPECT_TRUE(package.ReadText("values:nothing").isEmpty());
  EXPECT_FALSE(package.Find("nocolon").has_value());
}

TEST_F(ResourcePackageTest, IndexedFileThatIsMissingIsReportedWithItsName) {
  const testsupport::TempFolder folder("kb_ui_package");
  const auto root = folder.Path();
  std::ofstream(root / "index.xml") << "<resource><LAYOUT><file name='gone' path='layout/gone.ui'/></LAYOUT>"
                                       "<image><file name='bad_png' path='bad.png'/></image></resource>";
  std::ofstream(root / "bad.png") << "not a picture";
  ResourcePackage package;
  ASSERT_TRUE(package.Open(root));
  support::ScopedLogCapture log;
  QByteArray bytes;
  EXPECT_FALSE(package.ReadBytes("layout:GONE", bytes));
  EXPECT_NE(package.LastError().find("layout:GONE"), std::string::npos);
  EXPECT_NE(log.Text().find("gone.ui"), std::string::npos);
  EXPECT_TRUE(package.LoadImage("image:bad_png").isNull());
  EXPECT_NE(package.LastError().find("image:bad_png"), std::string::npos);
}

TEST_F(ResourcePackageTest, MissingIndexFailsToOpen) {
  support::ScopedLogCapture log;
  ResourcePackage package;
  EXPECT_FALSE(package.Open(std::filesystem::temp_directory_path() / "kb_no_such_uires"));
  EXPECT_FALSE(package.Contains("LAYOUT:XML_MAINWND"));
  EXPECT_NE(log.Text().find("index.xml"), std::string::npos);
}

TEST_F(ResourcePackageTest, MenusCarryFirmwareCheckAndExit) {
  for (const char* name : {"SMENU:menu_tray", "SMENUEX:menu_more"}) {
    std::unique_ptr<CommandMenu> menu = CommandMenu::Load(uitest::ShippedPackage(), name);
    ASSERT_TRUE(menu) << name;
    ASSERT_NE(menu->ActionForCommand(1), nullptr) << name;
    ASSERT_NE(menu->ActionForCommand(6), nullptr) << name;
    EXPECT_EQ(menu->ActionForCommand(1)->text(), "Check firmware");
    EXPECT_EQ(menu->ActionForCommand(6)->text(), "Exit");
    int chosen = 0;
    QObject::connect(menu.get(), &CommandMenu::CommandTriggered, [&chosen](int id) { chosen = id; });
    menu->ActionForCommand(6)->trigger();
    EXPECT_EQ(chosen, 6);
  }
  EXPECT_FALSE(CommandMenu::Load(uitest::ShippedPackage(), "SMENU:absent"));
}

}  // namespace
}  // namespace ui
