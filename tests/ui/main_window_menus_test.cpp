// What a user meets in the main window's menus and boxes: "Show" at the top of the tray menu, the
// one-time word that the window went to the tray, the About box, and the factory-restore box
// that a stray Return cannot confirm.
#include <fstream>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
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

void SwitchToChinese(MainWindowRig& rig) {
  rig.Control<QAbstractButton>("zh_cn")->click();
  MainWindowRig::ProcessEvents();
}

TEST(MainWindowMenusTest, TrayMenuShowsTheWindowFromItsFirstEntry) {
  MainWindowRig rig;
  rig.trayAvailable = true;
  ASSERT_TRUE(rig.LoadAndStart());
  QAction* show = rig.window->TrayMenu()->actions().value(0);
  ASSERT_EQ(show, rig.window->TrayMenu()->ActionForCommand(ui::CMainDlg::kCommandShow));
  EXPECT_EQ(show->text(), "Show");
  SwitchToChinese(rig);
  EXPECT_EQ(show->text(), QString::fromUtf8("显示"));
  rig.window->ShowAtStart(true);
  ASSERT_FALSE(rig.window->isVisible());
  show->trigger();
  EXPECT_TRUE(rig.window->isVisible());
}

// The first time the window goes behind the tray icon, the icon says where it went; never again,
// also after a restart.
TEST(MainWindowMenusTest, HidingToTheTrayIsToldOnceAcrossStarts) {
  MainWindowRig rig;
  rig.trayAvailable = true;
  rig.LoadDataFiles();
  for (int start = 0; start < 2; ++start) {
    rig.window.reset();
    ASSERT_TRUE(rig.Start());
    QSignalSpy notices(rig.window->Tray(), &ui::TrayIcon::NoticeShown);
    for (int hide = 0; hide < 2; ++hide) {
      rig.window->BringToFront();
      rig.Control<QAbstractButton>("btn_min")->click();
      ASSERT_FALSE(rig.window->isVisible());
    }
    ASSERT_EQ(notices.size(), start == 0 ? 1 : 0) << "start " << start;
    if (start == 0) {
      EXPECT_TRUE(notices[0][1].toString().startsWith("Keyboard Configuration keeps running"));
    }
  }
}

TEST(MainWindowMenusTest, AboutTellsVersionDataFolderAndLicences) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.LoadAndStart());
  QAction* about = rig.window->MoreMenu()->ActionForCommand(ui::CMainDlg::kCommandAbout);
  ASSERT_NE(about, nullptr);
  about->trigger();
  QDialog* box = rig.window->About();
  ASSERT_TRUE(box && box->isVisible() && box->isModal());
  EXPECT_EQ(ui::FindControl<QLabel>(box, "about_version")->text(), QString("Version 0.1 (Qt %1)").arg(qVersion()));
  EXPECT_EQ(ui::FindControl<QLineEdit>(box, "about_data_folder")->text(),
            QDir::toNativeSeparators(ui::PathToQString(rig.folder.Path())));
  const QString licences = ui::FindControl<QPlainTextEdit>(box, "about_licences")->toPlainText();
  for (const char* notice : {"GNU Lesser General Public License, version 3", "https://download.qt.io/archive/qt/",
                             "Copyright (C) 2006-2022, by Arseny Kapoulkine", "Permission is hereby granted"}) {
    EXPECT_TRUE(licences.contains(notice)) << notice;
  }
  ui::FindControl<QAbstractButton>(box, "btn_about_close")->click();
  EXPECT_FALSE(box->isVisible());

  SwitchToChinese(rig);
  EXPECT_EQ(about->text(), QString::fromUtf8("关于"));
  about->trigger();
  EXPECT_EQ(ui::FindControl<QLabel>(rig.window->About(), "about_version")->text(),
            QString::fromUtf8("版本 0.1（Qt %1）").arg(qVersion()));
}

// The full licence texts are found beside the Windows program and where the Debian package puts them.
TEST(MainWindowMenusTest, LicenceTextsAreFoundWhereEachDeliveryPutsThem) {
  testsupport::TempFolder root{"kb_licences"};
  std::filesystem::create_directories(root / "program" / "licenses");
  std::filesystem::create_directories(root / "usr" / "bin");
  EXPECT_EQ(ui::LicenceTextsPlace(root / "program"), root / "program" / "licenses");
  EXPECT_EQ(ui::LicenceTextsPlace(root / "usr" / "bin"), std::filesystem::path());
  std::filesystem::create_directories(root / "usr" / "share" / "doc" / "kbconfig");
  std::ofstream(root / "usr" / "share" / "doc" / "kbconfig" / "copyright") << "notices";
  EXPECT_EQ(ui::LicenceTextsPlace(root / "usr" / "bin"), root / "usr" / "share" / "doc" / "kbconfig" / "copyright");
}

// Return in the restore box takes the safe answer: nothing is removed.
TEST(MainWindowMenusTest, ReturnInTheFactoryRestoreBoxCancels) {
  MainWindowRig rig;
  rig.realMessageBoxes = true;
  rig.WriteFile("record.xml", "<?xml version=\"1.0\"?>\n<record code=\"70039\" play=\"1\" type=\"1\"/>\n");
  ASSERT_TRUE(rig.LoadAndStart());
  bool answered = false;
  QTimer::singleShot(0, [&answered] {
    QWidget* focus = QApplication::activeModalWidget()->focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_Return);
    answered = true;
  });
  rig.Control<QAbstractButton>("btn_restore_factory")->click();
  EXPECT_TRUE(answered);
  EXPECT_FALSE(rig.window->IsRestoring());
  EXPECT_EQ(rig.records.Snapshot()->size(), 1u);
}

}  // namespace
}  // namespace uitest
