#include "stored_settings.h"

#include <gtest/gtest.h>

#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "model/records/record_store.h"

namespace kbtest {
namespace {

constexpr int kStoredEffect = 3;
constexpr int kStoredSide = 2;
constexpr model::KeyCode kPage7 = 0x00070000;

model::MacroStep Step(std::uint8_t usage, bool down, int delayMs, const wchar_t* name) {
  return model::MacroStep{kPage7 | usage, down ? 1 : 0, delayMs, name};
}

}  // namespace

StoredSettings StoreSettings(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);  // an installed program's data folder before its first start
  std::filesystem::remove(folder / "ledeffect.xml");
  std::filesystem::remove(folder / "sidemodel.xml");
  std::filesystem::remove(folder / "record.xml");
  {
    model::LedEffectStore effects;
    effects.Load(folder / "ledeffect.xml");  // missing: defaults, written
    EXPECT_TRUE(effects.SetRecord(0, {4, 2, 1, 2}));
    EXPECT_TRUE(effects.SetRecord(kStoredEffect, {2, 3, 0, 2}));
    EXPECT_TRUE(effects.SetSelected(kStoredEffect));
    model::SideModelStore sides;
    sides.Load(folder / "sidemodel.xml");
    EXPECT_TRUE(sides.SetRecord(kStoredSide, {3}));
    EXPECT_TRUE(sides.SetSelected(kStoredSide));
    model::RecordStore records;
    records.Load(folder / "record.xml");
    records.UpsertRecord({.code = kPage7 | kUsageA, .type = 1, .play = 1, .repeat = 1, .name = L"A", .group = L"B",
                          .steps = {Step(kUsageB, true, 0, L"B")}});
    // Play 8: one pass per press.
    records.UpsertRecord({.code = kPage7 | kUsageC, .type = 0, .play = 8, .repeat = 1, .name = L"C",
                          .group = L"guest macro",
                          .steps = {Step(kUsageX, true, 40, L"X"), Step(kUsageX, false, 120, L"X"),
                                    Step(kUsageY, true, 0, L"Y"), Step(kUsageY, false, 0, L"Y")}});
    EXPECT_TRUE(records.Save());
  }

  // What the program will read.
  model::LedEffectStore effects;
  model::SideModelStore sides;
  model::RecordStore records;
  EXPECT_TRUE(effects.Load(folder / "ledeffect.xml"));
  EXPECT_TRUE(sides.Load(folder / "sidemodel.xml"));
  EXPECT_TRUE(records.Load(folder / "record.xml"));
  StoredSettings stored{device::EffectReport(effects.Selected(), *effects.RecordAt(effects.Selected())),
                        device::SideLightReport(sides.Selected(), *sides.RecordAt(sides.Selected())),
                        device::StartupEffectReport(*effects.RecordAt(0)),
                        {}};
  const auto snapshot = records.Snapshot();
  const model::KeyRecord* macro = model::FindRecord(*snapshot, kPage7 | kUsageC);
  EXPECT_NE(macro, nullptr);
  if (macro != nullptr) {
    for (const model::MacroStep& step : macro->steps) {
      stored.macroOnC.push_back({static_cast<std::uint8_t>(step.code & 0xFF), step.state == 1, int(step.delay)});
    }
  }
  return stored;
}

}  // namespace kbtest
