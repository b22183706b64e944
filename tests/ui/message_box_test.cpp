#include "ui/toolkit/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "qt_test_app.h"
#include "support/logger.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {
namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::EnsureApplication(); }
  // Clicks a button of the box once it runs modally.
  static void ClickWhenShown(QDialog* dialog, const char* buttonName) {
    QTimer::singleShot(0, dialog, [dialog, buttonName] {
      FindControl<QAbstractButton>(dialog, buttonName)->click();
    });
  }
  LayoutLoader loader_{uitest::ShippedPackage(), uitest::ProgramFolder()};
};

TEST_F(MessageBoxTest, OkOnlyBoxShowsCaptionAndTextAndReturnsOk) {
  auto box = MessageBox::Create(loader_, nullptr, "Warning", "Please insert USB device!", MessageButtons::kOk);
  ASSERT_TRUE(box);
  QDialog* dialog = box->Dialog();
  EXPECT_EQ(FindControl<QLabel>(dialog, "msgtitle")->text(), "Warning");
  EXPECT_EQ(FindControl<QLabel>(dialog, "msgtext")->text(), "Please insert USB device!");
  EXPECT_EQ(dialog->windowTitle(), "Warning");
  EXPECT_TRUE(FindControl<QAbstractButton>(dialog, "btnCancel")->isHidden());
  ClickWhenShown(dialog, "btnOK");
  EXPECT_EQ(box->Exec(), kMessageOk);
}

TEST_F(MessageBoxTest, ShownMessagesAreLoggedAsTheUserReadsThem) {
  support::ScopedLogCapture log;
  QTimer::singleShot(0, [] {
    QWidget* shown = QApplication::activeModalWidget();
    ASSERT_NE(shown, nullptr);
    FindControl<QAbstractButton>(shown, "btnOK")->click();
  });
  EXPECT_EQ(ShowMessageBox(loader_, nullptr, "Warning", "Please insert USB device!", MessageButtons::kOk), kMessageOk);
  EXPECT_EQ(log.Text(), "message box \"Warning\": Please insert USB device!\n");
}

TEST_F(MessageBoxTest, ALongTextMakesTheBoxTallerInsteadOfBeingCutOff) {
  auto shortBox = MessageBox::Create(loader_, nullptr, "Warning", "Please insert USB device!", MessageButtons::kOk);
  ASSERT_TRUE(shortBox);
  const QSize layoutSize = shortBox->Dialog()->size();

  QString text;
  for (int sentence = 0; sentence < 12; ++sentence) text += "A sentence that takes some room in the box. ";
  auto box = MessageBox::Create(loader_, nullptr, "Warning", text, MessageButtons::kOkCancel);
  ASSERT_TRUE(box);
  QDialog* dialog = box->Dialog();
  const QLabel* label = FindControl<QLabel>(dialog, "msgtext");
  EXPECT_GE(label->height(), label->heightForWidth(label->width()));
  EXPECT_GT(dialog->height(), layoutSize.height());
  EXPECT_EQ(dialog->width(), layoutSize.width());
  for (const char* name : {"btnOK", "btnCancel"}) {
    const QWidget* button = FindControl<QAbstractButton>(dialog, name);
    EXPECT_GE(button->y(), label->geometry().bottom()) << name;
    EXPECT_LE(button->geometry().bottom(), dialog->height()) << name;
  }
}

TEST_F(MessageBoxTest, OkCancelBoxReturnsCancelForCancel) {
  QWidget parent;
  auto box = MessageBox::Create(loader_, &parent, "Warning",
                                "All settings will be restored, are you sure you want to continue?",
                                MessageButtons::kOkCancel);
  ASSERT_TRUE(box);
  EXPECT_FALSE(FindControl<QAbstractButton>(box->Dialog(), "btnCancel")->isHidden());
  EXPECT_EQ(box->Dialog()->parentWidget(), &parent);
  ClickWhenShown(box->Dialog(), "btnCancel");
  EXPECT_EQ(box->Exec(), kMessageCancel);
  ClickWhenShown(box->Dialog(), "btnOK");
  EXPECT_EQ(box->Exec(), kMessageOk);
  box.reset();  // the box goes before its parent without a double delete
}

// OK and Cancel asks before something is lost: Return takes Cancel. A box with OK alone takes OK.
TEST_F(MessageBoxTest, ReturnTakesCancelWhereThereIsOneAndOkOtherwise) {
  for (const auto& [buttons, result] : std::vector<std::pair<MessageButtons, int>>{
           {MessageButtons::kOkCancel, kMessageCancel}, {MessageButtons::kOk, kMessageOk}}) {
    auto box = MessageBox::Create(loader_, nullptr, "Warning", "x", buttons);
    ASSERT_TRUE(box);
    QDialog* dialog = box->Dialog();
    QTimer::singleShot(0, dialog, [dialog] {
      QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
    });
    EXPECT_EQ(box->Exec(), result) << (result == kMessageOk ? "OK alone" : "OK and Cancel");
  }
}

TEST_F(MessageBoxTest, ClosingTheBoxOtherwiseCountsAsCancel) {
  auto box = MessageBox::Create(loader_, nullptr, "Warning", "x", MessageButtons::kOkCancel);
  ASSERT_TRUE(box);
  QDialog* dialog = box->Dialog();
  QTimer::singleShot(0, dialog, [dialog] { dialog->reject(); });
  EXPECT_EQ(box->Exec(), kMessageCancel);
}

TEST_F(MessageBoxTest, TextsAreShownInTheCurrentLanguage) {
  LanguageSwitcher switcher(uitest::ShippedPackage());
  ASSERT_TRUE(switcher.Switch("lang_cn"));
  auto box = MessageBox::Create(loader_, nullptr, "Warning", "Please insert USB device", MessageButtons::kOk);
  ASSERT_TRUE(box);
  EXPECT_EQ(FindControl<QLabel>(box->Dialog(), "msgtitle")->text(), QString::fromUtf8("警告"));
  EXPECT_EQ(FindControl<QLabel>(box->Dialog(), "msgtext")->text(), QString::fromUtf8("请插入USB设备"));
  EXPECT_EQ(FindControl<QAbstractButton>(box->Dialog(), "btnOK")->text(), QString::fromUtf8("确定"));
}

// Good news carries the information icon, everything else the warning icon; the skin colours
// the icon by its "messageIcon" property. The box has no system frame: its title row moves it.
TEST_F(MessageBoxTest, IconTellsGoodNewsFromWarningsAndTheBoxHasItsOwnTitleRow) {
  auto warning = MessageBox::Create(loader_, nullptr, "Warning", "Please insert USB device!", MessageButtons::kOk);
  auto news = MessageBox::Create(loader_, nullptr, "Warning", "The firmware is already the latest version.",
                                 MessageButtons::kOk, MessageIcon::kInformation);
  ASSERT_TRUE(warning && news);
  const QLabel* warningIcon = FindControl<QLabel>(warning->Dialog(), "msgicon");
  const QLabel* newsIcon = FindControl<QLabel>(news->Dialog(), "msgicon");
  ASSERT_TRUE(warningIcon && newsIcon);
  EXPECT_EQ(warningIcon->text(), "!");
  EXPECT_EQ(warningIcon->property("messageIcon").toString(), "warning");
  EXPECT_EQ(newsIcon->text(), "i");
  EXPECT_EQ(newsIcon->property("messageIcon").toString(), "information");
  EXPECT_EQ(news->Dialog()->windowTitle(), "Warning");  // the caption stays
  EXPECT_TRUE(news->Dialog()->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(news->Dialog()->findChildren<TitleRowDrag*>().size(), 1u);
}

TEST_F(MessageBoxTest, UnusableLayoutGivesNoBox) {
  ResourcePackage empty;
  EXPECT_FALSE(empty.Open(std::filesystem::temp_directory_path() / "kb_no_such_uires"));
  LayoutLoader loader(empty, uitest::ProgramFolder());
  EXPECT_EQ(MessageBox::Create(loader, nullptr, "Warning", "x", MessageButtons::kOk), nullptr);
}

}  // namespace
}  // namespace ui
