#pragma once
// Opening the macro editor on a key's assignment: the library's settings are set to show what the
// key does now, in place of the last choices.
#include "model/config/app_config.h"
#include "model/macro/macro_library.h"
#include "model/records/key_record.h"

class QComboBox;

namespace macro {

// Sets the library's page, group, repeat count, play entry (found by its value in `playMode`),
// single key, media and function key to those of `record`. A null record (the key has none), or
// one of a kind this program does not know, gives the blank macro page without a group. A group
// that no longer has the key's name and steps is added back (and saved) so the key's macro shows.
void ShowKeyRecordSettings(model::MacroLibrary& library, const model::AppConfig& config, const QComboBox& playMode,
                           const model::KeyRecord* record);

}  // namespace macro
