#include "ui/macro_editor/macro_record_dlg.h"

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
#include "model/macro/number_text.h"
#include "support/logger.h"
#include "ui/macro_editor/group_file.h"
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
      groupAdapter_(dependencies.library),
      stepAdapter_(dependencies.library),
      dialog_(std::move(dialog)) {
  FindControls();
  channel_.AddListener(this, &MacroRecordDlg::OnKeyEvent);
  OpenWindow();
}

MacroRecordDlg::~MacroRecordDlg() {
  // After this no event can be queued to this object; queued ones die with it.
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
  singleRecordBox_ = ui::FindControl<QCheckBox>(root, "chk_single_record");
  singleKeyText_ = ui::FindControl<QLabel>(root, "edit_single_key");
  tabs_ = ui::FindControl<QTabWidget>(root, "tab_macro_mode_selection");
  mediaKeys_ = ui::FindControl<QComboBox>(root, "cmb_media_keys");
  functionKeys_ = ui::FindControl<QComboBox>(root, "cmb_function_keys");
  playMode_ = ui::FindControl<QComboBox>(root, "macro_play_mode");
}

std::int64_t MacroRecordDlg::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now().time_since_epoch()).count();
}

void MacroRecordDlg::OpenWindow() {
  // The step list and its adapter.
  stepList_->setModel(&stepAdapter_);
  stepList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  stepList_->setSelectionMode(QAbstractItemView::SingleSelection);
  stepList_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::SelectedClicked);
  stepList_->horizontalHeader()->setSortIndicatorShown(false);
  stepList_->horizontalHeader()->setSectionsClickable(true);

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

  singleRecordBox_->setChecked(false);

  Connect();

  if (library_.type == kPageSingleKey) RestartMonitoring();
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
  onClick("groupAdd", &MacroRecordDlg::OnGroupAdd);
  onClick("groupDel", &MacroRecordDlg::OnGroupDel);
  onClick("groupImport", &MacroRecordDlg::OnGroupImport);
  onClick("groupExport", &MacroRecordDlg::OnGroupExport);
  onClick("item_up", &MacroRecordDlg::OnItemUp);
  onClick("item_down", &MacroRecordDlg::OnItemDown);
  onClick("item_delete", &MacroRecordDlg::OnItemDelete);
  onClick("item_clear", &MacroRecordDlg::OnItemClear);
  onClick("chk_macro_record", &MacroRecordDlg::OnRecordClicked);
  for (int mode = 0; mode < 3; ++mode) {
    connect(delayModes_[mode], &QAbstractButton::clicked, this, [this, mode] { OnDelayModeClicked(mode); });
  }
  connect(repeatEdit_, &QLineEdit::textEdited, this, &MacroRecordDlg::OnRepeatEdited);
  connect(delayEdit_, &QLineEdit::textEdited, this, &MacroRecordDlg::OnDelayEdited);
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
}

std::int32_t MacroRecordDlg::OnKeyEvent(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
  const model::KeyCode code = (page << 16) | (usage & 0xFFFF);
  const bool pressed = down != 0;
  QMetaObject::invokeMethod(this, [this, code, pressed] { HandleKeyEvent(code, pressed); }, Qt::QueuedConnection);
  return 1;
}

void MacroRecordDlg::HandleKeyEvent(model::KeyCode code, bool down) {
  const std::wstring name = model::FindKey(code).name;
  const int page = tabs_->currentIndex();
  if (page == kPageSingleKey) {
    if (!down) return;
    library_.skcode = code;
    singleKeyText_->setText(QString::fromStdWString(name));
    return;
  }
  if (page != kPageMacro || !recordBox_->isChecked()) return;

  const int count = stepAdapter_.rowCount();
  const std::int64_t now = NowMs();
  // The delay the previous step gets: the time since the last event, the fixed delay, or none.
  // Before the first event of this opening the measured gap is unknown; the previous step then
  // keeps its delay instead of getting the whole time since the program started.
  std::optional<int> gap;
  switch (library_.mode) {
    case 0:
      if (lastEventTime_) gap = static_cast<int>(std::min<std::int64_t>(now - *lastEventTime_, INT32_MAX));
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

void MacroRecordDlg::OnMacroGroupClicked(int index, std::wstring) {
  stepAdapter_.ShowGroup(groupAdapter_.GroupAt(index));
  RememberSelectedGroup();
}

void MacroRecordDlg::OnRecordClicked() {
  if (SelectedRow(groupList_) < 0) {
    recordBox_->setChecked(false);
  } else {
    recordBox_->setText(recordBox_->isChecked() ? ui::Tr("Stop record") : ui::Tr("Start record"));
  }
  library_.recording = recordBox_->isChecked() ? 1 : 0;
  if (recordBox_->isChecked()) {
    monitoringRestarted_ = RestartMonitoring();
  } else {
    channel_.StopMonitoring();
    monitoringRestarted_ = false;
  }
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
  if (page == kPageSingleKey) {
    RestartMonitoring();
  } else {
    channel_.StopMonitoring();
    if (page == kPageMacro && monitoringRestarted_) monitoringRestarted_ = RestartMonitoring();
  }
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
  library_.repeat = model::ParseSignedDecimal(text.toStdString());
  library_.Save();
}

void MacroRecordDlg::OnDelayEdited(const QString& text) {
  if (library_.mode != 1) return;
  library_.delay = model::ParseSignedDecimal(text.toStdString());
  library_.Save();
}

void MacroRecordDlg::OnPlayModeChanged(int index) {
  library_.play = index;
  library_.playValue = playMode_->itemData(index).toInt();
  library_.Save();
}

void MacroRecordDlg::OnOk() {
  if (!selectedKeys_.empty() && tabs_->currentIndex() < kPageFunctionKey) library_.group = SelectedRow(groupList_);
  dialog_->done(kResultOk);
}

void MacroRecordDlg::OnGroupAdd() {
  const int selected = SelectedRow(groupList_);
  groupAdapter_.AddGroup();
  if (library_.group < 0 && groupAdapter_.rowCount() > 0) {
    library_.group = 0;
    SelectGroupRow(0);
  } else {
    SelectGroupRow(selected);  // the list was rebuilt; the user's row stays selected
  }
}

void MacroRecordDlg::OnGroupDel() {
  const int removed = SelectedRow(groupList_);
  groupAdapter_.RemoveGroup(removed);
  // The row that took the removed group's place stays selected (the new last row when the last
  // group went), so the group list and the step list keep showing the same group.
  const int count = groupAdapter_.rowCount();
  SelectGroupRow(removed < 0 ? -1 : std::min(removed, count - 1));
  library_.group = SelectedRow(groupList_);
  stepAdapter_.ShowGroup(library_.group >= 0 ? groupAdapter_.GroupAt(library_.group) : nullptr);
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
    Message(QString::fromStdString(error));
    return;
  }
  groupAdapter_.AddGroup();  // named by the library, then given the file's name and steps
  const int row = groupAdapter_.rowCount() - 1;
  const auto added = groupAdapter_.GroupAt(row);
  added->steps = std::move(imported.steps);
  if (!imported.name.empty()) added->name = std::move(imported.name);
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
    Message(QStringLiteral("Select a macro group to export first."));
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
  if (!ExportGroupFile(*group, *path)) Message(QStringLiteral("The macro group could not be saved to this file."));
}

void MacroRecordDlg::RememberSelectedGroup() { library_.group = SelectedRow(groupList_); }

void MacroRecordDlg::SelectGroupRow(int row) {
  selectingGroup_ = true;
  SelectRow(groupList_, row);
  selectingGroup_ = false;
}

void MacroRecordDlg::Message(const QString& englishText) {
  if (showMessage_) {
    showMessage_(englishText);
    return;
  }
  ui::ShowMessageBox(loader_, dialog_.get(), QStringLiteral("Warning"), englishText, ui::MessageButtons::kOk);
}

}  // namespace macro
