#include "model/macro/macro_library.h"

#include <algorithm>
#include <utility>

#include "model/macro/macro_step_xml.h"
#include "model/macro/xml_attributes.h"
#include "model/xml/unreadable_file.h"
#include "model/xml/xml_file.h"
#include "support/logger.h"
#include "support/text.h"

namespace model {
namespace {

bool StepInRange(const MacroGroup& group, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < group.steps.size();
}

void SwapSteps(MacroGroup& group, int first, int second) {
  std::swap(group.steps[static_cast<std::size_t>(first)], group.steps[static_cast<std::size_t>(second)]);
}

MacroGroup ReadGroup(pugi::xml_node element) {
  MacroGroup group;
  group.name = ReadText(element, "name");
  group.steps = ReadMacroSteps(element, StepCodeText::kDecimal);
  return group;
}

}  // namespace

MacroLibrary& MacroLibrary::Instance() {
  static MacroLibrary library;
  return library;
}

void MacroLibrary::Reset() {
  ApplySettings(Settings{});
  groups_.clear();
}

MacroLibrary::Settings MacroLibrary::CurrentSettings() const {
  return Settings{type, repeat, delay, mode, media, function, skcode, group, playValue, play, recording};
}

void MacroLibrary::ApplySettings(const Settings& settings) {
  type = settings.type;
  repeat = settings.repeat;
  delay = settings.delay;
  mode = settings.mode;
  media = settings.media;
  function = settings.function;
  skcode = settings.skcode;
  group = settings.group;
  playValue = settings.playValue;
  play = settings.play;
  recording = settings.recording;
}

void MacroLibrary::ReplaceGroups(const std::vector<MacroGroup>& groups) {
  groups_.clear();
  for (const MacroGroup& group : groups) groups_.push_back(std::make_shared<MacroGroup>(group));
}

bool MacroLibrary::Load(const std::filesystem::path& path) {
  if (path.empty()) return false;
  filePath = path;
  pugi::xml_document document;
  const XmlFileState state = ReadXmlFile(path, document);
  // The next save replaces the file: a version that cannot be read is kept beside it first.
  unreadable_.AfterRead(path, state);
  if (state != XmlFileState::kLoaded) return false;

  groups_.clear();
  ForEachChildElement(document.child("macro"), [&](pugi::xml_node element) {
    groups_.push_back(std::make_shared<MacroGroup>(ReadGroup(element)));
  });

  if (const pugi::xml_node config = document.child("config")) {
    play = ReadSigned(config, "play");
    type = ReadSigned(config, "type");
    repeat = ReadSigned(config, "repeat");
    delay = ReadSigned(config, "delay");
    mode = ReadSigned(config, "mode");
    media = ReadSigned(config, "media");
    function = ReadSigned(config, "function");
    group = ReadSigned(config, "group");
    skcode = static_cast<KeyCode>(ReadSigned(config, "skcode"));
  }
  return true;
}

bool MacroLibrary::Save() const {
  if (filePath.empty()) {
    support::LogFailure("MacroLibrary::Save", "no file path (the library was never loaded)");
    return false;
  }
  if (!unreadable_.MaySave()) return false;
  pugi::xml_document document;
  pugi::xml_node config = document.append_child("config");
  AppendSigned(config, "type", type);
  AppendSigned(config, "repeat", repeat);
  AppendSigned(config, "mode", mode);
  AppendSigned(config, "delay", delay);
  AppendSigned(config, "media", media);
  AppendSigned(config, "function", function);
  AppendSigned(config, "group", group);
  AppendSigned(config, "skcode", static_cast<std::int32_t>(skcode));
  AppendSigned(config, "play", play);

  pugi::xml_node macro = document.append_child("macro");
  for (const auto& entry : groups_) {
    pugi::xml_node element = macro.append_child("group");
    AppendText(element, "name", entry->name);
    AppendMacroSteps(element, entry->steps, StepCodeText::kDecimal);
  }
  return SaveXmlFile(document, filePath);
}

bool MacroLibrary::InRange(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < groups_.size();
}

int MacroLibrary::GroupCount() const { return static_cast<int>(groups_.size()); }

std::shared_ptr<MacroGroup> MacroLibrary::GroupAt(int index) const {
  const int resolved = index < 0 ? group : index;
  return InRange(resolved) ? groups_[static_cast<std::size_t>(resolved)] : nullptr;
}

void MacroLibrary::AddGroup(const std::wstring& stem) {
  auto nameTaken = [this](const std::wstring& candidate) {
    return std::any_of(groups_.begin(), groups_.end(),
                       [&](const auto& existing) { return existing->name == candidate; });
  };
  int n = GroupCount();
  std::wstring name = stem + support::FormatWide(L" %d", n);
  while (nameTaken(name)) name = stem + support::FormatWide(L" %d", ++n);

  auto added = std::make_shared<MacroGroup>();
  added->name = std::move(name);
  groups_.push_back(std::move(added));
  Save();
}

int MacroLibrary::RemoveGroup(int index) {
  if (!InRange(index)) return 0;
  groups_.erase(groups_.begin() + index);
  Save();
  return 1;
}

int MacroLibrary::RenameGroup(int index, const std::wstring& name) {
  if (!InRange(index)) return 0;
  MacroGroup& renamed = *groups_[static_cast<std::size_t>(index)];
  if (renamed.name == name) return 0;
  renamed.name = name;
  Save();
  return 1;
}

void MacroLibrary::AppendStep(const std::shared_ptr<MacroGroup>& target, KeyCode code, int state,
                              int delayMs, const std::wstring& name) {
  if (!target) return;
  target->steps.push_back(MacroStep{code, state, delayMs, name});
}

void MacroLibrary::RemoveStep(const std::shared_ptr<MacroGroup>& target, int index) {
  if (!target || !StepInRange(*target, index)) return;
  target->steps.erase(target->steps.begin() + index);
}

int MacroLibrary::MoveStepUp(const std::shared_ptr<MacroGroup>& target, int index) {
  if (!target || index <= 0 || !StepInRange(*target, index)) return 0;
  SwapSteps(*target, index - 1, index);
  return 1;
}

int MacroLibrary::MoveStepDown(const std::shared_ptr<MacroGroup>& target, int index) {
  if (!target || !StepInRange(*target, index) || static_cast<std::size_t>(index) + 1 >= target->steps.size()) {
    return 0;
  }
  SwapSteps(*target, index, index + 1);
  return 1;
}

void MacroLibrary::ClearSteps(const std::shared_ptr<MacroGroup>& target) {
  if (target) target->steps.clear();
}

}  // namespace model
