#pragma once
// The product configuration read from config.xml at start-up.
#include <vector>

#include "model/config/device_selector.h"
#include "model/config/key_entries.h"

namespace model {

struct AppConfig {
  DeviceSelector selector;  // all zero until a config.xml is loaded: no keyboard is chosen then
  bool useChinese = false;
  std::vector<FunKeyEntry> mediaKeys;       // document order; the position is the key's index
  std::vector<CombKeyEntry> functionKeys;   // document order; the position is the key's index

  // The process-wide configuration, created empty on first use.
  static AppConfig& Instance();
};

}  // namespace model
