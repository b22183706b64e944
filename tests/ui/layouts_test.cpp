// Every shipped layout builds, declares the controls the program binds to with the right classes,
// and carries the IDs of the control name table.
#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "qt_test_app.h"
#include "ui/keyboard_image/coord_button_image.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/control_names.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {
namespace {

const std::vector<RequiredControl> kMainWindowControls = {
    {"title", "QLabel"}, {"btn_more", "QAbstractButton"}, {"btn_min", "QAbstractButton"},
    {"btn_close", "QAbstractButton"}, {"zh_cn", "QAbstractButton"}, {"jp", "QAbstractButton"},
    {"btn_restore_factory", "QAbstractButton"}, {"img_keyboard", "SOUI::CoordButtonImage"},
    {"tab_color_effect", "QTabWidget"}, {"cbx_color_effect", "QComboBox"}, {"cbx_in_lv", "QComboBox"},
    {"cbx_side_color_effect", "QComboBox"}, {"bar_side_brightness", "QSlider"},
    {"bar_general_speed_0", "QSlider"}, {"bar_general_speed_1", "QSlider"}, {"bar_general_speed_3", "QSlider"},
    {"bar_const_brightness_0", "QSlider"}, {"bar_const_brightness_1", "QSlider"},
    {"bar_const_brightness_2", "QSlider"}, {"bar_const_brightness_3", "QSlider"},
    {"radio_direction_left_0", "QRadioButton"}, {"radio_direction_right_0", "QRadioButton"},
    {"radio_loader_left_3", "QRadioButton"}, {"radio_loader_center_3", "QRadioButton"},
    {"radio_loader_right_3", "QRadioButton"}, {"text_side_brightness", "QLabel"}, {"version", "QLabel"}};

const std::vector<RequiredControl> kMacroEditorControls = {
    {"macro_group", "QListView"}, {"key_info", "QTableView"}, {"tab_macro_mode_selection", "QTabWidget"},
    {"chk_macro_record", "QCheckBox"}, {"chk_macro_realy_delay", "QCheckBox"},
    {"chk_macro_fixed_delay", "QCheckBox"}, {"chk_macro_no_delay", "QCheckBox"},
    {"edit_macro_delay_time", "QLineEdit"}, {"edit_macro_repeat_times", "QLineEdit"},
    {"macro_play_mode", "QComboBox"}, {"edit_single_key", "QLabel"}, {"chk_single_record", "QCheckBox"},
    {"cmb_media_keys", "QComboBox"}, {"cmb_function_keys", "QComboBox"}, {"text_recording_keys", "QLabel"},
    {"btnOK", "QAbstractButton"}, {"btnCancel", "QAbstractButton"}, {"btnDelete", "QAbstractButton"},
    {"btnMin", "QAbstractButton"}, {"btnRestore", "QAbstractButton"}, {"groupAdd", "QAbstractButton"},
    {"groupDel", "QAbstractButton"}, {"groupImport", "QAbstractButton"}, {"groupExport", "QAbstractButton"},
    {"item_up", "QAbstractButton"}, {"item_down", "QAbstractButton"}, {"item_delete", "QAbstractButton"},
    {"item_clear", "QAbstractButton"}};

const std::vector<RequiredControl> kMessageBoxControls = {{"msgtitle", "QLabel"}, {"msgicon", "QLabel"},
                                                          {"msgtext", "QLabel"}, {"btnOK", "QAbstractButton"},
                                                          {"btnCancel", "QAbstractButton"}};

class LayoutsTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::EnsureApplication(); }
  std::unique_ptr<QWidget> Load(const char* name) {
    std::unique_ptr<QWidget> root = loader_.Load(name);
    EXPECT_TRUE(root) << name << ": " << loader_.LastError();
    return root;
  }
  LayoutLoader loader_{uitest::ShippedPackage(), uitest::ProgramFolder()};
};

void ExpectControls(QWidget* root, const std::vector<RequiredControl>& required) {
  std::string missing;
  for (const std::string& name : MissingControls(root, required)) missing += name + " ";
  EXPECT_EQ(missing, "");
  for (const RequiredControl& control : required) {
    QWidget* widget = FindControl<QWidget>(root, control.name);
    if (!widget) continue;
    const std::optional<int> id = ControlIdForName(control.name);
    if (id) {
      EXPECT_EQ(ControlId(widget), *id) << control.name;
      EXPECT_EQ(FindControlById<QWidget>(root, *id), widget) << control.name;
    } else {
      EXPECT_EQ(ControlId(widget), -1) << control.name;
    }
  }
}

TEST_F(LayoutsTest, MainWindowDeclaresEveryControlItUses) {
  std::unique_ptr<QWidget> root = Load("LAYOUT:XML_MAINWND");
  ASSERT_TRUE(root);
  ExpectControls(root.get(), kMainWindowControls);
  EXPECT_EQ(FindControl<QComboBox>(root.get(), "cbx_color_effect")->count(), 22);
  EXPECT_EQ(FindControl<QComboBox>(root.get(), "cbx_side_color_effect")->count(), 12);
  EXPECT_EQ(FindControl<QTabWidget>(root.get(), "tab_color_effect")->count(), 4);
  for (const char* name : {"bar_general_speed_0", "bar_general_speed_1", "bar_general_speed_3",
                           "bar_const_brightness_0", "bar_const_brightness_1", "bar_const_brightness_2",
                           "bar_const_brightness_3"}) {
    auto* slider = FindControl<QSlider>(root.get(), name);
    EXPECT_EQ(slider->minimum(), 0) << name;
    EXPECT_EQ(slider->maximum(), 4) << name;
  }
  EXPECT_EQ(FindControl<QSlider>(root.get(), "bar_side_brightness")->maximum(), 7);
}

TEST_F(LayoutsTest, EffectPagesHoldTheirOwnControls) {
  std::unique_ptr<QWidget> root = Load("LAYOUT:XML_MAINWND");
  ASSERT_TRUE(root);
  auto* tabs = FindControl<QTabWidget>(root.get(), "tab_color_effect");
  const std::vector<std::vector<const char*>> pages = {
      {"bar_general_speed_0", "bar_const_brightness_0", "radio_direction_left_0", "radio_direction_right_0"},
      {"bar_general_speed_1", "bar_const_brightness_1"},
      {"bar_const_brightness_2"},
      {"bar_general_speed_3", "bar_const_brightness_3", "radio_loader_left_3", "radio_loader_center_3",
       "radio_loader_right_3"}};
  for (int page = 0; page < 4; ++page) {
    for (const char* name : pages[page]) {
      EXPECT_NE(FindControl<QWidget>(tabs->widget(page), name), nullptr) << name << " on page " << page;
    }
  }
}

TEST_F(LayoutsTest, KeyboardImageIsOurControlWithItsKeysAndPictures) {
  std::unique_ptr<QWidget> root = Load("LAYOUT:XML_MAINWND");
  ASSERT_TRUE(root);
  auto* image = FindControlById<SOUI::CoordButtonImage>(root.get(), 65539);
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(IsElement(image, "cbimg"));
  EXPECT_EQ(image->Keys().size(), 104u);
  EXPECT_EQ(image->SelectionType(), 0);
  EXPECT_EQ(image->size(), uitest::ShippedPackage().LoadImage("main:img_keboard_normal_png").size());
  model::KeySpot caps;
  ASSERT_TRUE(image->FindKeySpot(0x39, caps));
  EXPECT_EQ(caps.name, L"Caps Lock");
  EXPECT_EQ(caps.va, 7);
}

TEST_F(LayoutsTest, MacroEditorDeclaresEveryControlItUses) {
  std::unique_ptr<QWidget> root = Load("LAYOUT:macro");
  ASSERT_TRUE(root);
  EXPECT_NE(qobject_cast<QDialog*>(root.get()), nullptr);
  ExpectControls(root.get(), kMacroEditorControls);
  EXPECT_EQ(FindControl<QTabWidget>(root.get(), "tab_macro_mode_selection")->count(), 4);
  auto* delay = FindControl<QWidget>(root.get(), "edit_macro_delay_time");
  EXPECT_TRUE(IsElement(delay, "editex"));
  auto* play = FindControl<QComboBox>(root.get(), "macro_play_mode");
  ASSERT_EQ(play->count(), 5);
  for (int item = 0; item < play->count(); ++item) EXPECT_EQ(play->itemData(item).toInt(), item + 2);
}

TEST_F(LayoutsTest, MessageBoxDeclaresItsControls) {
  std::unique_ptr<QWidget> root = Load("LAYOUT:SYS_XML_MSGBOX");
  ASSERT_TRUE(root);
  EXPECT_NE(qobject_cast<QDialog*>(root.get()), nullptr);
  ExpectControls(root.get(), kMessageBoxControls);
}

TEST_F(LayoutsTest, LookupByNameOrIdChecksTheClass) {
  std::unique_ptr<QWidget> root = Load("LAYOUT:XML_MAINWND");
  ASSERT_TRUE(root);
  EXPECT_NE(FindControl<QComboBox>(root.get(), "cbx_color_effect"), nullptr);
  EXPECT_EQ(FindControl<QSlider>(root.get(), "cbx_color_effect"), nullptr);
  EXPECT_EQ(FindControlById<QLabel>(root.get(), 65540), nullptr);
  EXPECT_NE(FindControlById<QLabel>(root.get(), 65556), nullptr);
  EXPECT_EQ(FindControl<QWidget>(root.get(), "no_such_control"), nullptr);
  EXPECT_EQ(FindControlById<QWidget>(root.get(), 12345), nullptr);
  EXPECT_EQ(ControlNameOf(FindControlById<QWidget>(root.get(), 65537)), "btn_more");
}

TEST_F(LayoutsTest, MissingLayoutIsAClearErrorNotACrash) {
  EXPECT_EQ(loader_.Load("LAYOUT:absent"), nullptr);
  EXPECT_NE(loader_.LastError().find("LAYOUT:absent"), std::string::npos);
  // A resource that is not a layout at all.
  EXPECT_EQ(loader_.Load("values:skin"), nullptr);
  EXPECT_NE(loader_.LastError().find("values:skin"), std::string::npos);
  const std::vector<std::string> missing = MissingControls(nullptr, {{"title", "QLabel"}});
  EXPECT_EQ(missing, std::vector<std::string>{"title (QLabel)"});
}

// Every text the layouts show (except the language buttons, which name their own language) has
// an entry in the Chinese table.
TEST_F(LayoutsTest, EveryLayoutTextHasAChineseTranslation) {
  QByteArray bytes;
  ASSERT_TRUE(uitest::ShippedPackage().ReadBytes("translator:lang_cn", bytes));
  std::string error;
  const std::optional<model::TranslationTable> table =
      model::ParseTranslationTable(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), error);
  ASSERT_TRUE(table) << error;
  XmlTranslator chinese;
  chinese.Load(*table);
  auto expectTranslated = [&chinese](const QString& text, const QString& where) {
    if (text.isEmpty() || text.size() == 1 || text == "中文" || text == "English") return;
    EXPECT_FALSE(chinese.translate("", text.toUtf8().constData()).isEmpty())
        << text.toStdString() << " in " << where.toStdString();
  };
  for (const char* layout : {"LAYOUT:XML_MAINWND", "LAYOUT:macro", "LAYOUT:SYS_XML_MSGBOX", "LAYOUT:profile_name",
                             "LAYOUT:program_rules", "LAYOUT:about"}) {
    std::unique_ptr<QWidget> root = Load(layout);
    ASSERT_TRUE(root);
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.push_back(root.get());
    for (QWidget* widget : widgets) {
      expectTranslated(widget->toolTip(), widget->objectName());
      if (widget == root.get()) expectTranslated(widget->windowTitle(), widget->objectName());
      if (auto* label = qobject_cast<QLabel*>(widget)) expectTranslated(label->text(), widget->objectName());
      if (auto* button = qobject_cast<QAbstractButton*>(widget)) expectTranslated(button->text(), widget->objectName());
      if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i) expectTranslated(combo->itemText(i), widget->objectName());
      }
      if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
        for (int i = 0; i < tabs->count(); ++i) expectTranslated(tabs->tabText(i), widget->objectName());
      }
    }
  }
}

}  // namespace
}  // namespace ui
