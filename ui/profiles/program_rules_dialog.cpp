#include "ui/profiles/program_rules_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "support/logger.h"
#include "ui/profiles/profile_texts.h"
#include "ui/toolkit/control_lookup.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/qt_path.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {
namespace {

constexpr const char* kLayout = "LAYOUT:program_rules";
enum Column { kProfileColumn = 0, kMatchColumn = 1, kValueColumn = 2 };
// The full path of the program a row was filled from, kept on its value cell.
constexpr int kChosenProgramRole = Qt::UserRole + 1;

struct MatchChoice {
  model::ProgramMatch match;
  const char* text;
};
constexpr MatchChoice kMatchChoices[] = {{model::ProgramMatch::kName, "Program name"},
                                         {model::ProgramMatch::kPath, "Full path"},
                                         {model::ProgramMatch::kFolder, "Folder"},
                                         {model::ProgramMatch::kWindowClass, "Window class"}};

const std::vector<RequiredControl>& RequiredControls() {
  static const std::vector<RequiredControl> required = {
      {"lbl_rules_title", "QLabel"},          {"chk_switch_by_program", "QCheckBox"},
      {"text_watcher_state", "QLabel"},       {"tbl_rules", "QTableWidget"},
      {"btn_rule_add", "QAbstractButton"},    {"btn_rule_browse", "QAbstractButton"},
      {"btn_rule_remove", "QAbstractButton"}, {"cbx_default_profile", "QComboBox"},
      {"text_in_front", "QLabel"},            {"lbl_pretend", "QLabel"},
      {"edit_pretend_path", "QLineEdit"},     {"edit_pretend_class", "QLineEdit"},
      {"btn_pretend", "QAbstractButton"},     {"btnOK", "QAbstractButton"},
      {"btnCancel", "QAbstractButton"}};
  return required;
}

// What a rule of `match` holds for the program at `path`.
QString ValueFor(model::ProgramMatch match, const QString& path) {
  const QFileInfo file(path);
  switch (match) {
    case model::ProgramMatch::kName:
      return file.fileName();
    case model::ProgramMatch::kFolder:
      return QDir::toNativeSeparators(file.absolutePath());
    case model::ProgramMatch::kPath:
    case model::ProgramMatch::kWindowClass:
      break;
  }
  return QDir::toNativeSeparators(path);
}

}  // namespace

std::unique_ptr<ProgramRulesDialog> ProgramRulesDialog::Create(const Dependencies& dependencies, QWidget* owner) {
  std::unique_ptr<QWidget> root = dependencies.loader.Load(kLayout);
  auto* dialog = qobject_cast<QDialog*>(root.get());
  const std::vector<std::string> missing = MissingControls(dialog, RequiredControls());
  if (!dialog || !missing.empty()) {
    support::LogFailure("ProgramRulesDialog::Create", std::string(kLayout) + " is not a dialog with its controls");
    return nullptr;
  }
  root.release();
  std::unique_ptr<QDialog> owned(dialog);
  if (owner) owned->setParent(owner, owned->windowFlags() | Qt::Dialog);
  owned->setModal(true);
  UseOwnTitleRow(*owned, FindControl<QLabel>(dialog, "lbl_rules_title"));
  return std::unique_ptr<ProgramRulesDialog>(new ProgramRulesDialog(dependencies, std::move(owned)));
}

ProgramRulesDialog::ProgramRulesDialog(const Dependencies& dependencies, std::unique_ptr<QDialog> dialog)
    : dependencies_(dependencies), dialog_(std::move(dialog)) {
  QDialog* root = dialog_.get();
  switchBox_ = FindControl<QCheckBox>(root, "chk_switch_by_program");
  stateText_ = FindControl<QLabel>(root, "text_watcher_state");
  inFrontText_ = FindControl<QLabel>(root, "text_in_front");
  table_ = FindControl<QTableWidget>(root, "tbl_rules");
  defaultCombo_ = FindControl<QComboBox>(root, "cbx_default_profile");
  table_->horizontalHeader()->setSectionResizeMode(kValueColumn, QHeaderView::Stretch);
  table_->setColumnWidth(kProfileColumn, 170);
  table_->setColumnWidth(kMatchColumn, 150);
  table_->verticalHeader()->hide();

  auto button = [root](const char* name) { return FindControl<QAbstractButton>(root, name); };
  connect(button("btn_rule_add"), &QAbstractButton::clicked, this, [this] {
    AddRule(model::ProgramRule{dependencies_.service.Active(), model::ProgramMatch::kName, L""});
    table_->editItem(table_->item(table_->rowCount() - 1, kValueColumn));
  });
  connect(button("btn_rule_browse"), &QAbstractButton::clicked, this, &ProgramRulesDialog::AddChosenProgram);
  connect(button("btn_rule_remove"), &QAbstractButton::clicked, this, &ProgramRulesDialog::RemoveSelectedRule);
  connect(button("btnOK"), &QAbstractButton::clicked, this, [this] {
    Apply();
    dialog_->accept();
  });
  connect(button("btnCancel"), &QAbstractButton::clicked, dialog_.get(), &QDialog::reject);

  auto* pretendPath = FindControl<QLineEdit>(root, "edit_pretend_path");
  auto* pretendClass = FindControl<QLineEdit>(root, "edit_pretend_class");
  pretendPath->setPlaceholderText(Tr("Program path"));
  pretendClass->setPlaceholderText(Tr("Window class"));
  const bool pretend = static_cast<bool>(dependencies_.pretendForeground);
  for (QWidget* widget : {static_cast<QWidget*>(FindControl<QLabel>(root, "lbl_pretend")),
                          static_cast<QWidget*>(pretendPath), static_cast<QWidget*>(pretendClass),
                          static_cast<QWidget*>(button("btn_pretend"))}) {
    widget->setVisible(pretend);
  }
  connect(button("btn_pretend"), &QAbstractButton::clicked, this, [this, pretendPath, pretendClass] {
    dependencies_.pretendForeground(platform::ForegroundProgram{.executablePath = pretendPath->text().toStdWString(),
                                                                .windowClass = pretendClass->text().toStdWString(),
                                                                .isThisProgram = false});
    ShowWatcherState();
  });

  ShowSettings(dependencies_.settings.Current());
  ShowWatcherState();
}

ProgramRulesDialog::~ProgramRulesDialog() = default;

int ProgramRulesDialog::Exec() { return dialog_->exec(); }

void ProgramRulesDialog::FillProfiles(QComboBox* combo, const std::wstring& selected) const {
  for (const profiles::Profile& profile : dependencies_.service.Profiles()) {
    combo->addItem(ProfileDisplayName(profile), QString::fromStdWString(profile.id));
    if (profile.id == selected) combo->setCurrentIndex(combo->count() - 1);
  }
}

void ProgramRulesDialog::ShowSettings(const model::Settings& settings) {
  switchBox_->setChecked(settings.switchByProgram);
  FillProfiles(defaultCombo_, settings.defaultProfile);
  table_->setRowCount(0);
  for (const model::ProgramRule& rule : settings.rules) AddRule(rule);
}

void ProgramRulesDialog::ShowWatcherState() {
  const platform::ForegroundWatcher& watcher = dependencies_.switcher.Watcher();
  stateText_->setText(ForegroundStateText(watcher.Available(), watcher.Unavailable()));
  const std::optional<platform::ForegroundProgram> last = dependencies_.switcher.LastOtherProgram();
  if (!watcher.Available() || !last) {
    inFrontText_->clear();
    return;
  }
  QString text = Tr("Last program in front") + Tr(": ") + QString::fromStdWString(last->executablePath);
  if (!last->windowClass.empty()) text += QStringLiteral(" (%1)").arg(QString::fromStdWString(last->windowClass));
  inFrontText_->setText(text);
}

void ProgramRulesDialog::AddRule(const model::ProgramRule& rule, const QString& chosenProgram) {
  const int row = table_->rowCount();
  table_->insertRow(row);
  auto* profile = new QComboBox(table_);
  FillProfiles(profile, rule.profile);
  table_->setCellWidget(row, kProfileColumn, profile);

  auto* match = new QComboBox(table_);
  for (const MatchChoice& choice : kMatchChoices) {
    match->addItem(Tr(choice.text), static_cast<int>(choice.match));
    if (choice.match == rule.match) match->setCurrentIndex(match->count() - 1);
  }
  table_->setCellWidget(row, kMatchColumn, match);

  auto* value = new QTableWidgetItem(QString::fromStdWString(rule.value));
  value->setData(kChosenProgramRole, chosenProgram);
  table_->setItem(row, kValueColumn, value);
  connect(match, &QComboBox::currentIndexChanged, this, [this, value] { OnMatchChanged(table_->row(value)); });
}

void ProgramRulesDialog::AddChosenProgram() {
  const std::optional<std::filesystem::path> program = dependencies_.chooseProgram(dialog_.get(), QString());
  if (!program) return;
  const QString path = PathToQString(*program);
  AddRule(model::ProgramRule{dependencies_.service.Active(), model::ProgramMatch::kName,
                             ValueFor(model::ProgramMatch::kName, path).toStdWString()},
          path);
  table_->selectRow(table_->rowCount() - 1);
}

void ProgramRulesDialog::OnMatchChanged(int row) {
  QTableWidgetItem* value = table_->item(row, kValueColumn);
  const auto* match = qobject_cast<QComboBox*>(table_->cellWidget(row, kMatchColumn));
  const QString chosen = value ? value->data(kChosenProgramRole).toString() : QString();
  if (!match || chosen.isEmpty()) return;
  const auto kind = static_cast<model::ProgramMatch>(match->currentData().toInt());
  if (kind != model::ProgramMatch::kWindowClass) value->setText(ValueFor(kind, chosen));
}

void ProgramRulesDialog::RemoveSelectedRule() {
  const int row = table_->currentRow();
  if (row >= 0) table_->removeRow(row);
}

model::Settings ProgramRulesDialog::ShownSettings() const {
  model::Settings settings = dependencies_.settings.Current();
  settings.switchByProgram = switchBox_->isChecked();
  settings.defaultProfile = defaultCombo_->currentData().toString().toStdWString();
  settings.rules.clear();
  for (int row = 0; row < table_->rowCount(); ++row) {
    const auto* profile = qobject_cast<QComboBox*>(table_->cellWidget(row, kProfileColumn));
    const auto* match = qobject_cast<QComboBox*>(table_->cellWidget(row, kMatchColumn));
    const QTableWidgetItem* value = table_->item(row, kValueColumn);
    const QString text = value ? value->text().trimmed() : QString();
    if (!profile || !match || text.isEmpty()) continue;  // an empty rule names nothing
    settings.rules.push_back(model::ProgramRule{profile->currentData().toString().toStdWString(),
                                                static_cast<model::ProgramMatch>(match->currentData().toInt()),
                                                text.toStdWString()});
  }
  return settings;
}

void ProgramRulesDialog::Apply() {
  const model::Settings shown = ShownSettings();
  dependencies_.settings.Change([&shown](model::Settings& settings) {
    settings.switchByProgram = shown.switchByProgram;
    settings.defaultProfile = shown.defaultProfile;
    settings.rules = shown.rules;
  });
  dependencies_.switcher.Refresh();
}

}  // namespace ui
