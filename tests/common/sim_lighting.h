#pragma once
// The lighting road on the emulated keyboard, as the main window builds it: stores backed by files
// in a folder, the keyboard opened, reports paced on a manual clock, saves on the real one.
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "device/commands/keyboard_commands.h"
#include "device/io/hid_device.h"
#include "lighting/lighting_control.h"
#include "lighting/report_pacer.h"
#include "model/lighting/led_effect_store.h"
#include "model/lighting/side_model_store.h"
#include "platform/sim/sim_keyboard.h"
#include "support/atomic_file.h"
#include "support/clock.h"

namespace testsupport {

struct SimLighting {
  explicit SimLighting(const std::filesystem::path& dataFolder) : folder(dataFolder) {
    effects.Load(folder / "ledeffect.xml");
    sides.Load(folder / "sidemodel.xml");
    EXPECT_TRUE(hid.Open(sim::kStandardLightingPath, device::kReadWriteShared));
  }

  // The lighting reports the keyboard received (version queries left out), once all have gone.
  std::vector<std::vector<std::uint8_t>> Reports() {
    pacer.WaitUntilIdle();
    std::vector<std::vector<std::uint8_t>> reports;
    for (const sim::ReceivedReport& report : keyboard.Reports()) {
      if (report.kind == sim::ReceivedReport::Kind::kSetFeature && report.bytes[1] == 0xFF) {
        reports.push_back(report.bytes);
      }
    }
    return reports;
  }
  // A data file as it is once every change has been saved.
  std::string File(const char* name) {
    road.WaitForSaves();
    return support::ReadWholeFile(folder / name).value_or("");
  }

  std::filesystem::path folder;
  support::ManualClock clock;
  sim::SimHidSystem keyboard{sim::StandardKeyboard(), clock};
  device::HidDevice hid{keyboard};
  model::LedEffectStore effects;
  model::SideModelStore sides;
  device::KeyboardCommands commands{hid, effects, sides, clock};
  lighting::ReportPacer pacer{commands, clock};
  lighting::LightingControl road{effects, sides, pacer, support::SteadyClock::Instance()};
};

}  // namespace testsupport
