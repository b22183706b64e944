#pragma once
// The 8-byte reports exchanged with the keyboard, built byte for byte. Byte 0 is always report ID 7.
#include <array>
#include <cstdint>

#include "model/lighting/effect_record.h"
#include "model/lighting/side_record.h"

namespace device {

using ReportBytes = std::array<std::uint8_t, 8>;

inline constexpr std::uint8_t kLightingReportId = 0x07;

// Asks for the firmware version (feature report; the answer comes back on the same report ID).
ReportBytes VersionQuery();

// Main effect `effectIndex` (0 to 19) with its record: effect code, brightness, speed, selection code.
ReportBytes EffectReport(int effectIndex, const model::EffectRecord& record);

// Side effect `sideIndex` (0 to 11): byte 6 holds the brightness in its high nibble and the index
// in its low nibble.
ReportBytes SideLightReport(int sideIndex, const model::SideRecord& record);

// The four bytes of `record` (brightness, speed, deriction, selection) as stored, in bytes 4 to 7.
ReportBytes StartupEffectReport(const model::EffectRecord& record);

// Restores the keyboard's factory settings (output report).
ReportBytes FactoryRestoreReport();

// Effect code of an effect index: 0 for effect 0, index + 1 for the others (code 1 never occurs).
std::uint8_t EffectCode(int effectIndex);

// Selection code of a stored selection: 1 -> 0, 2 -> 1, 3 -> 2, anything else unchanged.
std::uint8_t SelectionCode(std::uint8_t selection);

// The version word of a version answer: byte 1 high, byte 2 low.
std::int32_t VersionWord(const ReportBytes& answer);

}  // namespace device
