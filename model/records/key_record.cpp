#include "model/records/key_record.h"

#include <algorithm>

namespace model {

const KeyRecord* FindRecord(const std::vector<KeyRecord>& records, KeyCode code) {
  const auto found =
      std::find_if(records.begin(), records.end(), [code](const KeyRecord& record) { return record.code == code; });
  return found == records.end() ? nullptr : &*found;
}

}  // namespace model
