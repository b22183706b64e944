#pragma once
// Turns the macro editor's settings into the record of one key, and the label the key shows.
#include <optional>
#include <string>

#include "model/config/app_config.h"
#include "model/keys/key_code.h"
#include "model/macro/macro_library.h"
#include "model/records/key_record.h"

namespace assign {

// The record for key `code` named `keyName`, by the library's `type`:
//  0 a copy of the selected group's steps, played by the chosen play value `repeat` times (a
//    count outside 1 to 9999 taken as the nearest bound);
//  1 the captured single key, forwarded in place of the key (play 1);
//  2 the chosen media key, forwarded (play 1);
//  3 the chosen function key: its keys pressed in order (each waiting its delay + 1 ms), then
//    released in the same order (each waiting its delay), played once (play 2).
// Nullopt when the chosen group, media key or function key does not exist, a function key has no
// steps, no single key was captured (code 0), or the type is unknown.
std::optional<model::KeyRecord> BuildKeyRecord(const model::MacroLibrary& library, const model::AppConfig& config,
                                               model::KeyCode code, const std::wstring& keyName);

// The key's name, then " : " and the translated display name when there is one.
std::wstring AssignmentLabel(const std::wstring& keyName, const std::wstring& displayName);

}  // namespace assign
