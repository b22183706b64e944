#include "platform/sim/sim_keyboard.h"

#include <gtest/gtest.h>

#include <cwctype>

namespace {

using sim::ReceivedReport;

TEST(SimKeyboard, AnswersTheVersionQueryAndRecordsReports) {
  support::ManualClock clock;
  sim::SimHidSystem keyboard(sim::StandardKeyboard(), clock);
  keyboard.SetFirmwareVersion(0x0123);
  std::uint32_t error = 0;
  auto handle = keyboard.Open(sim::kStandardLightingPath, platform::kGenericRead | platform::kGenericWrite, 3, error);
  ASSERT_NE(handle, nullptr);
  std::uint8_t query[8] = {7, 0xF1, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(handle->SetFeature(query, 8));
  std::uint8_t answer[8] = {7};
  ASSERT_TRUE(handle->GetFeature(answer, 8));
  EXPECT_EQ(answer[1], 0x01);
  EXPECT_EQ(answer[2], 0x23);
  const auto reports = keyboard.Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].kind, ReceivedReport::Kind::kSetFeature);
  EXPECT_EQ(reports[0].bytes, std::vector<std::uint8_t>(query, query + 8));
}

TEST(SimKeyboard, PathsAreCaseInsensitiveAndUnplugStalesHandles) {
  sim::SimHidSystem keyboard;
  std::uint32_t error = 0;
  std::wstring upper = sim::kStandardLightingPath;
  for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  auto handle = keyboard.Open(upper, platform::kGenericWrite, 3, error);
  ASSERT_NE(handle, nullptr);

  std::vector<std::pair<platform::DeviceChange, std::wstring>> seen;
  auto subscription = keyboard.WatchInterfaces(
      [&seen](platform::DeviceChange change, const std::wstring& path) { seen.emplace_back(change, path); });
  keyboard.Unplug();
  std::uint8_t report[8] = {7};
  EXPECT_FALSE(handle->SetFeature(report, 8));
  EXPECT_EQ(keyboard.Open(sim::kStandardLightingPath, 0, 3, error), nullptr);
  keyboard.PlugIn();
  EXPECT_FALSE(handle->SetFeature(report, 8));  // the old handle stays dead after re-plugging
  ASSERT_EQ(seen.size(), 6u);                   // three interfaces, out and back in
  EXPECT_EQ(seen.front().first, platform::DeviceChange::kRemoval);
  EXPECT_EQ(seen.back().first, platform::DeviceChange::kArrival);
  EXPECT_EQ(seen.front().second.substr(0, 12), L"\\\\?\\HID#VID_");
}

TEST(SimKeyboard, HeldWriteWaitsOutTheLimitAndTimesOut) {
  support::ManualClock clock;
  sim::SimHidSystem keyboard(sim::StandardKeyboard(), clock);
  keyboard.HoldOutputWrites(true);
  std::uint32_t error = 0;
  auto handle = keyboard.Open(sim::kStandardLightingPath, platform::kGenericWrite, 3, error);
  std::uint8_t report[8] = {7, 0xF0, 0xAA};
  const auto outcome = handle->Write(report, 8, std::chrono::milliseconds(3000));
  EXPECT_EQ(outcome.kind, platform::WriteOutcome::Kind::kTimedOut);
  EXPECT_EQ(clock.TotalSlept(), std::chrono::milliseconds(3000));
  EXPECT_TRUE(keyboard.Reports().empty());
}

TEST(SimKeyboard, RefusingInterfaceReportsAccessDenied) {
  sim::KeyboardSpec spec = sim::StandardKeyboard();
  spec.interfaces[2].opens = false;
  sim::SimHidSystem keyboard(spec);
  std::uint32_t error = 0;
  EXPECT_EQ(keyboard.Open(sim::kStandardLightingPath, platform::kGenericWrite, 3, error), nullptr);
  EXPECT_EQ(error, 5u);
}

}  // namespace
