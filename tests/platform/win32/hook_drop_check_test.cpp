// The dropped-hook check, event by event: scripts of hook calls and raw input records as Windows
// and Wine deliver them, with the verdict each record must get.
#include "platform/win32/hook_drop_check.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform::win32 {
namespace {

using std::chrono::milliseconds;

struct Step {
  enum Kind { kHookCall, kKeyRecord, kExtraRecord, kOverrun, kInstall } kind;
  int atMs;
  bool passedTheHook = false;  // the verdict a record must get
};

// `pattern` `times` times, each one `everyMs` later, after `before`.
std::vector<Step> Repeat(std::vector<Step> before, const std::vector<Step>& pattern, int times, int everyMs) {
  for (int i = 0; i < times; ++i) {
    for (Step step : pattern) {
      step.atMs += i * everyMs;
      before.push_back(step);
    }
  }
  return before;
}

TEST(HookDropCheck, EachRecordIsCheckedAgainstTheHookCallsOfTheLastSecond) {
  const Step hook{Step::kHookCall, 0};
  const Step record{Step::kKeyRecord, 0};
  const struct {
    const char* name;
    std::vector<Step> steps;
  } scripts[] = {
      {"a key the hook passed, then its record", {hook, record}},
      // Windows makes no record of a key the hook kept: a hundred such keys hide no later drop.
      {"kept keys, then keys past a dropped hook",
       Repeat(Repeat({}, {hook}, 100, 10), {{Step::kKeyRecord, 2000, true}, {Step::kKeyRecord, 2010, true}}, 1, 0)},
      // Pause gives an extra record (virtual key 0xFF); a keyboard's overrun is no key either.
      {"Pause pressed again and again",
       Repeat(Repeat({}, {hook, {Step::kExtraRecord, 0}, record}, 50, 100), {{Step::kOverrun, 5000}}, 1, 0)},
      {"a program typing 300 keys at once", Repeat(Repeat({}, {hook}, 300, 0), {{Step::kKeyRecord, 1}}, 300, 0)},
      // Wine makes a record of every key, kept ones too.
      {"a record for every key for ten seconds, then a drop",
       Repeat(Repeat({}, {hook, record}, 1000, 10), {{Step::kKeyRecord, 10'000, true}}, 1, 0)},
      {"a record a second after its hook call", {hook, {Step::kKeyRecord, 1000, true}}},
      {"the credits of a hook replaced by a new one",
       {hook, hook, {Step::kInstall, 1}, {Step::kKeyRecord, 2, true}, {Step::kHookCall, 3}, {Step::kKeyRecord, 3}}},
  };
  for (const auto& script : scripts) {
    HookDropCheck check;
    int index = 0;
    for (const Step& step : script.steps) {
      const auto at = std::chrono::duration_cast<HookDropCheck::Microseconds>(milliseconds(step.atMs + 100'000));
      switch (step.kind) {
        case Step::kHookCall: check.HookCalled(at); break;
        case Step::kInstall: check.Reset(); break;
        case Step::kKeyRecord:
        case Step::kExtraRecord:
        case Step::kOverrun: {
          const std::uint16_t virtualKey = step.kind == Step::kExtraRecord ? 0xFF : 0x41;
          const std::uint16_t makeCode = step.kind == Step::kOverrun ? 0xFF : 0x1E;
          EXPECT_EQ(check.RecordPassedTheHook(virtualKey, makeCode, at), step.passedTheHook)
              << script.name << ", step " << index;
          break;
        }
      }
      ++index;
    }
  }
}

}  // namespace
}  // namespace platform::win32
