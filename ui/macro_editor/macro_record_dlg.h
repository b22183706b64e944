#pragma once
// The macro editor: the modal dialog in which the user prepares what the selected keys will do —
// a recorded macro (keystrokes recorded live with measured, fixed or no delays into named macro
// groups), a single other key (captured by pressing it), a media key or a function key. All its
// state lives in the macro library, which therefore remembers the last choices between openings.
//
// Key events reach it through its listener on the key filter channel (KeyListening), which keeps
// them from the main window while the editor exists.
//
// Listening: the editor listens to the keyboard only while it records (macro page, "Start record"
// on, a group selected) or captures a single key (single-key page, "Capture key" on, which it is
// whenever that page is shown). Only then does the filter report every key; when recording or
// capture stops, when the page changes and when the editor closes, that mode ends at once and key
// events queued meanwhile are dropped. While it listens, typed keys never reach the controls.
//
// Cancel (or closing the window) puts the library and macro.xml back exactly as they were when
// the editor opened.
//
// The window is built from the layout "LAYOUT:macro". Results of Exec(): kResultOk ("btnOK"),
// kResultCancel ("btnCancel"), kResultDelete ("btnDelete"); closing the window otherwise gives 0.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QSize>
#include <QString>

#include "hostdrv/key_filter_channel.h"
#include "model/config/app_config.h"
#include "model/macro/macro_library.h"
#include "model/macro/macro_library_snapshot.h"
#include "model/records/key_record.h"
#include "model/records/record_store.h"
#include "support/clock.h"
#include "ui/macro_editor/editor_controls.h"
#include "ui/macro_editor/editor_messages.h"
#include "ui/macro_editor/group_commands.h"
#include "ui/macro_editor/group_transfer.h"
#include "ui/macro_editor/key_and_delay_adapter.h"
#include "ui/macro_editor/key_listening.h"
#include "ui/macro_editor/macro_group_adapter.h"
#include "ui/macro_editor/macro_group_clicked_listener.h"
#include "ui/macro_editor/macro_pages.h"
#include "ui/macro_editor/settings_fields.h"
#include "ui/macro_editor/step_commands.h"
#include "ui/macro_editor/step_recorder.h"

class QDialog;
class QWidget;

namespace ui {
class LayoutLoader;
}

namespace macro {

// Key id on the keyboard image (usage id) -> key name, in ascending id order.
using SelectedKeys = std::map<std::int32_t, std::wstring>;

class MacroRecordDlg : public QObject, public IOnMacroGroupClickedListener {
  Q_OBJECT

 public:
  using FileChooser = GroupTransfer::FileChooser;
  using MessageSink = EditorMessages::MessageSink;
  using QuestionSink = EditorMessages::QuestionSink;

  struct Dependencies {
    HidUsbFilter::KeyFilterChannel& channel;
    model::MacroLibrary& library;
    const SelectedKeys& selectedKeys;  // owned by the caller, read only
    const model::AppConfig& config;
    ui::LayoutLoader& loader;
    const support::Clock& clock = support::SteadyClock::Instance();
    // When set, the editor opens showing this assignment of the selected key instead of the
    // library's last settings: `keyRecord` (its kind, group and steps or target, play mode and
    // repeat count), or a blank macro page when it is null (the key has no record).
    bool showKeyRecord = false;
    const model::KeyRecord* keyRecord = nullptr;
    // The records, to name the keys that use a group the user is about to delete. May be null.
    const model::RecordStore* records = nullptr;
    // Called once the editor's listener is in front of all others and before the editor opens:
    // whatever the keys held down until now keep pressed is to be released here (the editor will
    // swallow their releases).
    std::function<void()> keysTaken = nullptr;
    // Puts the whole program away (the editor's "–" button): the owner hides its window and this
    // one (HideWindow) and brings both back later (ShowInFront). Null: the editor minimises itself.
    std::function<void()> hideProgram = nullptr;
    // Where import and export open, shared by the editor's openings. Null: this opening only.
    GroupFolder* groupFolder = nullptr;
  };

  // Builds the window (owned by this object, child of `owner` for placement), registers the key
  // listener and runs the opening steps. Null, logged, when the layout cannot be built or lacks a
  // control the editor needs; nothing has been changed then.
  static std::unique_ptr<MacroRecordDlg> Create(const Dependencies& dependencies, QWidget* owner = nullptr);
  // Settles a result that was never given (as closing the window), then lets go of the channel
  // (KeyListening).
  ~MacroRecordDlg() override;
  MacroRecordDlg(const MacroRecordDlg&) = delete;
  MacroRecordDlg& operator=(const MacroRecordDlg&) = delete;

  // Runs the window modally and returns its result. Hiding the window (HideWindow) does not end
  // the run: only a result does.
  int Exec();
  QDialog* Dialog() const { return dialog_.get(); }
  // Hides the window while the program is put away; it stays open, and blocks nothing meanwhile.
  void HideWindow();
  // Shows the window again (restored when minimised) in front of its owner, and activates it.
  void ShowInFront();
  // The "Restore" button: the window at its own size, over the middle of its owner (or of the
  // screen), on screen and in front, wherever it was moved.
  void PutBack();

  void SetFileChooser(FileChooser chooser) { transfer_.SetFileChooser(std::move(chooser)); }
  void SetMessageSink(MessageSink sink) { messages_.SetMessageSink(std::move(sink)); }
  void SetQuestionSink(QuestionSink sink) { messages_.SetQuestionSink(std::move(sink)); }

  // The channel's listener (monitor thread): queues the event to the window thread. Always 1.
  std::int32_t OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
    return listening_.OnKeyEvent(page, usage, down);
  }
  // A key event on the window thread: `code` page << 16 | usage, `down` 1 press, 0 release.
  // Recorded or captured only while the editor listens for it.
  void HandleKeyEvent(model::KeyCode code, bool down) { listening_.Deliver(code, down); }

  void OnMacroGroupClicked(int index, std::wstring name) override;

  MacroGroupAdapter& GroupAdapter() { return groupAdapter_; }
  KeyAndDelayAdapter& StepAdapter() { return stepAdapter_; }
  Listening ListeningFor() const { return listening_.What(); }
  // Milliseconds of the clock at the last recorded event; nullopt before the first one.
  std::optional<std::int64_t> LastEventTime() const { return recorder_.LastEventTime(); }

 private:
  MacroRecordDlg(const Dependencies& dependencies, std::unique_ptr<QDialog> dialog);

  void OpenWindow();
  void Connect();
  void FitStepColumns();

  // A key event while listening: captured on the single-key page, recorded on the macro page.
  void OnKeyHeard(Listening what, model::KeyCode code, bool down);
  // What the shown page and its switch ask to listen for.
  Listening Wanted() const;
  void UpdateListening();

  void OnRecordClicked();
  void OnTabChanged(int page);
  void OnMinimise();
  void OnOk();
  // True when OK may close the editor: the repeat count is valid and, when a macro group is to be
  // assigned, it has steps or the user wants it anyway.
  bool MayTakeOk();
  void OnFinished(int result);
  void OnGroupDel();

  model::MacroLibrary& library_;
  const SelectedKeys& selectedKeys_;
  // The library and macro.xml as they were before the editor changed anything.
  const model::MacroLibrarySnapshot openedWith_;

  MacroGroupAdapter groupAdapter_;
  KeyAndDelayAdapter stepAdapter_;
  std::unique_ptr<QDialog> dialog_;
  const EditorControls controls_;
  EditorMessages messages_;
  KeyListening listening_;
  StepRecorder recorder_;
  GroupCommands groups_;
  StepCommands steps_;
  GroupTransfer transfer_;
  SettingsFields settings_;
  std::function<void()> hideProgram_;
  QSize openedSize_;  // the layout's size, which Restore brings back
  bool settled_ = false;  // the result has been acted on
};

}  // namespace macro
