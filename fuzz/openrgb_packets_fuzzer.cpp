// The OpenRGB SDK packet reader and session: arbitrary bytes from a client, cut into arbitrary
// pieces. Whatever arrives, every answer is whole packets ("ORGB", a size that matches its data),
// a change reaches the device only with a controller, a mode and values its description allows,
// and nothing is answered or changed once the session has asked for the connection to close.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "fuzz/fuzz_scratch.h"
#include "outside/openrgb/byte_reader.h"
#include "outside/openrgb/sdk_session.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) fuzz::Fail(what);
}

class Device final : public openrgb::SdkDevice {
 public:
  std::vector<openrgb::ControllerDescription> Controllers() override {
    openrgb::ControllerDescription keyboard{.type = 5, .name = "keyboard"};
    keyboard.modes.push_back({.name = "static", .flags = openrgb::kModeHasBrightness, .brightnessMax = 4});
    keyboard.modes.push_back({.name = "wave", .flags = openrgb::kModeHasSpeed | openrgb::kModeHasBrightness,
                              .speedMax = 4, .brightnessMax = 4});
    keyboard.zones.push_back({.name = "zone", .ledsMin = 1, .ledsMax = 1, .ledsCount = 1});
    keyboard.leds = {"led"};
    keyboard.colours = {0};
    openrgb::ControllerDescription side = keyboard;
    side.modes = {{.name = "flow", .flags = openrgb::kModeHasSpeed, .speedMin = 7, .speedMax = 0}};
    return {keyboard, side};
  }
  bool ApplyMode(std::size_t controller, std::size_t mode, std::optional<std::uint32_t> speed,
                 std::optional<std::uint32_t> brightness) override {
    const std::vector<openrgb::ControllerDescription> controllers = Controllers();
    Check(controller < controllers.size(), "a change for a controller that does not exist");
    Check(mode < controllers[controller].modes.size(), "a change to a mode that does not exist");
    const openrgb::ModeDescription& described = controllers[controller].modes[mode];
    Check(speed.has_value() == ((described.flags & openrgb::kModeHasSpeed) != 0), "a speed for a mode without one");
    if (speed) Check(*speed <= 7, "a speed outside its range");
    if (brightness) Check((described.flags & openrgb::kModeHasBrightness) && *brightness <= 4, "a brightness outside its range");
    return true;
  }
  std::vector<std::string> Profiles() override { return {"one"}; }
  bool LoadProfile(const std::string& name) override { return name == "one"; }
};

// The answer is whole packets, each announcing exactly the data that follows it.
void CheckPackets(const std::vector<std::uint8_t>& reply) {
  std::size_t offset = 0;
  while (offset < reply.size()) {
    Check(reply.size() - offset >= openrgb::kHeaderSize, "an answer shorter than a header");
    Check(std::memcmp(reply.data() + offset, "ORGB", 4) == 0, "an answer without its magic");
    openrgb::ByteReader header(std::span<const std::uint8_t>(reply).subspan(offset + 12, 4));
    const std::uint32_t size = header.U32();
    offset += openrgb::kHeaderSize;
    Check(reply.size() - offset >= size, "an answer shorter than its header says");
    offset += size;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Device device;
  openrgb::SdkSession session(device);
  bool closed = false;
  // Each piece: one length byte, then that many bytes of the stream.
  std::size_t offset = 0;
  while (offset < size) {
    const std::size_t length = std::min<std::size_t>(data[offset], size - offset - 1);
    const openrgb::SdkSession::Outcome outcome = session.Receive({data + offset + 1, length});
    offset += 1 + length;
    if (closed) Check(outcome.reply.empty() && outcome.changes == 0, "an answer or a change after the close");
    CheckPackets(outcome.reply);
    closed = closed || outcome.close;
  }
  return 0;
}
