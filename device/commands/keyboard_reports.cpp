#include "device/commands/keyboard_reports.h"

namespace device {

namespace {

constexpr std::uint8_t kLightingCommand = 0xFF;
constexpr std::uint8_t kVersionCommand = 0xF1;
constexpr std::uint8_t kFactoryRestoreCommand = 0xF0;
constexpr std::uint8_t kFactoryRestoreConfirm = 0xAA;
constexpr std::uint8_t kSideLightCode = 0x20;

ReportBytes LightingReport() { return {kLightingReportId, kLightingCommand, kLightingCommand, 0, 0, 0, 0, 0}; }

}  // namespace

ReportBytes VersionQuery() { return {kLightingReportId, kVersionCommand, 0, 0, 0, 0, 0, 0}; }

std::uint8_t EffectCode(int effectIndex) {
  return effectIndex == 0 ? 0 : static_cast<std::uint8_t>(effectIndex + 1);
}

std::uint8_t SelectionCode(std::uint8_t selection) {
  return (selection >= 1 && selection <= 3) ? static_cast<std::uint8_t>(selection - 1) : selection;
}

ReportBytes EffectReport(int effectIndex, const model::EffectRecord& record) {
  ReportBytes report = LightingReport();
  report[3] = EffectCode(effectIndex);
  report[4] = record.brightness;
  report[5] = record.speed;
  report[6] = SelectionCode(record.selection);
  return report;
}

ReportBytes SideLightReport(int sideIndex, const model::SideRecord& record) {
  ReportBytes report = LightingReport();
  report[3] = kSideLightCode;
  report[6] = static_cast<std::uint8_t>((record.brightness << 4) | (sideIndex & 0x0F));
  return report;
}

ReportBytes StartupEffectReport(const model::EffectRecord& record) {
  ReportBytes report = LightingReport();
  report[4] = record.brightness;
  report[5] = record.speed;
  report[6] = record.deriction;
  report[7] = record.selection;
  return report;
}

ReportBytes FactoryRestoreReport() {
  return {kLightingReportId, kFactoryRestoreCommand, kFactoryRestoreConfirm, 0, 0, 0, 0, 0};
}

std::int32_t VersionWord(const ReportBytes& answer) { return answer[1] * 256 + answer[2]; }

}  // namespace device
