// The macro editor's window beside the main window, opened by a click on a key of the picture as
// the program does: its "–" puts the whole program away and every way back (the tray icon, the
// taskbar, a second start) brings the editor back in front; its "Restore" puts it back on screen.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include "main_window_rig.h"
#include "tests/common/wait_for.h"
#include "ui/macro_editor/macro_record_dlg.h"
#include "ui/toolkit/control_lookup.h"

namespace uitest {
namespace {

using testsupport::WaitFor;

// Clicks the first key of the picture and runs `script` in the modal editor it opens.
void InEditor(MainWindowRig& rig, const std::function<void(macro::MacroRecordDlg&)>& script) {
  bool ran = false;
  QTimer::singleShot(0, [&] {
    ran = true;
    macro::MacroRecordDlg* editor = rig.window->KeyAssignment()->Editor();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(WaitFor([&] { return editor->Dialog()->isVisible(); }));
    script(*editor);
    if (editor->Dialog()->isVisible() || rig.window->KeyAssignment()->Editor()) editor->Dialog()->done(0);
  });
  const model::KeySpot key = rig.window->KeyboardImage()->Keys().front();
  rig.window->OnCoordButtonClick(key.id, key.name, 1, 0, 0, 0);
  EXPECT_TRUE(ran);
}

bool EditorInFront(MainWindowRig& rig, macro::MacroRecordDlg& editor) {
  return WaitFor([&] {
    QApplication::processEvents();
    return editor.Dialog()->isVisible() && !editor.Dialog()->isMinimized() && rig.window->isVisible() &&
           !rig.window->isMinimized() && QApplication::activeModalWidget() == editor.Dialog() &&
           rig.window->FrontWindow() == editor.Dialog();
  });
}

TEST(EditorWindowTest, MinimiseHidesBothAndEveryWayBackBringsTheEditorInFront) {
  struct Case {
    bool tray;
    const char* wayBack;
    std::function<void(MainWindowRig&)> comeBack;
  };
  const std::vector<Case> cases = {
      {true, "a click on the tray icon", [](MainWindowRig& rig) { rig.window->Tray()->ToggleWindow(); }},
      {true, "a second start", [](MainWindowRig& rig) { rig.window->BringToFront(); }},
      {false, "the taskbar", [](MainWindowRig& rig) { rig.window->showNormal(); }},
      {false, "a second start", [](MainWindowRig& rig) { rig.window->BringToFront(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tray ? "tray, " : "no tray, ") + c.wayBack);
    MainWindowRig rig;
    rig.trayAvailable = c.tray;
    ASSERT_TRUE(rig.LoadAndStart());
    rig.window->show();
    InEditor(rig, [&](macro::MacroRecordDlg& editor) {
      ui::FindControl<QAbstractButton>(editor.Dialog(), "btnMin")->click();
      ASSERT_TRUE(WaitFor([&] { return !editor.Dialog()->isVisible(); })) << "the editor went away";
      EXPECT_TRUE(c.tray ? !rig.window->isVisible() : rig.window->isMinimized()) << "so did the main window";
      EXPECT_EQ(rig.window->KeyAssignment()->Editor(), &editor) << "still open";
      EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "nothing blocks the main window meanwhile";

      c.comeBack(rig);
      EXPECT_TRUE(EditorInFront(rig, editor));
      ui::FindControl<QAbstractButton>(editor.Dialog(), "btnCancel")->click();
    });
    EXPECT_EQ(rig.window->KeyAssignment()->Editor(), nullptr);
    EXPECT_EQ(rig.window->FrontWindow(), rig.window.get());
  }
}

TEST(EditorWindowTest, RestorePutsAnEditorMovedAwayBackOnScreenInFront) {
  MainWindowRig rig;
  ASSERT_TRUE(rig.LoadAndStart());
  rig.window->show();
  InEditor(rig, [&](macro::MacroRecordDlg& editor) {
    QDialog* dialog = editor.Dialog();
    const QRect screen = dialog->screen()->availableGeometry();
    const QSize size = dialog->size();
    dialog->resize(size / 2);
    dialog->move(screen.topLeft() - QPoint(5000, 5000));
    ASSERT_FALSE(screen.contains(dialog->frameGeometry().topLeft()));
    ui::FindControl<QAbstractButton>(dialog, "btnRestore")->click();
    EXPECT_TRUE(screen.contains(dialog->frameGeometry().topLeft())) << "its title row is on screen";
    EXPECT_EQ(dialog->size(), size) << "at its own size";
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isMinimized());
    ui::FindControl<QAbstractButton>(dialog, "btnCancel")->click();
  });
}

}  // namespace
}  // namespace uitest
