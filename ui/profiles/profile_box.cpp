#include "ui/profiles/profile_box.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QSignalBlocker>

#include "model/profiles/profile_name.h"
#include "ui/profiles/profile_texts.h"
#include "ui/profiles/program_rules_dialog.h"
#include "ui/toolkit/command_menu.h"
#include "ui/toolkit/layout_loader.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {
namespace {

QString FileNameFor(const QString& profileName) {
  QString name = profileName;
  for (QChar& c : name) {
    if (model::IsForbiddenInName(static_cast<wchar_t>(c.unicode()))) c = QLatin1Char('_');
  }
  return name + QStringLiteral(".xml");
}

}  // namespace

ProfileBox::ProfileBox(Dependencies dependencies)
    : dependencies_(std::move(dependencies)),
      menu_(CommandMenu::Load(dependencies_.package, "SMENUEX:menu_profile", dependencies_.owner)) {
  dependencies_.prompts = WithDefaultPrompts(std::move(dependencies_.prompts), dependencies_.loader);
  if (menu_) connect(menu_.get(), &CommandMenu::CommandTriggered, this, &ProfileBox::OnCommand);
  connect(dependencies_.menuButton, &QAbstractButton::clicked, this, [this] {
    if (menu_) menu_->popup(dependencies_.menuButton->mapToGlobal(dependencies_.menuButton->rect().bottomLeft()));
  });
  connect(dependencies_.combo, &QComboBox::currentIndexChanged, this, &ProfileBox::OnComboChanged);
  dependencies_.service.AddListener(this);
  Refill();
}

ProfileBox::~ProfileBox() { dependencies_.service.RemoveListener(this); }

void ProfileBox::OnProfileSwitched(const std::wstring&) { Refill(); }

void ProfileBox::OnProfilesChanged() { Refill(); }

void ProfileBox::Retranslate() { Refill(); }

void ProfileBox::Refill() {
  const std::vector<profiles::Profile> list = dependencies_.service.Profiles();
  const std::wstring active = dependencies_.service.Active();
  {
    const QSignalBlocker quiet(dependencies_.combo);
    dependencies_.combo->clear();
    for (const profiles::Profile& profile : list) {
      dependencies_.combo->addItem(ProfileDisplayName(profile), QString::fromStdWString(profile.id));
      if (profile.id == active) dependencies_.combo->setCurrentIndex(dependencies_.combo->count() - 1);
    }
  }

  CommandMenu* tray = dependencies_.trayMenu;
  if (!tray) return;
  for (QAction* action : trayActions_) delete action;
  trayActions_.clear();
  QAction* first = tray->actions().isEmpty() ? nullptr : tray->actions().front();
  if (!traySeparator_) {
    traySeparator_ = new QAction(tray);
    traySeparator_->setSeparator(true);
    tray->insertAction(first, traySeparator_);
  }
  for (const profiles::Profile& profile : list) {
    auto* action = new QAction(ProfileDisplayName(profile), tray);
    action->setCheckable(true);
    action->setChecked(profile.id == active);
    const std::wstring id = profile.id;
    connect(action, &QAction::triggered, this, [this, id] { SwitchTo(id); });
    tray->insertAction(traySeparator_, action);
    trayActions_.push_back(action);
  }
}

void ProfileBox::OnComboChanged(int index) {
  if (index < 0) return;
  SwitchTo(dependencies_.combo->itemData(index).toString().toStdWString());
}

void ProfileBox::SwitchTo(const std::wstring& id) {
  const profiles::ProfileResult result = dependencies_.service.Switch(id);
  if (result != profiles::ProfileResult::kDone && result != profiles::ProfileResult::kDeferred) {
    Tell(ProfileResultText(result));
    Refill();
  }
}

void ProfileBox::Tell(const QString& text) {
  if (!text.isEmpty()) dependencies_.tell(text, MessageButtons::kOk);
}

QString ProfileBox::NameProblem(const QString& name, const std::optional<std::wstring>& id) const {
  return ProfileResultText(dependencies_.service.CheckName(name.toStdWString(), id));
}

QString ProfileBox::FreeNewName() const {
  for (int number = 2;; ++number) {
    const QString name = Tr("Profile %1").arg(number);
    if (NameProblem(name, std::nullopt).isEmpty()) return name;
  }
}

void ProfileBox::OnCommand(int commandId) {
  switch (commandId) {
    case kCommandNew:
      return NewProfile(false);
    case kCommandCopy:
      return NewProfile(true);
    case kCommandRename:
      return RenameActive();
    case kCommandDelete:
      return DeleteActive();
    case kCommandExport:
      return ExportActive();
    case kCommandImport:
      return Import();
    case kCommandRules:
      return EditRules();
    default:
      return;
  }
}

void ProfileBox::NewProfile(bool copyActive) {
  QString initial = FreeNewName();
  if (copyActive) {
    const profiles::Profile active{dependencies_.service.Active(),
                                   dependencies_.service.NameOf(dependencies_.service.Active())};
    const QString base = ProfileDisplayName(active);
    initial = base;
    for (int number = 2; !NameProblem(initial, std::nullopt).isEmpty(); ++number) {
      initial = QStringLiteral("%1 (%2)").arg(base).arg(number);
    }
  }
  const std::optional<QString> name = dependencies_.prompts.askName(
      dependencies_.owner, Tr(copyActive ? "Copy of this profile" : "New profile"), initial,
      [this](const QString& text) { return NameProblem(text, std::nullopt); });
  if (!name) return;
  std::wstring id;
  const profiles::ProfileResult result = dependencies_.service.Add(name->toStdWString(), copyActive, &id);
  if (result != profiles::ProfileResult::kDone) return Tell(ProfileResultText(result));
  SwitchTo(id);
}

void ProfileBox::RenameActive() {
  const std::wstring id = dependencies_.service.Active();
  const QString current = ProfileDisplayName({id, dependencies_.service.NameOf(id)});
  const std::optional<QString> name = dependencies_.prompts.askName(
      dependencies_.owner, Tr("Rename this profile"), current,
      [this, id](const QString& text) { return NameProblem(text, id); });
  if (!name || *name == current) return;
  Tell(ProfileResultText(dependencies_.service.Rename(id, name->toStdWString())));
}

void ProfileBox::DeleteActive() {
  const std::wstring id = dependencies_.service.Active();
  if (id.empty()) return Tell(ProfileResultText(profiles::ProfileResult::kFirstProfile));
  const QString question = Tr("Delete the profile \"%1\" with its key assignments and lighting?")
                               .arg(ProfileDisplayName({id, dependencies_.service.NameOf(id)}));
  if (dependencies_.tell(question, MessageButtons::kOkCancel) != kMessageOk) return;
  Tell(ProfileResultText(dependencies_.service.Remove(id)));
}

void ProfileBox::ExportActive() {
  const std::wstring id = dependencies_.service.Active();
  const QString name = ProfileDisplayName({id, dependencies_.service.NameOf(id)});
  const std::optional<std::filesystem::path> file =
      dependencies_.prompts.chooseExportFile(dependencies_.owner, FileNameFor(name));
  if (!file) return;
  Tell(ProfileResultText(dependencies_.service.Export(id, *file)));
}

void ProfileBox::Import() {
  const std::optional<std::filesystem::path> file = dependencies_.prompts.chooseImportFile(dependencies_.owner, {});
  if (!file) return;
  const profiles::ProfileService::ImportOutcome outcome = dependencies_.service.Import(*file);
  if (outcome.result != profiles::ProfileResult::kDone) {
    const QString reason = outcome.error.empty() ? ProfileResultText(outcome.result) : Tr(outcome.error.c_str());
    return Tell(reason);
  }
  if (!outcome.renamedGroups.empty()) {
    QString names;
    for (const auto& [from, to] : outcome.renamedGroups) {
      names += QStringLiteral("\n\"%1\" \u2192 \"%2\"").arg(QString::fromStdWString(from), QString::fromStdWString(to));
    }
    Tell(Tr("Macro groups of these names exist already with other steps; the imported ones were added as:") +
         names);
  }
  SwitchTo(outcome.id);
}

void ProfileBox::EditRules() {
  std::unique_ptr<ProgramRulesDialog> dialog =
      ProgramRulesDialog::Create(ProgramRulesDialog::Dependencies{.service = dependencies_.service,
                                                                  .settings = dependencies_.settings,
                                                                  .switcher = dependencies_.switcher,
                                                                  .loader = dependencies_.loader,
                                                                  .chooseProgram = dependencies_.prompts.chooseProgram,
                                                                  .pretendForeground = dependencies_.pretendForeground},
                                 dependencies_.owner);
  if (dialog) dialog->Exec();
}

}  // namespace ui
