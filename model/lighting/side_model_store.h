#pragma once
// The keyboard's side light: 12 side effect records and the chosen one, mirrored in sidemodel.xml.
//
// All members may be called from any thread.
#include <cstdint>

#include "model/lighting/lighting_store.h"
#include "model/lighting/side_record.h"

namespace pugi {
class xml_node;
}

namespace model {

namespace lighting_detail {

// sidemodel.xml: <item brightness/> per record. Loading keeps a brightness's low 3 bits, or makes
// it 0 when bit 3 is set; "sel" outside 0..12 becomes 0.
struct SideModelFile {
  using Record = SideRecord;
  static constexpr int kRecordCount = 12;
  static constexpr std::int32_t kHighestSelected = 12;  // accepted from the file, has no record
  static constexpr std::int32_t kDefaultSelected = 0;

  // Records 0 to 2 brightness 4, the others 7.
  static SideRecord DefaultRecord(int index);
  static void ReadItem(const pugi::xml_node& item, SideRecord& record);
  static void WriteItem(pugi::xml_node item, const SideRecord& record);
};

}  // namespace lighting_detail

// Instantiated once, in the store's .cpp.
extern template class LightingStore<lighting_detail::SideModelFile>;

// Load, Save, Reset, RecordAt, SetRecord, Selected, SetSelected and Path: see LightingStore.
// Reset sets records 0 to 2 to brightness 4, the others to 7, and chooses side effect 0.
class SideModelStore : public LightingStore<lighting_detail::SideModelFile> {
 public:
  static constexpr int kHighestSelected = lighting_detail::SideModelFile::kHighestSelected;

  // The process-wide store, created on first request.
  static SideModelStore& Instance();
};

}  // namespace model
