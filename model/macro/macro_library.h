#pragma once
// The macro editor's settings and the user's macro groups, kept in macro.xml.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "model/keys/key_code.h"
#include "model/macro/delay_ms.h"
#include "model/macro/macro_step.h"
#include "model/xml/unreadable_file.h"

namespace model {

class MacroLibrary {
 public:
  MacroLibrary() = default;
  MacroLibrary(const MacroLibrary&) = delete;
  MacroLibrary& operator=(const MacroLibrary&) = delete;

  // The process-wide library, created with defaults on first request and never freed.
  static MacroLibrary& Instance();

  // Every setting back to its default and no groups; the file path stays so later saves still
  // reach macro.xml. Writes nothing.
  void Reset();
  // Reads `path` (remembered in filePath even when reading fails). False for an empty path or a
  // missing, contentless or unreadable file, which leaves settings and groups as they were. An
  // unreadable file (malformed, or 0 bytes) is first kept beside as macro.xml.bad (see
  // PreserveUnreadableFile); while that copy cannot be made, Save does not write over it.
  bool Load(const std::filesystem::path& path);
  // Writes the whole library to filePath. False when there is no path or the write fails, and
  // (logged) while the file Load could not read has no copy beside it; each save tries again.
  bool Save() const;
  // What the last Load did with a file it could not read (Fate::kNone when there was none).
  const UnreadableFileReport& UnreadableAtLoad() const { return unreadable_.Report(); }

  int GroupCount() const;
  // The group at `index`; a negative index means the group at `group`. Null when out of range.
  // Groups are shared: one held elsewhere stays valid while others are added or removed.
  std::shared_ptr<MacroGroup> GroupAt(int index) const;
  // Appends an empty group named "<stem> <n>" with the first free n from the group count up; saves.
  // The stem is "Group" unless the caller gives it in the user's language.
  void AddGroup(const std::wstring& stem = L"Group");
  // 1 and saved when removed, 0 when `index` is out of range.
  int RemoveGroup(int index);
  // 1 and saved when the name changed, 0 when out of range or the name is the same.
  int RenameGroup(int index, const std::wstring& name);

  // The plain settings below (everything but the groups), as one value.
  struct Settings {
    int type = 0;
    int repeat = 1;
    DelayMs delay = 10;
    int mode = 0;
    int media = 0;
    int function = 0;
    KeyCode skcode = 0;
    int group = 0;
    int playValue = 0;
    int play = 0;
    int recording = 0;
  };
  Settings CurrentSettings() const;
  void ApplySettings(const Settings& settings);
  // Replaces every group by new ones holding copies of `groups`. Nothing is saved.
  void ReplaceGroups(const std::vector<MacroGroup>& groups);

  // Step edits of one group; a null group or an index out of range does nothing. Nothing is saved.
  void AppendStep(const std::shared_ptr<MacroGroup>& target, KeyCode code, int state, int delayMs,
                  const std::wstring& name);
  void RemoveStep(const std::shared_ptr<MacroGroup>& target, int index);
  int MoveStepUp(const std::shared_ptr<MacroGroup>& target, int index);
  int MoveStepDown(const std::shared_ptr<MacroGroup>& target, int index);
  void ClearSteps(const std::shared_ptr<MacroGroup>& target);

  // Settings, set directly by the macro editor (which saves after most changes).
  int type = 0;          // editor page: 0 macro, 1 single key, 2 media key, 3 function key
  int repeat = 1;
  DelayMs delay = 10;    // fixed delay, used when mode is 1
  int mode = 0;          // 0 measured delay, 1 fixed delay, 2 no delay
  int media = 0;
  int function = 0;
  KeyCode skcode = 0;    // key captured for a single-key assignment
  int group = 0;         // selected group, -1 for none
  int playValue = 0;     // not stored
  int play = 0;
  int recording = 0;     // not stored
  std::filesystem::path filePath;

 private:
  bool InRange(int index) const;

  std::vector<std::shared_ptr<MacroGroup>> groups_;
  mutable UnreadableFileGuard unreadable_;
};

}  // namespace model
