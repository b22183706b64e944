#include "ui/macro_editor/macro_record_dlg.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMetaObject>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include "hostdrv/filter_requests.h"
#include "model/keys/key_catalogue.h"
#include "model/records/repeat_count.h"
#include "support/logger.h"
#include "ui/macro_editor/group_file.h"
#include "ui/macro_editor/group_names.h"
#include "ui/macro_editor/typed_numbers.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/message_box.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {
namespace {

const std::vector<ui::RequiredControl>& RequiredControls() {
  static const std::vector<ui::RequiredControl> required = {
      {"macro_group", "QListView"},           {"key_info", "QTableView"},
      {"chk_macro_realy_delay", "QCheckBox"}, {"chk_macro_fixed_delay", "QCheckBox"},
      {"chk_macro_no_delay", "QCheckBox"},    {"edit_macro_repeat_times", "QLineEdit"},
      {"edit_macro_delay_time", "QLineEdit"}, {"chk_macro_record", "QCheckBox"},
      {"chk_single_record", "QCheckBox"},     {"edit_single_key", "QLabel"},
      {"tab_macro_mode_selection", "QTabWidget"}, {"cmb_media_keys", "QComboBox"},
      {"cmb_function_keys", "QComboBox"},     {"macro_play_mode", "QComboBox"},
      {"text_recording_keys", "QLabel"},      {"btnOK", "QAbstractButton"},
      {"btnCancel", "QAbstractButton"},       {"btnDelete", "QAbstractButton"},
      {"btnMin", "QAbstractButton"},          {"btnRestore", "QAbstractButton"},
      {"groupAdd", "QAbstractButton"},        {"groupDel", "QAbstractButton"},
      {"groupImport", "QAbstractButton"},     {"groupExport", "QAbstractButton"},
      {"item_up", "QAbstractButton"},         {"item_down", "QAbstractButton"},
      {"item_delete", "QAbstractButton"},     {"item_clear", "QAbstractButton"},
  };
  return required;
}

constexpr const char* kRepeatRangeText = "The repeat count must be a whole number from 1 to 9999.";
constexpr const char* kDelayRangeText = "A delay must be a whole number of milliseconds from 0 to 3600000.";

// The first selected row of a view, -1 when none is selected.
int SelectedRow(const QAbstractItemView* view) {
  const QModelIndexList selected = view->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.first().row();
}

void SelectRow(QAbstractItemView* view, int row) {
  QItemSelectionModel* selection = view->selectionModel();
  if (row < 0 || row >= view->model()->rowCount()) {
    selection->clear();
    return;
  }
  selection->setCurrentIndex(view->model()->index(row, 0),
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QString KeyName(model::KeyCode code) { return QString::fromWCharArray(model::FindKey(code).name); }

}  // namespace

std::unique_ptr<MacroRecordDlg> MacroRecordDlg::Create(const Dependencies& dependencies, QWidget* owner) {
  std::unique_ptr<QWidget> root = dependencies.loader.Load("LAYOUT:macro");
  auto* dialog = qobject_cast<QDialog*>(root.get());
  if (!dialog) {
    support::LogFailure("MacroRecordDlg::Create", root ? "the layout \"LAYOUT:macro\" is not a dialog"
                                                       : dependencies.loader.LastError());
    return nullptr;
  }
  const std::vector<std::string> missing = ui::MissingControls(dialog, RequiredControls());
  if (!missing.empty()) {
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    support::LogFailure("MacroRecordDlg::Create", "the layout \"LAYOUT:macro\" lacks " + names);
    return nullptr;
  }
  root.release();
  std::unique_ptr<QDialog> owned(dialog);
  if (owner) owned->setParent(owner, owned->windowFlags() | Qt::Dialog);
  ui::UseOwnTitleRow(*owned, ui::FindControl<QWidget>(owned.get(), "lbl_macro_title"));
  return std::unique_ptr<MacroRecordDlg>(new MacroRecordDlg(dependencies, std::move(owned)));
}

MacroRecordDlg::MacroRecordDlg(const Dependencies& dependencies, std::unique_ptr<QDialog> dialog)
    : channel_(dependencies.channel),
      library_(dependencies.library),
      selectedKeys_(dependencies.selectedKeys),
      config_(dependencies.config),
      loader_(dependencies.loader),
      clock_(dependencies.clock),
      records_(dependencies.records),
      openedWith_(model::MacroLibrarySnapshot::Take(dependencies.library)),
      groupAdapter_(dependencies.library),
      stepAdapter_(dependencies.library),
      dialog_(std::move(dialog)) {
  FindControls();
  keyGuard_ = new KeyInputGuard(dialog_.get());
  channel_.AddListener(this, &MacroRecordDlg::OnKeyEvent);
  // From here on the editor swallows every key event: what was held down goes up now.
  if (dependencies.keysTaken) dependencies.keysTaken();
  if (dependencies.showKeyRecord) ShowKeyRecord(dependencies.keyRecord);
  OpenWindow();
}

MacroRecordDlg::~MacroRecordDlg() {
  if (!settled_) OnFinished(dialog_->result());
  // Monitoring is stopped before the listener goes, so no key typed while the editor was open
  // reaches the main window's routine: the restart drops whatever waits in the driver. After this
  // no event can be queued to this object; queued ones die with it.
  channel_.StopMonitoring();
  channel_.RemoveListener(this, &MacroRecordDlg::OnKeyEvent);
  channel_.StartMonitoring();
}

int MacroRecordDlg::Exec() { return dialog_->exec(); }

void MacroRecordDlg::FindControls() {
  QWidget* root = dialog_.get();
  groupList_ = ui::FindControl<QListView>(root, "macro_group");
  stepList_ = ui::FindControl<QTableView>(root, "key_info");
  delayModes_[0] = ui::FindControl<QCheckBox>(root, "chk_macro_realy_delay");
  delayModes_[1] = ui::FindControl<QCheckBox>(root, "chk_macro_fixed_delay");
  delayModes_[2] = ui::FindControl<QCheckBox>(root, "chk_macro_no_delay");
  repeatEdit_ = ui::FindControl<QLineEdit>(root, "edit_macro_repeat_times");
  delayEdit_ = ui::FindControl<QLineEdit>(root, "edit_macro_delay_time");
  recordBox_ = ui::FindControl<QCheckBox>(root, "chk_macro_record");
  captureBox_ = ui::FindControl<QCheckBox>(root, "chk_single_record");
  singleKeyText_ = ui::FindControl<QLabel>(root, "edit_single_key");
  tabs_ = ui::FindControl<QTabWidget>(root, "tab_macro_mode_selection");
  mediaKeys_ = ui::FindControl<QComboBox>(root, "cmb_media_keys");
  functionKeys_ = ui::FindControl<QComboBox>(root, "cmb_function_keys");
  playMode_ = ui::FindControl<QComboBox>(root, "macro_play_mode");
}

std::int64_t MacroRecordDlg::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now().time_since_epoch()).count();
}

void MacroRecordDlg::ShowKeyRecord(const model::KeyRecord* record) {
  // Blank: the macro page without a group, the other pages on their first entries.
  library_.type = kPageMacro;
  library_.group = library_.GroupCount();  // a row past the last selects nothing
  library_.repeat = model::kMinRepeatCount;
  library_.play = 0;
  library_.skcode = 0;
  library_.media = 0;
  library_.function = 0;
  if (!record) return;

  const model::KeyCode first = record->steps.empty() ? 0 : record->steps.front().code;
  switch (record->type) {
    case kPageMacro:
      library_.group = GroupShowing(*record);
      library_.repeat = model::ClampRepeatCount(record->repeat);
      library_.play = std::max(0, playMode_->findData(record->play));
      break;
    case kPageSingleKey:
      library_.type = kPageSingleKey;
      library_.skcode = first;
      break;
    case kPageMediaKey: {
      library_.type = kPageMediaKey;
      const auto& media = config_.mediaKeys;
      auto found = std::find_if(media.begin(), media.end(), [&](const auto& entry) { return entry.code == first; });
      if (found == media.end()) {
        found = std::find_if(media.begin(), media.end(), [&](const auto& entry) { return entry.name == record->group; });
      }
      if (found != media.end()) library_.media = static_cast<int>(found - media.begin());
      break;
    }
    case kPageFunctionKey: {
      library_.type = kPageFunctionKey;
      const auto& functions = config_.functionKeys;
      const auto found = std::find_if(functions.begin(), functions.end(),
                                      [&](const auto& entry) { return entry.name == record->group; });
      if (found != functions.end()) library_.function = static_cast<int>(found - functions.begin());
      break;
    }
    default:
      break;  // a kind this program does not know: the blank macro page
  }
}

int MacroRecordDlg::GroupShowing(const model::KeyRecord& record) {
  for (int index = 0; index < library_.GroupCount(); ++index) {
    const auto group = library_.GroupAt(index);
    if (group->name == record.group && group->steps == record.steps) return index;
  }
  // The group the key plays was deleted, renamed or edited since: a group with the key's own steps
  // shows what it plays (gone again on Cancel).
  const std::wstring name = UniqueGroupName(library_, record.group);
  library_.AddGroup();
  const int row = library_.GroupCount() - 1;
  const auto added = library_.GroupAt(row);
  added->name = name;
  added->steps = record.steps;
  library_.Save();
  return row;
}

void MacroRecordDlg::OpenWindow() {
  // No button is pressed by Return but OK: a title-bar button must never be the default.
  for (QPushButton* button : dialog_->findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  if (auto* ok = qobject_cast<QPushButton*>(ui::FindControl<QAbstractButton>(dialog_.get(), "btnOK"))) {
    ok->setDefault(true);
  }

  // The step list and its adapter.
  stepList_->setModel(&stepAdapter_);
  stepList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  stepList_->setSelectionMode(QAbstractItemView::SingleSelection);
  stepList_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::SelectedClicked);
  stepList_->horizontalHeader()->setSortIndicatorShown(false);
  stepList_->horizontalHeader()->setSectionsClickable(true);
  FitStepColumns();

  // The group list; the selected group's row is selected without telling anyone.
  groupAdapter_.SetListener(this);
  groupList_->setModel(&groupAdapter_);
  groupList_->setSelectionMode(QAbstractItemView::SingleSelection);
  groupList_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  if (library_.group < 0 || library_.group > library_.GroupCount()) library_.group = 0;
  SelectGroupRow(library_.group);
  stepAdapter_.ShowGroup(groupAdapter_.GroupAt(library_.group));  // none when group == count

  lastEventTime_.reset();

  QStringList keyNames;
  for (const auto& [id, name] : selectedKeys_) keyNames << QString::fromStdWString(name);
  ui::FindControl<QLabel>(dialog_.get(), "text_recording_keys")->setText(keyNames.join(QLatin1Char(',')));

  if (library_.mode >= 3) {
    library_.mode = 0;
    library_.Save();
  }
  CheckDelayMode(library_.mode);
  singleKeyText_->setText(KeyName(library_.skcode));

  for (const model::FunKeyEntry& entry : config_.mediaKeys) {
    mediaKeys_->addItem(ui::Tr(QString::fromStdWString(entry.name)));
  }
  for (const model::CombKeyEntry& entry : config_.functionKeys) {
    functionKeys_->addItem(ui::Tr(QString::fromStdWString(entry.name)));
  }

  tabs_->setCurrentIndex(library_.type);

  // A stored count outside the range shows (and is used) as its nearest bound.
  library_.repeat = model::ClampRepeatCount(library_.repeat);
  delayEdit_->setText(QString::number(int(library_.delay)));
  repeatEdit_->setText(QString::number(library_.repeat));
  if (library_.mode == 2) delayEdit_->setText(QStringLiteral("0"));
  delayEdit_->setEnabled(library_.mode == 1);

  recordBox_->setChecked(false);
  recordBox_->setText(ui::Tr("Start record"));

  // A play entry that does not exist would leave the play value 0, which plays nothing: the
  // first entry is taken instead.
  if (library_.play < 0 || library_.play >= playMode_->count()) library_.play = 0;
  playMode_->setCurrentIndex(library_.play);
  library_.playValue = playMode_->currentData().toInt();
  functionKeys_->setCurrentIndex(library_.function);
  mediaKeys_->setCurrentIndex(library_.media);

  // The single-key page captures as soon as it shows; its box turns capturing off and on.
  captureBox_->setChecked(library_.type == kPageSingleKey);

  Connect();
  if (Wanted() != Listening::kNothing) UpdateListening();
}

void MacroRecordDlg::FitStepColumns() {
  QHeaderView* header = stepList_->horizontalHeader();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(KeyAndDelayAdapter::kCodeColumn, QHeaderView::ResizeToContents);
  header->setSectionResizeMode(KeyAndDelayAdapter::kNameColumn, QHeaderView::Stretch);
  header->setSectionResizeMode(KeyAndDelayAdapter::kStateColumn, QHeaderView::ResizeToContents);
  header->setSectionResizeMode(KeyAndDelayAdapter::kDelayColumn, QHeaderView::ResizeToContents);
}

void MacroRecordDlg::Connect() {
  QWidget* root = dialog_.get();
  auto onClick = [&](const char* name, void (MacroRecordDlg::*handler)()) {
    connect(ui::FindControl<QAbstractButton>(root, name), &QAbstractButton::clicked, this, handler);
  };
  onClick("btnOK", &MacroRecordDlg::OnOk);
  connect(ui::FindControl<QAbstractButton>(root, "btnCancel"), &QAbstractButton::clicked, dialog_.get(),
          [this] { dialog_->done(kResultCancel); });
  connect(ui::FindControl<QAbstractButton>(root, "btnDelete"), &QAbstractButton::clicked, dialog_.get(),
          [this] { dialog_->done(kResultDelete); });
  connect(ui::FindControl<QAbstractButton>(root, "btnMin"), &QAbstractButton::clicked, dialog_.get(),
          [this] { dialog_->showMinimized(); });
  connect(ui::FindControl<QAbstractButton>(root, "btnRestore"), &QAbstractButton::clicked, dialog_.get(),
          [this] { dialog_->showNormal(); });
  connect(dialog_.get(), &QDialog::finished, this, &MacroRecordDlg::OnFinished);
  onClick("groupAdd", &MacroRecordDlg::OnGroupAdd);
  onClick("groupDel", &MacroRecordDlg::OnGroupDel);
  onClick("groupImport", &MacroRecordDlg::OnGroupImport);
  onClick("groupExport", &MacroRecordDlg::OnGroupExport);
  onClick("item_up", &MacroRecordDlg::OnItemUp);
  onClick("item_down", &MacroRecordDlg::OnItemDown);
  onClick("item_delete", &MacroRecordDlg::OnItemDelete);
  onClick("item_clear", &MacroRecordDlg::OnItemClear);
  onClick("chk_macro_record", &MacroRecordDlg::OnRecordClicked);
  onClick("chk_single_record", &MacroRecordDlg::UpdateListening);
  for (int mode = 0; mode < 3; ++mode) {
    connect(delayModes_[mode], &QAbstractButton::clicked, this, [this, mode] { OnDelayModeClicked(mode); });
  }
  connect(repeatEdit_, &QLineEdit::textEdited, this, &MacroRecordDlg::OnRepeatEdited);
  connect(delayEdit_, &QLineEdit::textEdited, this, &MacroRecordDlg::OnDelayEdited);
  connect(delayEdit_, &QLineEdit::editingFinished, this, [this] {
    if (library_.mode != 1 || ReadDelayInRange(delayEdit_->text().toStdWString())) return;
    delayEdit_->setText(QString::number(int(library_.delay)));
    MessageLater(ui::Tr(kDelayRangeText));
  });
  connect(tabs_, &QTabWidget::currentChanged, this, &MacroRecordDlg::OnTabChanged);
  connect(playMode_, &QComboBox::currentIndexChanged, this, &MacroRecordDlg::OnPlayModeChanged);
  connect(mediaKeys_, &QComboBox::currentIndexChanged, this, [this](int index) {
    library_.media = index;
    library_.Save();
  });
  connect(functionKeys_, &QComboBox::currentIndexChanged, this, [this](int index) {
    library_.function = index;
    library_.Save();
  });
  // A row picked by the user, with the mouse or the keyboard.
  connect(groupList_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    const int row = SelectedRow(groupList_);
    if (!selectingGroup_ && row >= 0) groupAdapter_.OnRowClicked(row);
  });
  connect(stepList_->horizontalHeader(), &QHeaderView::sectionClicked, this, &MacroRecordDlg::OnStepHeaderClicked);
  connect(&groupAdapter_, &MacroGroupAdapter::RenameRefused, this,
          [this](const QString& reason) { MessageLater(ui::Tr(reason)); });
  connect(&stepAdapter_, &KeyAndDelayAdapter::DelayRefused, this, [this] { MessageLater(ui::Tr(kDelayRangeText)); });
}

std::int32_t MacroRecordDlg::OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
  const model::KeyCode code = (page << 16) | (usage & 0xFFFF);
  const bool pressed = down != 0;
  const std::uint64_t session = listenSession_.load();
  QMetaObject::invokeMethod(
      this, [this, session, code, pressed] { HandleKeyEventOf(session, code, pressed); }, Qt::QueuedConnection);
  return 1;
}

void MacroRecordDlg::HandleKeyEvent(model::KeyCode code, bool down) { HandleKeyEventOf(listenSession_.load(), code, down); }

void MacroRecordDlg::HandleKeyEventOf(std::uint64_t session, model::KeyCode code, bool down) {
  // Typed before listening started or after it ended: not the user's input to this editor.
  if (session != listenSession_.load()) return;
  const std::wstring name = model::FindKey(code).name;
  switch (listening_) {
    case Listening::kCapturing:
      if (!down) return;  // releases change nothing here
      library_.skcode = code;
      singleKeyText_->setText(QString::fromStdWString(name));
      return;
    case Listening::kRecording:
      Record(code, name, down);
      return;
    case Listening::kNothing:
      return;
  }
}

void MacroRecordDlg::Record(model::KeyCode code, const std::wstring& name, bool down) {
  const int count = stepAdapter_.rowCount();
  const std::int64_t now = NowMs();
  // The delay the previous step gets: the time since the last event, the fixed delay, or none.
  // Before the first event of this opening the measured gap is unknown; the previous step then
  // keeps its delay instead of getting the whole time since the program started.
  std::optional<int> gap;
  switch (library_.mode) {
    case 0:
      if (lastEventTime_) gap = static_cast<int>(std::min<std::int64_t>(now - *lastEventTime_, kMaxDelayMs));
      break;
    case 1:
      gap = library_.delay;
      break;
    default:
      gap = 0;
      break;
  }
  if (!down && count == 0) return;  // a release cannot start a macro
  if (count >= 1 && gap) stepAdapter_.SetStepDelay(count - 1, *gap);
  stepAdapter_.AppendStep(code, name, down ? 1 : 0, 0);
  if (!down) stepList_->scrollToBottom();
  lastEventTime_ = now;
}

Listening MacroRecordDlg::Wanted() const {
  const int page = tabs_->currentIndex();
  if (page == kPageMacro && recordBox_->isChecked()) return Listening::kRecording;
  if (page == kPageSingleKey && captureBox_->isChecked()) return Listening::kCapturing;
  return Listening::kNothing;
}

void MacroRecordDlg::UpdateListening() { Listen(Wanted()); }

void MacroRecordDlg::Listen(Listening what) {
  // Ending is always carried out: it also stops a monitoring the editor found running.
  if (what == listening_ && what != Listening::kNothing) return;
  ++listenSession_;
  if (what == Listening::kNothing) {
    channel_.EndCaptureEverything();
    listening_ = Listening::kNothing;
  } else {
    listening_ = RestartMonitoring() ? what : Listening::kNothing;
  }
  keyGuard_->SetActive(listening_ != Listening::kNothing);
}

void MacroRecordDlg::OnMacroGroupClicked(int index, std::wstring) {
  stepAdapter_.ShowGroup(groupAdapter_.GroupAt(index));
  RememberSelectedGroup();
}

void MacroRecordDlg::OnRecordClicked() {
  if (SelectedRow(groupList_) < 0) {
    if (recordBox_->isChecked()) Message(ui::Tr("Select or add a macro group to record into first."));
    recordBox_->setChecked(false);
  }
  recordBox_->setText(recordBox_->isChecked() ? ui::Tr("Stop record") : ui::Tr("Start record"));
  library_.recording = recordBox_->isChecked() ? 1 : 0;
  UpdateListening();
}

void MacroRecordDlg::CheckDelayMode(int mode) {
  for (int each = 0; each < 3; ++each) delayModes_[each]->setChecked(each == mode);
}

void MacroRecordDlg::OnDelayModeClicked(int mode) {
  CheckDelayMode(mode);
  library_.mode = mode;
  if (mode == 0) {
    delayEdit_->setEnabled(false);
  } else if (mode == 1) {
    delayEdit_->setEnabled(true);
    delayEdit_->setText(QString::number(int(library_.delay)));
  } else {
    delayEdit_->setText(QStringLiteral("0"));
    delayEdit_->setEnabled(false);
  }
  library_.Save();
}

void MacroRecordDlg::OnTabChanged(int page) {
  // The single-key page captures whenever it shows; the macro page goes on recording when its
  // switch was left on.
  captureBox_->setChecked(page == kPageSingleKey);
  UpdateListening();
  library_.type = page;
  library_.Save();
}

bool MacroRecordDlg::RestartMonitoring() {
  if (channel_.StartMonitoring() == 0) return false;
  const std::uint32_t input = 0;
  channel_.Request(HidUsbFilter::kRequestSetMode, &input, sizeof input, nullptr, 0);
  return true;
}

void MacroRecordDlg::OnRepeatEdited(const QString& text) {
  // Only a count in range is taken; OK says what is wrong with any other text.
  const std::optional<int> count = ReadRepeatCount(text.toStdWString());
  if (!count) return;
  library_.repeat = *count;
  library_.Save();
}

void MacroRecordDlg::OnDelayEdited(const QString& text) {
  if (library_.mode != 1) return;
  const std::optional<int> delay = ReadDelayInRange(text.toStdWString());
  if (!delay) return;  // put back when the field is left
  library_.delay = *delay;
  library_.Save();
}

void MacroRecordDlg::OnPlayModeChanged(int index) {
  library_.play = index;
  library_.playValue = playMode_->itemData(index).toInt();
  library_.Save();
}

void MacroRecordDlg::OnOk() {
  if (tabs_->currentIndex() == kPageMacro && !ReadRepeatCount(repeatEdit_->text().toStdWString())) {
    Message(ui::Tr(kRepeatRangeText));
    repeatEdit_->setFocus();
    repeatEdit_->selectAll();
    return;
  }
  if (!selectedKeys_.empty() && tabs_->currentIndex() < kPageFunctionKey) library_.group = SelectedRow(groupList_);
  dialog_->done(kResultOk);
}

void MacroRecordDlg::OnFinished(int result) {
  if (settled_) return;
  settled_ = true;
  Listen(Listening::kNothing);
  if (result == kResultOk || result == kResultDelete) return;
  // Cancelled: nothing of this opening stays, in memory or in macro.xml.
  stepAdapter_.ShowGroup(nullptr);
  openedWith_.Restore(library_);
  groupAdapter_.Notify();
}

void MacroRecordDlg::OnGroupAdd() {
  groupAdapter_.AddGroup();
  // The new group is the one the user goes on with: selected and shown, ready to record into.
  const int added = groupAdapter_.rowCount() - 1;
  SelectGroupRow(added);
  library_.group = added;
  stepAdapter_.ShowGroup(groupAdapter_.GroupAt(added));
}

void MacroRecordDlg::OnGroupDel() {
  const int removed = SelectedRow(groupList_);
  const auto group = removed >= 0 ? groupAdapter_.GroupAt(removed) : nullptr;
  if (!group) return;
  const QString name = QString::fromStdWString(group->name);
  const QString keys = KeysUsingGroup(group->name);
  if (!keys.isEmpty()) {
    if (!Ask(ui::Tr("The macro group \"%1\" is assigned to %2. Those keys go on playing their own copy of "
                    "its steps. Delete the group?")
                 .arg(name, keys))) {
      return;
    }
  } else if (!group->steps.empty() && !Ask(ui::Tr("Delete the macro group \"%1\" and its steps?").arg(name))) {
    return;
  }
  groupAdapter_.RemoveGroup(removed);
  // The row that took the removed group's place stays selected (the new last row when the last
  // group went), so the group list and the step list keep showing the same group.
  const int count = groupAdapter_.rowCount();
  SelectGroupRow(std::min(removed, count - 1));
  library_.group = SelectedRow(groupList_);
  stepAdapter_.ShowGroup(library_.group >= 0 ? groupAdapter_.GroupAt(library_.group) : nullptr);
  if (library_.group < 0 && recordBox_->isChecked()) {
    recordBox_->setChecked(false);  // nothing left to record into
    OnRecordClicked();
  }
}

void MacroRecordDlg::OnItemUp() {
  const int row = SelectedRow(stepList_);
  if (row > 0 && stepAdapter_.MoveStepUp(row)) SelectRow(stepList_, row - 1);
  RememberSelectedGroup();
}

void MacroRecordDlg::OnItemDown() {
  const int row = SelectedRow(stepList_);
  if (row >= 0 && row < stepAdapter_.rowCount() && stepAdapter_.MoveStepDown(row)) SelectRow(stepList_, row + 1);
  RememberSelectedGroup();
}

void MacroRecordDlg::OnItemDelete() {
  stepAdapter_.RemoveStep(SelectedRow(stepList_));
  RememberSelectedGroup();
}

void MacroRecordDlg::OnItemClear() {
  const auto group = stepAdapter_.ShownGroup();
  if (group && !group->steps.empty() &&
      !Ask(ui::Tr("Remove every step of the macro group \"%1\"?").arg(QString::fromStdWString(group->name)))) {
    return;
  }
  stepAdapter_.ClearSteps();
  RememberSelectedGroup();
}

void MacroRecordDlg::OnStepHeaderClicked(int column) {
  if (!KeyAndDelayAdapter::SortRequest(column, sortMarks_)) return;
  QHeaderView* header = stepList_->horizontalHeader();
  header->setSortIndicatorShown(true);
  header->setSortIndicator(column, sortMarks_[static_cast<std::size_t>(column)] == SortMark::kUp
                                       ? Qt::AscendingOrder
                                       : Qt::DescendingOrder);
}

void MacroRecordDlg::OnGroupImport() {
  const auto path = chooseFile_ ? chooseFile_(GroupFileAction::kImport, QString())
                                : [this]() -> std::optional<std::filesystem::path> {
    const QString chosen = QFileDialog::getOpenFileName(dialog_.get(), ui::Tr("Import"), QString(),
                                                        ui::Tr("Macro group") + QStringLiteral(" (*.xml)"));
    if (chosen.isEmpty()) return std::nullopt;
    return ui::QStringToPath(chosen);
  }();
  if (!path) return;

  model::MacroGroup imported;
  std::string error;
  if (!ImportGroupFile(*path, imported, error)) {
    Message(ui::Tr(error.c_str()));
    return;
  }
  // Named by the file unless that name is blank (then by the library); a name another group has
  // gets a number.
  const bool named = !IsBlankName(imported.name);
  const std::wstring name = named ? UniqueGroupName(library_, imported.name) : std::wstring();
  groupAdapter_.AddGroup();
  const int row = groupAdapter_.rowCount() - 1;
  const auto added = groupAdapter_.GroupAt(row);
  added->steps = std::move(imported.steps);
  if (named) added->name = name;
  library_.group = row;
  library_.Save();
  groupAdapter_.Notify();
  SelectGroupRow(row);
  stepAdapter_.ShowGroup(added);
}

void MacroRecordDlg::OnGroupExport() {
  const int row = SelectedRow(groupList_);
  const auto group = row >= 0 ? groupAdapter_.GroupAt(row) : nullptr;
  if (!group) {
    Message(ui::Tr("Select a macro group to export first."));
    return;
  }
  const QString suggested = QString::fromStdWString(group->name) + QStringLiteral(".xml");
  const auto path = chooseFile_ ? chooseFile_(GroupFileAction::kExport, suggested)
                                : [&]() -> std::optional<std::filesystem::path> {
    const QString chosen = QFileDialog::getSaveFileName(dialog_.get(), ui::Tr("Export"), suggested,
                                                        ui::Tr("Macro group") + QStringLiteral(" (*.xml)"));
    if (chosen.isEmpty()) return std::nullopt;
    return ui::QStringToPath(chosen);
  }();
  if (!path) return;
  if (!ExportGroupFile(*group, *path)) Message(ui::Tr("The macro group could not be saved to this file."));
}

void MacroRecordDlg::RememberSelectedGroup() { library_.group = SelectedRow(groupList_); }

void MacroRecordDlg::SelectGroupRow(int row) {
  selectingGroup_ = true;
  SelectRow(groupList_, row);
  selectingGroup_ = false;
}

QString MacroRecordDlg::KeysUsingGroup(const std::wstring& name) const {
  if (!records_) return {};
  QStringList keys;
  for (const model::KeyRecord& record : *records_->Snapshot()) {
    if (record.type == kPageMacro && record.group == name) keys << QString::fromStdWString(record.name);
  }
  return keys.join(QStringLiteral(", "));
}

void MacroRecordDlg::Message(const QString& text) {
  if (showMessage_) {
    showMessage_(text);
    return;
  }
  ui::ShowMessageBox(loader_, dialog_.get(), QStringLiteral("Warning"), text, ui::MessageButtons::kOk);
}

void MacroRecordDlg::MessageLater(const QString& text) {
  laterMessages_.push_back(text);
  if (laterMessages_.size() > 1) return;  // shown after the ones before it
  QMetaObject::invokeMethod(
      this,
      [this] {
        // One box after the other: a message that comes while one is open waits for it.
        while (!laterMessages_.empty()) {
          Message(laterMessages_.front());
          laterMessages_.pop_front();
        }
      },
      Qt::QueuedConnection);
}

bool MacroRecordDlg::Ask(const QString& text) {
  if (askUser_) return askUser_(text);
  return ui::ShowMessageBox(loader_, dialog_.get(), QStringLiteral("Warning"), text, ui::MessageButtons::kOkCancel) ==
         ui::kMessageOk;
}

}  // namespace macro
