#pragma once
// The rules' editor: which profile comes with which program in front (by executable name, full
// path, folder or window class), the profile for any other program, and switching on or off. It
// says whether the program in front can be told here at all; where it cannot (a Wayland session,
// a build without a watcher) the rules can still be written, and nothing switches by itself.
//
// Built from the layout "LAYOUT:program_rules". OK writes the settings and lets the switcher
// follow them; Cancel leaves them as they were. In the demo a row below lets the user bring an
// emulated program to the front to try the rules.
#include <functional>
#include <memory>

#include <QObject>

#include "model/settings/settings_store.h"
#include "platform/foreground.h"
#include "profiles/foreground_switcher.h"
#include "profiles/profile_service.h"
#include "ui/profiles/profile_prompts.h"

class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QTableWidget;

namespace ui {

class LayoutLoader;

class ProgramRulesDialog : public QObject {
  Q_OBJECT

 public:
  struct Dependencies {
    profiles::ProfileService& service;
    model::SettingsStore& settings;
    profiles::ForegroundSwitcher& switcher;
    LayoutLoader& loader;
    ProfilePrompts::ChooseFile chooseProgram;
    // Brings an emulated program to the front (the demo); empty hides that row.
    std::function<void(const platform::ForegroundProgram&)> pretendForeground;
  };

  // Null (logged) when the layout cannot be built or lacks a control.
  static std::unique_ptr<ProgramRulesDialog> Create(const Dependencies& dependencies, QWidget* owner);
  ~ProgramRulesDialog() override;

  QDialog* Dialog() const { return dialog_.get(); }
  int Exec();

  // Row operations, as the buttons do them.
  void AddRule(const model::ProgramRule& rule, const QString& chosenProgram = QString());
  void AddChosenProgram();
  void RemoveSelectedRule();
  // The settings as the dialog shows them now.
  model::Settings ShownSettings() const;
  // What OK does: saves the shown settings and refreshes the switcher.
  void Apply();

 private:
  ProgramRulesDialog(const Dependencies& dependencies, std::unique_ptr<QDialog> dialog);
  void FillProfiles(QComboBox* combo, const std::wstring& selected) const;
  void ShowSettings(const model::Settings& settings);
  void ShowWatcherState();
  // A row's match changed: a value filled from a chosen program follows the new match.
  void OnMatchChanged(int row);

  Dependencies dependencies_;
  std::unique_ptr<QDialog> dialog_;
  QCheckBox* switchBox_ = nullptr;
  QLabel* stateText_ = nullptr;
  QLabel* inFrontText_ = nullptr;
  QTableWidget* table_ = nullptr;
  QComboBox* defaultCombo_ = nullptr;
};

}  // namespace ui
