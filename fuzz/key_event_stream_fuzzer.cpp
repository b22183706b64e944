// The key-event stream from the filter driver: arbitrary 4-byte events mixed with short reads,
// failed and refused reads go through the key filter channel into a chain of three listeners.
// Every whole event must reach the listeners decoded (little-endian usage, page, bit 0 of the
// flags), in order, newest listener first, stopping at the first that consumes it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/scripted_filter_device.h"
#include "hostdrv/key_filter_channel.h"

namespace {

using fuzz::ReadStep;
using Heard = std::array<std::uint32_t, 3>;  // page, usage, down

// Every read that carries no key costs the channel a 10 ms pause; a few per input keep runs fast.
constexpr int kMostKeylessReads = 3;
constexpr std::size_t kMostSteps = 256;

class Listener {
 public:
  explicit Listener(std::uint8_t consumeMask) : consumeMask_(consumeMask) {}
  std::int32_t OnKey(std::uint32_t page, std::uint32_t usage, std::uint32_t down) {
    heard.push_back({page, usage, down});
    return Consumes(page, usage) ? 1 : 0;
  }
  bool Consumes(std::uint32_t page, std::uint32_t usage) const {
    return consumeMask_ != 0 && ((page ^ usage) & consumeMask_) == consumeMask_;
  }
  std::vector<Heard> heard;  // written on the monitor thread, read after it has stopped

 private:
  std::uint8_t consumeMask_;
};

// Header: three consume masks. Then steps of five bytes: a kind byte and four event bytes.
std::vector<ReadStep> ParseScript(const std::uint8_t* data, std::size_t size) {
  std::vector<ReadStep> script;
  int keyless = 0;
  for (std::size_t at = 0; at + 5 <= size && script.size() < kMostSteps; at += 5) {
    ReadStep step;
    const std::uint8_t kind = data[at];
    for (int i = 0; i < 4; ++i) step.bytes[i] = data[at + 1 + i];
    const bool wantsKeyless = (kind & 0x0F) >= 12 && keyless < kMostKeylessReads;
    if (wantsKeyless) {
      ++keyless;
      step.error = 1u + (kind >> 4);
      switch (kind & 0x0F) {
        case 12: step.kind = ReadStep::Kind::kShortRead; step.bytesReturned = (kind >> 4) % 4; break;
        case 13: step.kind = ReadStep::Kind::kEndedWithError; break;
        case 14: step.kind = ReadStep::Kind::kCompletedAtOnce; break;
        default: step.kind = ReadStep::Kind::kRefused; break;
      }
    } else {
      step.kind = ReadStep::Kind::kEvent;
      step.bytesReturned = 4 + ((kind >> 4) & 3);  // a driver may claim more than the buffer holds
    }
    script.push_back(step);
  }
  return script;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  std::array<Listener, 3> listeners{Listener(data[0]), Listener(data[1]), Listener(data[2])};
  const std::vector<ReadStep> script = ParseScript(data + 3, size - 3);

  // The channel's start looks for events queued before it with one read, which finds none here.
  fuzz::ScriptedFilterSystem driver(script, 1);
  {
    HidUsbFilter::KeyFilterChannel channel(driver);
    if (!channel.Open()) fuzz::Fail("the scripted filter device did not open");
    for (Listener& listener : listeners) channel.AddListener(&listener, &Listener::OnKey);
    if (channel.StartMonitoring() == 0) fuzz::Fail("monitoring did not start");
    if (!driver.WaitUntilDrained(std::chrono::seconds(20))) fuzz::Fail("the key-event stream stalled");
    channel.StopMonitoring();
  }

  // What each listener should have heard: newest (last added) first, until one consumes.
  std::array<std::vector<Heard>, 3> expected;
  for (const ReadStep& step : script) {
    if (step.kind != ReadStep::Kind::kEvent) continue;
    const Heard event{step.bytes[2], static_cast<std::uint32_t>(step.bytes[0] | (step.bytes[1] << 8)),
                      step.bytes[3] & 1u};
    for (int index = 2; index >= 0; --index) {
      expected[index].push_back(event);
      if (listeners[index].Consumes(event[0], event[1])) break;
    }
  }
  for (int index = 0; index < 3; ++index) {
    if (listeners[index].heard != expected[index]) fuzz::Fail("listeners heard other events than were sent");
  }
  return 0;
}
