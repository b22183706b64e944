#pragma once
// The macro editor: the modal dialog in which the user prepares what the selected keys will do —
// a recorded macro (keystrokes recorded live with measured, fixed or no delays into named macro
// groups), a single other key (captured by pressing it), a media key or a function key. All its
// state lives in the macro library, which therefore remembers the last choices between openings.
//
// Key events reach it through its listener on the key filter channel. The listener sits in front
// of every other one and consumes every event, so while the editor exists the main window's own
// key handling receives nothing. It runs on the channel's monitor thread and only queues the
// event to this object's thread (the window thread), where all the work happens.
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
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QString>

#include "hostdrv/key_filter_channel.h"
#include "model/config/app_config.h"
#include "model/macro/macro_library.h"
#include "model/macro/macro_library_snapshot.h"
#include "model/records/key_record.h"
#include "model/records/record_store.h"
#include "support/clock.h"
#include "ui/macro_editor/key_and_delay_adapter.h"
#include "ui/macro_editor/key_input_guard.h"
#include "ui/macro_editor/macro_group_adapter.h"
#include "ui/macro_editor/macro_group_clicked_listener.h"

class QAbstractItemView;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListView;
class QTabWidget;
class QTableView;
class QWidget;

namespace ui {
class LayoutLoader;
}

namespace macro {

// Key id on the keyboard image (usage id) -> key name, in ascending id order.
using SelectedKeys = std::map<std::int32_t, std::wstring>;

inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;
inline constexpr int kResultDelete = 65596;

// Tab pages of "tab_macro_mode_selection", equal to the library's `type`.
inline constexpr int kPageMacro = 0;
inline constexpr int kPageSingleKey = 1;
inline constexpr int kPageMediaKey = 2;
inline constexpr int kPageFunctionKey = 3;

enum class GroupFileAction { kImport, kExport };

// What the editor listens to the keyboard for.
enum class Listening { kNothing, kRecording, kCapturing };

class MacroRecordDlg : public QObject, public IOnMacroGroupClickedListener {
  Q_OBJECT

 public:
  // Asks for the file to import from or export to (`suggestedName`: the group's name on export).
  // Nullopt when the user cancels.
  using FileChooser = std::function<std::optional<std::filesystem::path>(GroupFileAction action,
                                                                         const QString& suggestedName)>;
  // Shows a text, already in the current language, to the user.
  using MessageSink = std::function<void(const QString& text)>;
  // Asks the user to confirm (OK or Cancel); true for OK.
  using QuestionSink = std::function<bool(const QString& text)>;

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
  };

  // Builds the window (owned by this object, child of `owner` for placement), registers the key
  // listener and runs the opening steps. Null, logged, when the layout cannot be built or lacks a
  // control the editor needs; nothing has been changed then.
  static std::unique_ptr<MacroRecordDlg> Create(const Dependencies& dependencies, QWidget* owner = nullptr);
  // Settles a result that was never given (as closing the window), stops monitoring,
  // unregisters the key listener, then restarts the channel's monitoring (which ends the filter's
  // every-key mode and drops what it queued).
  ~MacroRecordDlg() override;
  MacroRecordDlg(const MacroRecordDlg&) = delete;
  MacroRecordDlg& operator=(const MacroRecordDlg&) = delete;

  // Runs the window modally and returns its result.
  int Exec();
  QDialog* Dialog() const { return dialog_.get(); }

  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  void SetMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }
  void SetQuestionSink(QuestionSink sink) { askUser_ = std::move(sink); }

  // The channel's listener (monitor thread): queues the event to the window thread. Always 1.
  std::int32_t OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down);
  // A key event on the window thread: `code` page << 16 | usage, `down` 1 press, 0 release.
  // Recorded or captured only while the editor listens for it.
  void HandleKeyEvent(model::KeyCode code, bool down);

  void OnMacroGroupClicked(int index, std::wstring name) override;

  MacroGroupAdapter& GroupAdapter() { return groupAdapter_; }
  KeyAndDelayAdapter& StepAdapter() { return stepAdapter_; }
  Listening ListeningFor() const { return listening_; }
  // Milliseconds of the clock at the last recorded event; nullopt before the first one.
  std::optional<std::int64_t> LastEventTime() const { return lastEventTime_; }

 private:
  MacroRecordDlg(const Dependencies& dependencies, std::unique_ptr<QDialog> dialog);

  void FindControls();
  void ShowKeyRecord(const model::KeyRecord* record);
  int GroupShowing(const model::KeyRecord& record);
  void OpenWindow();
  void Connect();
  std::int64_t NowMs() const;

  // What the shown page and its switch ask to listen for.
  Listening Wanted() const;
  // Listens for that (Listen).
  void UpdateListening();
  // Starts or ends listening: a start restarts monitoring and puts the filter in its every-key
  // mode; an end stops monitoring and ends that mode, dropping what was queued. Events queued
  // to this object before a change are not acted on after it.
  void Listen(Listening what);
  void HandleKeyEventOf(std::uint64_t session, model::KeyCode code, bool down);
  void Record(model::KeyCode code, const std::wstring& name, bool down);

  void OnRecordClicked();
  void OnDelayModeClicked(int mode);
  void OnTabChanged(int page);
  void OnRepeatEdited(const QString& text);
  void OnDelayEdited(const QString& text);
  void OnPlayModeChanged(int index);
  void OnOk();
  void OnFinished(int result);
  void OnGroupAdd();
  void OnGroupDel();
  void OnItemUp();
  void OnItemDown();
  void OnItemDelete();
  void OnItemClear();
  void OnGroupImport();
  void OnGroupExport();
  void OnStepHeaderClicked(int column);
  void FitStepColumns();

  void CheckDelayMode(int mode);
  // Restarts the channel's monitoring and, when the monitor thread started, sends the mode
  // request. True when it started.
  bool RestartMonitoring();
  void RememberSelectedGroup();
  void SelectGroupRow(int row);
  // The keys whose records play the group named `name`, joined by ", ".
  QString KeysUsingGroup(const std::wstring& name) const;
  void Message(const QString& text);
  // Shown once the current event is handled (the list views call the adapters from their own
  // handlers, where a modal box must not start).
  void MessageLater(const QString& text);
  bool Ask(const QString& text);

  HidUsbFilter::KeyFilterChannel& channel_;
  model::MacroLibrary& library_;
  const SelectedKeys& selectedKeys_;
  const model::AppConfig& config_;
  ui::LayoutLoader& loader_;
  const support::Clock& clock_;
  const model::RecordStore* records_;
  // The library and macro.xml as they were before the editor changed anything.
  const model::MacroLibrarySnapshot openedWith_;

  MacroGroupAdapter groupAdapter_;
  KeyAndDelayAdapter stepAdapter_;
  std::unique_ptr<QDialog> dialog_;
  KeyInputGuard* keyGuard_ = nullptr;  // owned by the dialog

  QListView* groupList_ = nullptr;
  QTableView* stepList_ = nullptr;
  QCheckBox* delayModes_[3] = {nullptr, nullptr, nullptr};  // real, fixed, none
  QLineEdit* repeatEdit_ = nullptr;
  QLineEdit* delayEdit_ = nullptr;
  QCheckBox* recordBox_ = nullptr;
  QCheckBox* captureBox_ = nullptr;  // "chk_single_record": capturing on the single-key page
  QLabel* singleKeyText_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QComboBox* mediaKeys_ = nullptr;
  QComboBox* functionKeys_ = nullptr;
  QComboBox* playMode_ = nullptr;

  std::optional<std::int64_t> lastEventTime_;
  Listening listening_ = Listening::kNothing;
  // Changes with every start and end of listening; a queued event of another session is dropped.
  std::atomic<std::uint64_t> listenSession_{0};
  bool selectingGroup_ = false;  // a selection made by the editor itself, not by the user
  bool settled_ = false;         // the result has been acted on
  std::vector<SortMark> sortMarks_ = std::vector<SortMark>(KeyAndDelayAdapter::kColumnCount, SortMark::kNone);

  std::deque<QString> laterMessages_;  // MessageLater's, the first of them showing now
  FileChooser chooseFile_;
  MessageSink showMessage_;
  QuestionSink askUser_;
};

}  // namespace macro
