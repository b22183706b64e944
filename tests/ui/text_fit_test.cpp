// Every text of the main window, of its message boxes and About box and on the key caps fits its
// control at the default font under the program's skin, in English and in Chinese: nothing is
// cut off or elided. Sizes are measured with QFontMetrics against the control's own text area at the size
// the layout gives it.
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <gtest/gtest.h>

#include "main_window_rig.h"
#include "qt_test_app.h"
#include "ui/keyboard_image/coord_button_image.h"
#include "ui/main_window/about_box.h"
#include "ui/toolkit/message_box.h"

namespace uitest {
namespace {

// The skin is the application's style sheet while the test runs, as start-up makes it.
class SkinApplied {
 public:
  SkinApplied() { qApp->setStyleSheet(ShippedPackage().ReadText("values:skin")); }
  ~SkinApplied() { qApp->setStyleSheet(QString()); }
  SkinApplied(const SkinApplied&) = delete;
  SkinApplied& operator=(const SkinApplied&) = delete;
};

std::string Describe(const QWidget* control, const QString& text, int neededWidth, int neededHeight,
                     const QRect& area) {
  return control->objectName().toStdString() + " \"" + text.toStdString() + "\" needs " +
         std::to_string(neededWidth) + "x" + std::to_string(neededHeight) + ", has " +
         std::to_string(area.width()) + "x" + std::to_string(area.height());
}

// Whether `text` fits `area`: on one line, or wrapped at blanks without breaking a word.
bool Fits(const QFontMetrics& metrics, const QString& text, const QRect& area, bool wrap, int& width, int& height) {
  if (!wrap) {
    width = metrics.horizontalAdvance(text);
    height = metrics.height();
    return width <= area.width() && height <= area.height();
  }
  width = 0;
  for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
    width = std::max(width, metrics.horizontalAdvance(word));
  }
  height = metrics.boundingRect(QRect(0, 0, area.width(), 10000), Qt::TextWordWrap, text).height();
  return width <= area.width() && height <= area.height();
}

void CheckText(const QWidget* control, const QString& text, const QRect& area, bool wrap,
               std::vector<std::string>& misfits) {
  if (text.isEmpty()) return;
  int width = 0, height = 0;
  if (!Fits(QFontMetrics(control->font()), text, area, wrap, width, height)) {
    misfits.push_back(Describe(control, text, width, height, area));
  }
}

// The area a button's style leaves for its text (padding, indicator and frame taken off).
QRect ButtonTextArea(QAbstractButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  QStyle::SubElement element = QStyle::SE_PushButtonContents;
  if (qobject_cast<QRadioButton*>(button)) element = QStyle::SE_RadioButtonContents;
  if (qobject_cast<QCheckBox*>(button)) element = QStyle::SE_CheckBoxContents;
  return button->style()->subElementRect(element, &option, button);
}

QRect ComboTextArea(QComboBox* combo) {
  QStyleOptionComboBox option;
  option.initFrom(combo);
  option.editable = combo->isEditable();
  option.subControls = QStyle::SC_All;
  // The label is drawn one pixel in from either side of the field.
  return combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
      .adjusted(1, 0, -1, 0);
}

// Texts below `root` that do not fit their control, as readable lines.
std::vector<std::string> TextsThatDoNotFit(QWidget* root) {
  std::vector<std::string> misfits;
  root->ensurePolished();
  for (QWidget* control : root->findChildren<QWidget*>()) {
    control->ensurePolished();
    if (auto* label = qobject_cast<QLabel*>(control)) {
      if (label->pixmap().isNull()) CheckText(label, label->text(), label->contentsRect(), label->wordWrap(), misfits);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      CheckText(button, button->text(), ButtonTextArea(button), false, misfits);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
      const QRect area = ComboTextArea(combo);
      for (int item = 0; item < combo->count(); ++item) CheckText(combo, combo->itemText(item), area, false, misfits);
    } else if (auto* tabs = qobject_cast<QTabBar*>(control)) {
      if (tabs->isHidden()) continue;
      for (int tab = 0; tab < tabs->count(); ++tab) {
        CheckText(tabs, tabs->tabText(tab), tabs->tabRect(tab).adjusted(4, 0, -4, 0), false, misfits);
      }
    }
  }
  return misfits;
}

// Key cap legends, in the font the picture prints them in, inside the cap.
std::vector<std::string> LegendsThatDoNotFit(const SOUI::CoordButtonImage& image) {
  std::vector<std::string> misfits;
  for (const model::KeySpot& key : image.Keys()) {
    const QFont font = image.LegendFont(key);
    const QRect area = image.LegendArea(key);
    const QString text = SOUI::CoordButtonImage::LegendText(key);
    int width = 0, height = 0;
    if (!text.isEmpty() && !Fits(QFontMetrics(font), text, area, true, width, height)) {
      misfits.push_back("key " + QString::fromStdWString(key.name).toStdString() + " \"" + text.toStdString() +
                        "\" at " + std::to_string(font.pixelSize()) + " px needs " + std::to_string(width) + "x" +
                        std::to_string(height) + ", has " + std::to_string(area.width()) + "x" +
                        std::to_string(area.height()));
    }
    EXPECT_GE(font.pixelSize(), image.SmallestLegendPixels()) << key.id;
  }
  return misfits;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n  " + line;
  return text;
}

// The boxes the main window shows, with its longest texts.
const std::vector<std::pair<QString, QString>>& MainWindowMessages() {
  static const std::vector<std::pair<QString, QString>> messages = {
      {"Warning", "Please insert USB device!"},
      {"Warning", "Please insert USB device"},
      {"Warning", "The firmware is already the latest version and no upgrade is required."},
      {"Warning", "All settings will be restored, are you sure you want to continue?"}};
  return messages;
}

void ExpectEverythingFits(MainWindowRig& rig, const char* language) {
  SCOPED_TRACE(language);
  const std::vector<std::string> window = TextsThatDoNotFit(rig.window->Root());
  EXPECT_TRUE(window.empty()) << "main window:" << Lines(window);
  ASSERT_NE(rig.window->KeyboardImage(), nullptr);
  ASSERT_EQ(rig.window->KeyboardImage()->Keys().size(), 104u);
  const std::vector<std::string> caps = LegendsThatDoNotFit(*rig.window->KeyboardImage());
  EXPECT_TRUE(caps.empty()) << "key caps:" << Lines(caps);
  std::unique_ptr<ui::AboutBox> about =
      ui::AboutBox::Create(rig.loader, ShippedPackage(), nullptr, rig.folder.Path(), rig.folder.Path());
  ASSERT_NE(about, nullptr);
  const std::vector<std::string> aboutMisfits = TextsThatDoNotFit(about->Dialog());
  EXPECT_TRUE(aboutMisfits.empty()) << "About box:" << Lines(aboutMisfits);
  for (const auto& [caption, text] : MainWindowMessages()) {
    std::unique_ptr<ui::MessageBox> box =
        ui::MessageBox::Create(rig.loader, nullptr, caption, text, ui::MessageButtons::kOkCancel);
    ASSERT_NE(box, nullptr);
    const std::vector<std::string> misfits = TextsThatDoNotFit(box->Dialog());
    EXPECT_TRUE(misfits.empty()) << "message box \"" << text.toStdString() << "\":" << Lines(misfits);
  }
}

TEST(TextFitTest, EveryTextFitsInEnglishAndInChinese) {
  if (!PlatformHasRealFonts()) GTEST_SKIP() << "this platform has no fonts to measure texts with";
  SkinApplied skin;
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.firmwareVersion = 0;  // the longest version line: "Firmware: Early version"
  MainWindowRig rig(spec);
  rig.LoadDataFiles();
  ASSERT_TRUE(rig.Start());
  ExpectEverythingFits(rig, "English");

  rig.Control<QAbstractButton>("zh_cn")->click();
  MainWindowRig::ProcessEvents();
  ASSERT_EQ(rig.Control<QAbstractButton>("btn_restore_factory")->text(), QString::fromUtf8("恢复出厂设置"));
  ExpectEverythingFits(rig, "Chinese");
}

// The work areas (in Qt's pixels, less Windows 11's 48-pixel taskbar) of a 1366x768 screen at
// 125 % and of a 1920x1080 one at 150 %: the window fits each whole, and every text in it still
// fits its box, in both languages.
TEST(WindowFitTest, TheWindowFitsTheWorkAreaOfSmallScreens) {
  EnsureApplication();
  SkinApplied skin;
  for (const auto& [screen, workArea] : std::vector<std::pair<const char*, QRect>>{
           {"1366x768 at 125 %", QRect(0, 0, 1093, 566)}, {"1920x1080 at 150 %", QRect(0, 32, 1280, 672)}}) {
    SCOPED_TRACE(screen);
    MainWindowRig rig;
    ASSERT_TRUE(rig.LoadAndStart());
    rig.window->FitInto(workArea);
    rig.window->show();
    MainWindowRig::ProcessEvents();
    EXPECT_TRUE(workArea.contains(rig.window->frameGeometry()));
    EXPECT_EQ(rig.window->frameGeometry().center(), workArea.center());
    for (QWidget* control : rig.window->Root()->findChildren<QWidget*>()) {
      if (control->isWindow() || !control->isVisibleTo(rig.window.get())) continue;
      const QRect place(control->mapTo(rig.window.get(), QPoint(0, 0)), control->size());
      EXPECT_TRUE(rig.window->rect().contains(place)) << control->objectName().toStdString() << " is cut off";
    }
    const SOUI::CoordButtonImage& image = *rig.window->KeyboardImage();
    for (const model::KeySpot& key : image.Keys()) {
      EXPECT_TRUE(image.rect().contains(image.KeyArea(key))) << "key " << key.id << " is cut off";
    }
    if (!PlatformHasRealFonts()) continue;  // the sizes above hold anyway; texts cannot be measured
    ExpectEverythingFits(rig, "English");
    rig.Control<QAbstractButton>("zh_cn")->click();
    MainWindowRig::ProcessEvents();
    ExpectEverythingFits(rig, "Chinese");
  }
}

// The check itself: a text longer than its control is found, so a cut-off text cannot pass.
TEST(TextFitTest, FindsATextTooLongForItsControl) {
  EnsureApplication();
  SkinApplied skin;
  QWidget root;
  auto* label = new QLabel(QStringLiteral("Restore factory settings and more"), &root);
  label->setObjectName("narrow");
  label->setGeometry(0, 0, 60, 20);
  auto* button = new QPushButton(QStringLiteral("OK"), &root);
  button->setGeometry(0, 30, 96, 30);
  const std::vector<std::string> misfits = TextsThatDoNotFit(&root);
  ASSERT_EQ(misfits.size(), 1u) << Lines(misfits);
  EXPECT_EQ(misfits[0].rfind("narrow \"Restore factory settings and more\" needs ", 0), 0u) << misfits[0];
}

}  // namespace
}  // namespace uitest
