#include "ui/macro_editor/macro_record_dlg.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QEventLoop>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>

#include "model/keys/key_catalogue.h"
#include "support/logger.h"
#include "ui/macro_editor/editor_texts.h"
#include "ui/macro_editor/key_record_settings.h"
#include "ui/macro_editor/list_selection.h"
#include "ui/macro_editor/typed_numbers.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/title_row.h"
#include "ui/toolkit/xml_translator.h"

namespace macro {
namespace {

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
  const std::vector<std::string> missing = ui::MissingControls(dialog, EditorControls::Required());
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
    : library_(dependencies.library),
      selectedKeys_(dependencies.selectedKeys),
      openedWith_(model::MacroLibrarySnapshot::Take(dependencies.library)),
      groupAdapter_(dependencies.library),
      stepAdapter_(dependencies.library),
      dialog_(std::move(dialog)),
      controls_(EditorControls::Find(dialog_.get())),
      messages_(dependencies.loader, dialog_.get()),
      listening_(dependencies.channel, dialog_.get(),
                 [this](Listening what, model::KeyCode code, bool down) { OnKeyHeard(what, code, down); }),
      recorder_(dependencies.library, stepAdapter_, controls_.stepList, dependencies.clock),
      groups_(dependencies.library, groupAdapter_, stepAdapter_, controls_.groupList, dependencies.records, messages_),
      steps_(stepAdapter_, controls_.stepList, messages_, [this] { groups_.RememberSelectedGroup(); }),
      transfer_(dependencies.library, groupAdapter_, stepAdapter_, groups_, messages_, dialog_.get(),
                dependencies.groupFolder),
      settings_(dependencies.library, dependencies.config, controls_, messages_),
      hideProgram_(dependencies.hideProgram) {
  // From here on the editor swallows every key event: what was held down goes up now.
  if (dependencies.keysTaken) dependencies.keysTaken();
  if (dependencies.showKeyRecord) {
    ShowKeyRecordSettings(library_, dependencies.config, *controls_.playMode, dependencies.keyRecord);
  }
  openedSize_ = dialog_->size();
  OpenWindow();
}

MacroRecordDlg::~MacroRecordDlg() {
  if (!settled_) OnFinished(dialog_->result());
}

int MacroRecordDlg::Exec() {
  // Not QDialog::exec(): hiding the dialog ends that loop, and the program hides the editor while
  // it is put away in the notification area. This loop ends with a result only.
  dialog_->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  connect(dialog_.get(), &QDialog::finished, &loop, &QEventLoop::quit);
  dialog_->show();
  if (!settled_) loop.exec(QEventLoop::DialogExec);
  return dialog_->result();
}

void MacroRecordDlg::HideWindow() { dialog_->hide(); }

void MacroRecordDlg::ShowInFront() {
  if (settled_) return;
  if (dialog_->isMinimized()) {
    dialog_->showNormal();
  } else {
    dialog_->show();
  }
  dialog_->raise();
  dialog_->activateWindow();
}

void MacroRecordDlg::PutBack() {
  dialog_->showNormal();
  dialog_->resize(openedSize_);
  const QWidget* owner = dialog_->parentWidget();
  QScreen* screen = owner && owner->screen() ? owner->screen() : dialog_->screen();
  const QRect area = screen ? screen->availableGeometry() : QRect();
  QRect frame = dialog_->frameGeometry();
  frame.moveCenter(owner && owner->isVisible() ? owner->frameGeometry().center() : area.center());
  if (area.isValid()) {
    // The title row (which moves the window) stays reachable: on screen whatever the sizes.
    frame.moveRight(std::min(frame.right(), area.right()));
    frame.moveBottom(std::min(frame.bottom(), area.bottom()));
    frame.moveLeft(std::max(frame.left(), area.left()));
    frame.moveTop(std::max(frame.top(), area.top()));
  }
  dialog_->move(frame.topLeft());
  dialog_->raise();
  dialog_->activateWindow();
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
  QTableView* stepList = controls_.stepList;
  stepList->setModel(&stepAdapter_);
  stepList->setSelectionBehavior(QAbstractItemView::SelectRows);
  stepList->setSelectionMode(QAbstractItemView::SingleSelection);
  stepList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
  stepList->horizontalHeader()->setSortIndicatorShown(false);
  stepList->horizontalHeader()->setSectionsClickable(true);
  FitStepColumns();

  // The group list; the selected group's row is selected without telling anyone.
  groupAdapter_.SetListener(this);
  controls_.groupList->setModel(&groupAdapter_);
  controls_.groupList->setSelectionMode(QAbstractItemView::SingleSelection);
  controls_.groupList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  if (library_.group < 0 || library_.group > library_.GroupCount()) library_.group = 0;
  groups_.SelectGroupRow(library_.group);
  stepAdapter_.ShowGroup(groupAdapter_.GroupAt(library_.group));  // none when group == count

  recorder_.Reset();

  QStringList keyNames;
  for (const auto& [id, name] : selectedKeys_) keyNames << QString::fromStdWString(name);
  ui::FindControl<QLabel>(dialog_.get(), "text_recording_keys")->setText(keyNames.join(QLatin1Char(',')));

  settings_.Show();
  controls_.singleKeyText->setText(KeyName(library_.skcode));
  controls_.tabs->setCurrentIndex(library_.type);

  controls_.recordBox->setChecked(false);
  controls_.recordBox->setText(ui::Tr("Start record"));

  // The single-key page captures as soon as it shows; its box turns capturing off and on.
  controls_.captureBox->setChecked(library_.type == kPageSingleKey);

  Connect();
  if (Wanted() != Listening::kNothing) UpdateListening();
}

void MacroRecordDlg::FitStepColumns() {
  QHeaderView* header = controls_.stepList->horizontalHeader();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(KeyAndDelayAdapter::kCodeColumn, QHeaderView::ResizeToContents);
  header->setSectionResizeMode(KeyAndDelayAdapter::kNameColumn, QHeaderView::Stretch);
  header->setSectionResizeMode(KeyAndDelayAdapter::kStateColumn, QHeaderView::ResizeToContents);
  header->setSectionResizeMode(KeyAndDelayAdapter::kDelayColumn, QHeaderView::ResizeToContents);
}

void MacroRecordDlg::Connect() {
  QWidget* root = dialog_.get();
  auto onClick = [&](const char* name, QObject* receiver, auto handler) {
    connect(ui::FindControl<QAbstractButton>(root, name), &QAbstractButton::clicked, receiver, handler);
  };
  onClick("btnOK", this, [this] { OnOk(); });
  onClick("btnCancel", root, [this] { dialog_->done(kResultCancel); });
  onClick("btnDelete", root, [this] { dialog_->done(kResultDelete); });
  onClick("btnMin", root, [this] { OnMinimise(); });
  onClick("btnRestore", root, [this] { PutBack(); });
  connect(dialog_.get(), &QDialog::finished, this, &MacroRecordDlg::OnFinished);
  onClick("groupAdd", this, [this] { groups_.Add(); });
  onClick("groupDel", this, [this] { OnGroupDel(); });
  onClick("groupImport", this, [this] { transfer_.Import(); });
  onClick("groupExport", this, [this] { transfer_.Export(); });
  onClick("item_up", this, [this] { steps_.Up(); });
  onClick("item_down", this, [this] { steps_.Down(); });
  onClick("item_delete", this, [this] { steps_.Delete(); });
  onClick("item_clear", this, [this] { steps_.Clear(); });
  onClick("chk_macro_record", this, [this] { OnRecordClicked(); });
  onClick("chk_single_record", this, [this] { UpdateListening(); });
  settings_.Connect();
  connect(controls_.tabs, &QTabWidget::currentChanged, this, &MacroRecordDlg::OnTabChanged);
  // A row picked by the user, with the mouse or the keyboard.
  connect(controls_.groupList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    const int row = groups_.SelectedGroupRow();
    if (!groups_.SelectingGroup() && row >= 0) groupAdapter_.OnRowClicked(row);
  });
  connect(controls_.stepList->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { steps_.OnHeaderClicked(column); });
  connect(&groupAdapter_, &MacroGroupAdapter::RenameRefused, this,
          [this](const QString& reason) { messages_.MessageLater(ui::Tr(reason)); });
  connect(&stepAdapter_, &KeyAndDelayAdapter::DelayRefused, this,
          [this] { messages_.MessageLater(ui::Tr(kDelayRangeText)); });
}

void MacroRecordDlg::OnKeyHeard(Listening what, model::KeyCode code, bool down) {
  const std::wstring name = model::FindKey(code).name;
  if (what == Listening::kCapturing) {
    if (!down) return;  // releases change nothing here
    library_.skcode = code;
    controls_.singleKeyText->setText(QString::fromStdWString(name));
    return;
  }
  recorder_.Record(code, name, down);
}

Listening MacroRecordDlg::Wanted() const {
  const int page = controls_.tabs->currentIndex();
  if (page == kPageMacro && controls_.recordBox->isChecked()) return Listening::kRecording;
  if (page == kPageSingleKey && controls_.captureBox->isChecked()) return Listening::kCapturing;
  return Listening::kNothing;
}

void MacroRecordDlg::UpdateListening() { listening_.Listen(Wanted()); }

void MacroRecordDlg::OnMacroGroupClicked(int index, std::wstring) {
  stepAdapter_.ShowGroup(groupAdapter_.GroupAt(index));
  groups_.RememberSelectedGroup();
}

void MacroRecordDlg::OnRecordClicked() {
  QCheckBox* box = controls_.recordBox;
  if (groups_.SelectedGroupRow() < 0) {
    if (box->isChecked()) messages_.Message(ui::Tr("Select or add a macro group to record into first."));
    box->setChecked(false);
  }
  box->setText(box->isChecked() ? ui::Tr("Stop record") : ui::Tr("Start record"));
  library_.recording = box->isChecked() ? 1 : 0;
  UpdateListening();
}

void MacroRecordDlg::OnTabChanged(int page) {
  // The single-key page captures whenever it shows; the macro page goes on recording when its
  // switch was left on.
  controls_.captureBox->setChecked(page == kPageSingleKey);
  UpdateListening();
  library_.type = page;
  library_.Save();
}

void MacroRecordDlg::OnMinimise() {
  if (hideProgram_) {
    hideProgram_();
  } else {
    dialog_->showMinimized();
  }
}

bool MacroRecordDlg::MayTakeOk() {
  if (controls_.tabs->currentIndex() != kPageMacro) return true;
  QLineEdit* repeat = controls_.repeatEdit;
  if (!ReadRepeatCount(repeat->text().toStdWString())) {
    messages_.Message(ui::Tr(kRepeatRangeText));
    repeat->setFocus();
    repeat->selectAll();
    return false;
  }
  // An empty group would be assigned all the same: the key is then taken and does nothing.
  const int row = groups_.SelectedGroupRow();
  const auto group = row >= 0 ? groupAdapter_.GroupAt(row) : nullptr;
  if (selectedKeys_.empty() || !group || !group->steps.empty()) return true;
  return messages_.Ask(ui::Tr("The macro group \"%1\" has no steps: the key would do nothing when pressed. "
                              "Assign it anyway?")
                           .arg(QString::fromStdWString(group->name)));
}

void MacroRecordDlg::OnOk() {
  if (!MayTakeOk()) return;
  if (!selectedKeys_.empty() && controls_.tabs->currentIndex() < kPageFunctionKey) {
    library_.group = groups_.SelectedGroupRow();
  }
  dialog_->done(kResultOk);
}

void MacroRecordDlg::OnFinished(int result) {
  if (settled_) return;
  settled_ = true;
  listening_.Listen(Listening::kNothing);
  if (result == kResultOk || result == kResultDelete) return;
  // Cancelled: nothing of this opening stays, in memory or in macro.xml.
  stepAdapter_.ShowGroup(nullptr);
  openedWith_.Restore(library_);
  groupAdapter_.Notify();
}

void MacroRecordDlg::OnGroupDel() {
  if (!groups_.Delete()) return;
  if (library_.group < 0 && controls_.recordBox->isChecked()) {
    controls_.recordBox->setChecked(false);  // nothing left to record into
    OnRecordClicked();
  }
}

}  // namespace macro
