#pragma once
// What one physical key does when pressed: the assignment and the steps it plays.
#include <string>
#include <vector>

#include "model/keys/key_code.h"
#include "model/macro/macro_step.h"

namespace model {

struct KeyRecord {
  KeyCode code = 0;     // the owning key; unique within the store
  int type = 0;         // 0 recorded macro, 1 single key, 2 media key, 3 function key
  int target = 0;       // not stored in the file: 0 after loading
  int play = 0;         // how the playback acts on the steps
  int repeat = 0;
  std::wstring name;    // the owning key's name
  std::wstring group;   // name of what is assigned
  std::vector<MacroStep> steps;

  friend bool operator==(const KeyRecord&, const KeyRecord&) = default;
};

// The record owned by `code` in `records`, or null.
const KeyRecord* FindRecord(const std::vector<KeyRecord>& records, KeyCode code);

}  // namespace model
