#pragma once
// A data folder with the stores the program keeps, their settings and a profile service over them,
// loaded as start-up does; and a listener that counts what the service tells.
#include <memory>
#include <string>
#include <vector>

#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "model/settings/settings_store.h"
#include "profiles/profile_service.h"
#include "support/logger.h"
#include "tests/common/temp_folder_test.h"

namespace profilestest {

struct CountingListener : profiles::ProfileListener {
  void OnProfileSwitched(const std::wstring& id) override { switched.push_back(id); }
  void OnProfilesChanged() override { ++changes; }
  std::vector<std::wstring> switched;
  int changes = 0;
};

struct ProfileWorld {
  ProfileWorld() { Start(); }

  // As a new start of the program: settings, the service, the active profile's files.
  void Start() {
    settings.Load(folder / "settings.xml");
    service = std::make_unique<profiles::ProfileService>(
        folder.Path(), profiles::ProfileService::Stores{settings, records, effects, sides, macros});
    const model::ProfileFiles files = service->Catalog().FilesOf(service->Active());
    macros.Load(folder / "macro.xml");
    records.Load(files.records);
    sides.Load(files.sides);
    effects.Load(files.effects);
    service->AddListener(&listener);
  }

  std::string Read(const std::filesystem::path& relative) const { return testsupport::ReadFileText(folder / relative); }

  support::ScopedLogCapture log;
  testsupport::TempFolder folder{"kb_profiles"};
  model::SettingsStore settings;
  model::RecordStore records;
  model::LedEffectStore effects;
  model::SideModelStore sides;
  model::MacroLibrary macros;
  std::unique_ptr<profiles::ProfileService> service;
  CountingListener listener;
};

inline model::KeyRecord Record(model::KeyCode code, int type, int play, std::wstring group,
                               std::vector<model::MacroStep> steps) {
  model::KeyRecord record;
  record.code = code;
  record.type = type;
  record.play = play;
  record.repeat = 1;
  record.name = L"F1";
  record.group = std::move(group);
  record.steps = std::move(steps);
  return record;
}

}  // namespace profilestest
