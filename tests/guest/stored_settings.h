#pragma once
// What the guest tests store in the program's data folder before it starts, and the reports and
// keys that follow from it: a stored effect and side light (and a distinct effect record 0, which
// the start-up effect report carries), A assigned to B (a single key) and C to a macro with delays.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "device/commands/keyboard_reports.h"

namespace kbtest {

inline constexpr std::uint8_t kUsageA = 0x04, kUsageB = 0x05, kUsageC = 0x06, kUsageD = 0x07, kUsageX = 0x1B,
                              kUsageY = 0x1C;

// One step of the macro on C as it should come out: key usage, down, and the wait after it.
struct ExpectedStep {
  std::uint8_t usage;
  bool down;
  int delayMs;
};

struct StoredSettings {
  device::ReportBytes effect;   // the stored effect's report
  device::ReportBytes side;     // the stored side light's report
  device::ReportBytes startup;  // the start-up effect report (effect record 0)
  std::vector<ExpectedStep> macroOnC;
};

// Writes ledeffect.xml, sidemodel.xml and record.xml into `folder` (replacing what is there) and
// returns what the program will send and play, read back from those files.
StoredSettings StoreSettings(const std::filesystem::path& folder);

}  // namespace kbtest
