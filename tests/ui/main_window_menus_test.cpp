// What a user meets in the main window's menus and boxes: "Show" at the top of the tray menu, the
// one-time word that the window went to the tray, the About box, and the factory-restore box
// that a stray Return cannot confirm.
#include <fstream>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "main_window_rig.h"
#include "tests/common/temp_folder.h"
#include "ui/main_window/about_box.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/qt_path.h"

namespace uitest {
namespace {

const char* const kCapsLockRecordFile =
    "<?xml version=\"1.0\"?>\n"
    "<record code=\"70039\" play=\"1\" type=\"1\" repeat=\"1\" name=\"Caps Lock\" group=\"Left Shift\">\n"
    "\t<item code=\"700e1\" state=\"0\" delay=\"0\" name=\"\" />\n"
    "</record>\n";

TEST(MainWindowMenusTest, TrayMenuShowsTheWindowFromItsFirstEntryInBothLanguages) {
  MainWindowRig rig;
  rig.trayAvailable = true;
  rig.LoadDataFiles();
  ASSERT_TRUE(rig.Start());
  ui::CommandMenu* menu = rig.window->TrayMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_FALSE(menu->actions().isEmpty());
  QAction* show = menu->actions().first();
  EXPECT_EQ(show, menu->ActionForCommand(ui::CMainDlg::kCommandShow));
  EXPECT_EQ(show->text(), "Show");
  rig.Control<QAbstractButton>("zh_cn")->click();
  MainWindowRig::ProcessEvents();
  EXPECT_EQ(show->text(), QString::fromUtf8("显示"));

  rig.window->ShowAtStart(true);
  ASSERT_FALSE(rig.window->isVisible());
  show->trigger();
  EXPECT_TRUE(rig.window->isVisible());
  EXPECT_FALSE(rig.window->isMinimized());
}

// The first time the window goes behind the tray icon, the icon says where it went; never again,
// also after a restart (a marker in the data folder remembers it).
TEST(MainWindowMenusTest, HidingToTheTrayIsToldOnceAcrossStarts) {
  MainWindowRig rig;
  rig.trayAvailable = true;
  rig.LoadDataFiles();
  for (int start = 0; start < 2; ++start) {
    rig.window.reset();
    ASSERT_TRUE(rig.Start()) << start;
    QSignalSpy notices(rig.window->Tray(), &ui::TrayIcon::NoticeShown);
    rig.window->ShowAtStart(false);
    for (int hide = 0; hide < 2; ++hide) {
      rig.Control<QAbstractButton>("btn_min")->click();
      ASSERT_FALSE(rig.window->isVisible());
      rig.window->BringToFront();
    }
    ASSERT_EQ(notices.size(), start == 0 ? 1 : 0) << start;
    if (start == 0) {
      EXPECT_EQ(notices[0][0].toString(), "Keyboard Configuration");
      EXPECT_TRUE(notices[0][1].toString().startsWith("Keyboard Configuration keeps running in the notification area."))
          << notices[0][1].toString().toStdString();
    }
  }
  EXPECT_TRUE(std::filesystem::exists(rig.folder / ui::CMainDlg::kTrayNoticeMarker));
}

TEST(MainWindowMenusTest, AboutTellsVersionDataFolderAndLicencesInBothLanguages) {
  MainWindowRig rig;
  rig.LoadDataFiles();
  ASSERT_TRUE(rig.Start());
  QAction* about = rig.window->MoreMenu()->ActionForCommand(ui::CMainDlg::kCommandAbout);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->text(), "About");
  about->trigger();
  QDialog* box = rig.window->About();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_TRUE(box->isModal());
  EXPECT_EQ(ui::FindControl<QLabel>(box, "about_version")->text(), QString("Version %1 (Qt %2)").arg("0.1", qVersion()));
  EXPECT_EQ(ui::FindControl<QLineEdit>(box, "about_data_folder")->text(), ui::PathToQString(rig.folder.Path()));
  const QString licences = ui::FindControl<QPlainTextEdit>(box, "about_licences")->toPlainText();
  for (const char* notice : {"GNU Lesser General Public License, version 3", "https://download.qt.io/archive/qt/",
                             "Copyright (C) 2006-2022, by Arseny Kapoulkine", "Permission is hereby granted, free of charge",
                             "GCC Runtime Library Exception"}) {
    EXPECT_TRUE(licences.contains(notice)) << notice;
  }
  ui::FindControl<QAbstractButton>(box, "btn_about_close")->click();
  EXPECT_FALSE(box->isVisible());

  rig.Control<QAbstractButton>("zh_cn")->click();
  MainWindowRig::ProcessEvents();
  EXPECT_EQ(about->text(), QString::fromUtf8("关于"));
  about->trigger();
  box = rig.window->About();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(ui::FindControl<QLabel>(box, "about_version")->text(),
            QString::fromUtf8("版本 %1（Qt %2）").arg("0.1", qVersion()));
  EXPECT_EQ(ui::FindControl<QLabel>(box, "lbl_about_data")->text(), QString::fromUtf8("您的宏、按键设置和灯光设置保存在："));
  box->reject();
}

// The licence texts are found beside the Windows program and where the Debian package puts them.
TEST(MainWindowMenusTest, LicenceTextsAreFoundWhereEachDeliveryPutsThem) {
  testsupport::TempFolder root{"kb_licences"};
  const std::filesystem::path windows = root / "program";
  const std::filesystem::path bin = root / "usr" / "bin";
  const std::filesystem::path copyright = root / "usr" / "share" / "doc" / "kbconfig" / "copyright";
  std::filesystem::create_directories(windows / "licenses");
  std::filesystem::create_directories(bin);
  EXPECT_EQ(ui::LicenceTextsPlace(windows), windows / "licenses");
  EXPECT_EQ(ui::LicenceTextsPlace(bin), std::filesystem::path());
  std::filesystem::create_directories(copyright.parent_path());
  std::ofstream(copyright) << "notices";
  EXPECT_EQ(ui::LicenceTextsPlace(bin), copyright);
}

// Return (or Space) in the restore box takes the safe answer: nothing is removed.
TEST(MainWindowMenusTest, ReturnInTheFactoryRestoreBoxCancels) {
  MainWindowRig rig;
  rig.realMessageBoxes = true;
  rig.WriteFile("record.xml", kCapsLockRecordFile);
  rig.LoadDataFiles();
  ASSERT_TRUE(rig.Start());
  rig.window->show();
  rig.keyboard.ClearReports();
  bool answered = false;
  QTimer::singleShot(0, [&answered] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    QWidget* focus = box->focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus->objectName(), "btnCancel");
    QTest::keyClick(focus, Qt::Key_Return);
    answered = true;
  });
  rig.Control<QAbstractButton>("btn_restore_factory")->click();
  EXPECT_TRUE(answered);
  EXPECT_FALSE(rig.window->IsRestoring());
  EXPECT_EQ(rig.records.Snapshot()->size(), 1u);
  EXPECT_TRUE(rig.SentReports().empty());
}

}  // namespace
}  // namespace uitest
