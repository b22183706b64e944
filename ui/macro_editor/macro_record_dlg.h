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
// The window is built from the layout "LAYOUT:macro". Results of Exec(): kResultOk ("btnOK"),
// kResultCancel ("btnCancel"), kResultDelete ("btnDelete"); closing the window otherwise gives 0.
#include <chrono>
#include <cstdint>
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
#include "support/clock.h"
#include "ui/macro_editor/key_and_delay_adapter.h"
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

class MacroRecordDlg : public QObject, public IOnMacroGroupClickedListener {
  Q_OBJECT

 public:
  // Asks for the file to import from or export to (`suggestedName`: the group's name on export).
  // Nullopt when the user cancels.
  using FileChooser = std::function<std::optional<std::filesystem::path>(GroupFileAction action,
                                                                         const QString& suggestedName)>;
  // Shows an English message (translated when shown) to the user.
  using MessageSink = std::function<void(const QString& englishText)>;

  struct Dependencies {
    HidUsbFilter::KeyFilterChannel& channel;
    model::MacroLibrary& library;
    const SelectedKeys& selectedKeys;  // owned by the caller, read only
    const model::AppConfig& config;
    ui::LayoutLoader& loader;
    const support::Clock& clock = support::SteadyClock::Instance();
  };

  // Builds the window (owned by this object, child of `owner` for placement), registers the key
  // listener and runs the opening steps. Null, logged, when the layout cannot be built or lacks a
  // control the editor needs.
  static std::unique_ptr<MacroRecordDlg> Create(const Dependencies& dependencies, QWidget* owner = nullptr);
  // Unregisters the key listener, then restarts the channel's monitoring.
  ~MacroRecordDlg() override;
  MacroRecordDlg(const MacroRecordDlg&) = delete;
  MacroRecordDlg& operator=(const MacroRecordDlg&) = delete;

  // Runs the window modally and returns its result.
  int Exec();
  QDialog* Dialog() const { return dialog_.get(); }

  void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
  void SetMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }

  // The channel's listener (monitor thread): queues the event to the window thread. Always 1.
  std::int32_t OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down);
  // A key event on the window thread: `code` page << 16 | usage, `down` 1 press, 0 release.
  void HandleKeyEvent(model::KeyCode code, bool down);

  void OnMacroGroupClicked(int index, std::wstring name) override;

  MacroGroupAdapter& GroupAdapter() { return groupAdapter_; }
  KeyAndDelayAdapter& StepAdapter() { return stepAdapter_; }
  // Milliseconds of the clock at the last recorded event; nullopt before the first one.
  std::optional<std::int64_t> LastEventTime() const { return lastEventTime_; }

 private:
  MacroRecordDlg(const Dependencies& dependencies, std::unique_ptr<QDialog> dialog);

  void FindControls();
  void OpenWindow();
  void Connect();
  std::int64_t NowMs() const;

  void OnRecordClicked();
  void OnDelayModeClicked(int mode);
  void OnTabChanged(int page);
  void OnRepeatEdited(const QString& text);
  void OnDelayEdited(const QString& text);
  void OnPlayModeChanged(int index);
  void OnOk();
  void OnGroupAdd();
  void OnGroupDel();
  void OnItemUp();
  void OnItemDown();
  void OnItemDelete();
  void OnItemClear();
  void OnGroupImport();
  void OnGroupExport();
  void OnStepHeaderClicked(int column);

  void CheckDelayMode(int mode);
  // Restarts the channel's monitoring and, when the monitor thread started, sends the mode
  // request. True when it started.
  bool RestartMonitoring();
  void RememberSelectedGroup();
  void SelectGroupRow(int row);
  void Message(const QString& englishText);

  HidUsbFilter::KeyFilterChannel& channel_;
  model::MacroLibrary& library_;
  const SelectedKeys& selectedKeys_;
  const model::AppConfig& config_;
  ui::LayoutLoader& loader_;
  const support::Clock& clock_;

  MacroGroupAdapter groupAdapter_;
  KeyAndDelayAdapter stepAdapter_;
  std::unique_ptr<QDialog> dialog_;

  QListView* groupList_ = nullptr;
  QTableView* stepList_ = nullptr;
  QCheckBox* delayModes_[3] = {nullptr, nullptr, nullptr};  // real, fixed, none
  QLineEdit* repeatEdit_ = nullptr;
  QLineEdit* delayEdit_ = nullptr;
  QCheckBox* recordBox_ = nullptr;
  QCheckBox* singleRecordBox_ = nullptr;
  QLabel* singleKeyText_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QComboBox* mediaKeys_ = nullptr;
  QComboBox* functionKeys_ = nullptr;
  QComboBox* playMode_ = nullptr;

  std::optional<std::int64_t> lastEventTime_;
  bool monitoringRestarted_ = false;  // result of the last restart made by the recording switch
  bool selectingGroup_ = false;       // a selection made by the editor itself, not by the user
  std::vector<SortMark> sortMarks_ = std::vector<SortMark>(KeyAndDelayAdapter::kColumnCount, SortMark::kNone);

  FileChooser chooseFile_;
  MessageSink showMessage_;
};

}  // namespace macro
