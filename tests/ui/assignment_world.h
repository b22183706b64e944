#pragma once
// Key assignment as the program runs it: a click on the keyboard image opens the real macro editor
// modally (its own event loop, the program's message boxes), with the emulated key filter driver,
// the channel and the macro player of the editor world behind it. A script acts in the open
// editor as the user would, and message boxes that open meanwhile are answered as told.
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPoint>
#include <QTimer>
#include <QtTest/QTest>

#include "editor_world.h"
#include "ui/key_assignment/key_assignment.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/message_box.h"

namespace uitest {

// Answers the program's message boxes (the "msgbox" layout) as they open, also inside nested
// event loops, and keeps their texts.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() {
    EnsureApplication();  // a timer made before the application never fires
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start();
  }

  // The answers to the next boxes, in order (ui::kMessageOk or ui::kMessageCancel); OK when none.
  void Answer(std::vector<int> answers) { answers_.assign(answers.begin(), answers.end()); }
  std::vector<QString> texts;

 private:
  void Look() {
    QWidget* box = QApplication::activeModalWidget();
    if (!box || box->objectName() != "msgbox" || !box->isVisible()) return;
    texts.push_back(ui::FindControl<QLabel>(box, "msgtext")->text());
    const int answer = answers_.empty() ? ui::kMessageOk : answers_.front();
    if (!answers_.empty()) answers_.pop_front();
    ui::FindControl<QAbstractButton>(box, answer == ui::kMessageOk ? "btnOK" : "btnCancel")->click();
  }

  QTimer timer_;
  std::deque<int> answers_;
};

class AssignmentWorld : public EditorWorld {
 protected:
  static inline const QPoint kCapsLockSpot{20, 30};
  static inline const QPoint kASpot{50, 30};
  static inline const QPoint kF1Spot{80, 30};

  void SetUp() override {
    EditorWorld::SetUp();
    assignment_ = MakeAssignment(loader_);
    image_->SetListener(assignment_.get());
  }

  // Key assignment of this world, its editor built by `loader`.
  std::unique_ptr<assign::KeyAssignment> MakeAssignment(ui::LayoutLoader& loader) {
    return std::make_unique<assign::KeyAssignment>(assign::KeyAssignment::Dependencies{
        .records = store_,
        .library = library_,
        .config = config_,
        .channel = channel_,
        .image = *image_,
        .player = player_,
        .loader = loader,
        .owner = nullptr,
        .keyboardOpen = [this] { return keyboardOpen_; },
        .tellUser = [this](const QString& text) { told_.push_back(text); }});
  }

  void TearDown() override {
    image_->SetListener(nullptr);
    assignment_.reset();
    EditorWorld::TearDown();
  }

  // What the user does in the open editor; it ends by closing the editor.
  using Script = std::function<void(macro::MacroRecordDlg& editor)>;

  // Clicks a key of the image and runs `script` once the modal editor is up. An editor the script
  // leaves open fails the test and is closed (as the window's close button does).
  void ClickKey(QPoint spot, Script script) {
    auto ran = std::make_shared<bool>(false);
    QTimer::singleShot(0, [this, ran, script] {
      *ran = true;
      macro::MacroRecordDlg* editor = assignment_->Editor();
      if (!editor) {
        ADD_FAILURE() << "no editor opened";
        return;
      }
      if (!PumpUntil([&] { return editor->Dialog()->isVisible(); })) ADD_FAILURE() << "the editor never showed";
      script(*editor);
      if (editor->Dialog()->isVisible()) {
        ADD_FAILURE() << "the script left the editor open";
        editor->Dialog()->done(0);
      }
    });
    QTest::mousePress(image_.get(), Qt::LeftButton, Qt::NoModifier, spot);
    QTest::mouseRelease(image_.get(), Qt::LeftButton, Qt::NoModifier, spot);
    EXPECT_TRUE(*ran) << "the click opened no modal editor";
    EXPECT_EQ(assignment_->Editor(), nullptr) << "the editor is gone once it has closed";
  }

  template <class T>
  static T* Control(macro::MacroRecordDlg& editor, const char* name) {
    T* control = ui::FindControl<T>(editor.Dialog(), name);
    EXPECT_NE(control, nullptr) << name;
    return control;
  }
  static void Click(macro::MacroRecordDlg& editor, const char* name) {
    Control<QAbstractButton>(editor, name)->click();
  }
  static int StepRows(macro::MacroRecordDlg& editor) { return editor.StepAdapter().rowCount(); }

  // A press and a release the editor has recorded (both handled once the step count grew by two).
  void RecordTap(macro::MacroRecordDlg& editor, model::KeyCode key) {
    const int before = StepRows(editor);
    ASSERT_TRUE(Press(key));
    ASSERT_TRUE(Release(key));
    ASSERT_TRUE(PumpUntil([&] { return StepRows(editor) == before + 2; }));
  }

  bool keyboardOpen_ = true;
  std::vector<QString> told_;
  MessageBoxAnswerer boxes_;
  std::unique_ptr<assign::KeyAssignment> assignment_;
};

}  // namespace uitest
