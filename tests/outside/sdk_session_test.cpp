// One client's session with the OpenRGB SDK server: exact answers, version negotiation, mode
// changes checked against the description, and what is refused or closes the connection.
#include "outside/openrgb/sdk_session.h"

#include <gtest/gtest.h>

#include "outside/openrgb/byte_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using openrgb::ModeDescription;

struct AppliedMode {
  std::size_t controller;
  std::size_t mode;
  std::optional<std::uint32_t> speed;
  std::optional<std::uint32_t> brightness;
  friend bool operator==(const AppliedMode&, const AppliedMode&) = default;
};

// One controller with one small mode (speed 0..4, brightness 0..4), as small as the layout allows.
class FakeDevice final : public openrgb::SdkDevice {
 public:
  std::vector<openrgb::ControllerDescription> Controllers() override {
    openrgb::ControllerDescription controller{.type = 5, .name = "K", .vendor = "V", .description = "D",
                                              .version = "1", .serial = "", .location = "L", .activeMode = 0};
    controller.modes.push_back(ModeDescription{.name = "M", .value = 2, .flags = 0x11, .speedMin = 0, .speedMax = 4,
                                               .brightnessMin = 0, .brightnessMax = 4, .speed = 1, .brightness = 3});
    controller.zones.push_back({.name = "Z", .type = 0, .ledsMin = 1, .ledsMax = 1, .ledsCount = 1});
    controller.leds = {"Z"};
    controller.colours = {0};
    return {controller};
  }
  bool ApplyMode(std::size_t controller, std::size_t mode, std::optional<std::uint32_t> speed,
                 std::optional<std::uint32_t> brightness) override {
    applied.push_back({controller, mode, speed, brightness});
    return true;
  }
  std::vector<std::string> Profiles() override { return {"Work", "Game"}; }
  bool LoadProfile(const std::string& name) override {
    loaded.push_back(name);
    return name == "Game";
  }
  std::vector<AppliedMode> applied;
  std::vector<std::string> loaded;
};

Bytes U32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 24)};
}
Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
Bytes Header(std::uint32_t controller, std::uint32_t id, std::uint32_t size) {
  return Join({{'O', 'R', 'G', 'B'}, U32(controller), U32(id), U32(size)});
}
Bytes Request(std::uint32_t controller, std::uint32_t id, const Bytes& data = {}) {
  return Join({Header(controller, id, static_cast<std::uint32_t>(data.size())), data});
}
// An UPDATEMODE as a client of `version` sends it: mode `index` with these values.
Bytes ModeChange(std::uint32_t controller, std::int32_t index, std::uint32_t speed, std::uint32_t brightness,
                 std::uint32_t version, std::uint32_t id = openrgb::kUpdateMode) {
  openrgb::ByteWriter data;
  data.U32(0);
  data.I32(index);
  openrgb::WriteMode(data, {.name = "M", .value = 2, .flags = 0x11, .speedMax = 4, .brightnessMax = 4,
                            .speed = speed, .brightness = brightness}, version);
  data.PatchU32(0, static_cast<std::uint32_t>(data.Size()));
  return Request(controller, id, data.Data());
}

class SdkSessionTest : public ::testing::Test {
 protected:
  openrgb::SdkSession::Outcome Send(const Bytes& bytes) { return session.Receive(bytes); }
  void Negotiate(std::uint32_t version) { ASSERT_FALSE(Send(Request(0, 40, U32(version))).close); }

  FakeDevice device;
  openrgb::SdkSession session{device};
};

TEST_F(SdkSessionTest, VersionIsTheLowerOfBothAndCountIsAnswered) {
  EXPECT_EQ(Send(Request(0, 40, U32(9))).reply, Join({Header(0, 40, 4), U32(5)}));
  EXPECT_EQ(session.Version(), 5u);
  EXPECT_EQ(Send(Request(0, 40, U32(2))).reply, Join({Header(0, 40, 4), U32(5)}));
  EXPECT_EQ(session.Version(), 2u);
  EXPECT_EQ(Send(Request(0, 0)).reply, Join({Header(0, 0, 4), U32(1)}));
  EXPECT_TRUE(Send(Request(0, 50, {'h', 'u', 'b', 0})).reply.empty());
  EXPECT_EQ(session.ClientName(), "hub");
}

TEST_F(SdkSessionTest, ControllerDataInTheLayoutOfEachVersion) {
  const Bytes head = {5, 0, 0, 0, 2, 0, 'K', 0};
  const Bytes vendor = {2, 0, 'V', 0};
  const Bytes strings = {2, 0, 'D', 0, 2, 0, '1', 0, 1, 0, 0, 2, 0, 'L', 0};
  const Bytes modeCountActive = {1, 0, 0, 0, 0, 0};
  const Bytes modeStart = Join({{2, 0, 'M', 0}, U32(2), U32(0x11), U32(0), U32(4)});
  const Bytes brightnessRange = Join({U32(0), U32(4)});
  const Bytes colourRange = Join({U32(0), U32(0)});
  const Bytes modeEnd = Join({U32(0), U32(0), {0, 0}});  // direction, colour mode, no colours
  const Bytes zone = Join({{1, 0, 2, 0, 'Z', 0}, U32(0), U32(1), U32(1), U32(1), {0, 0}});
  const Bytes leds = Join({{1, 0, 2, 0, 'Z', 0}, U32(0), {1, 0}, U32(0)});
  struct Case {
    std::uint32_t version;
    Bytes body;
  };
  const Case cases[] = {
      {0, Join({head, strings, modeCountActive, modeStart, colourRange, U32(1), modeEnd, zone, leds})},
      {1, Join({head, vendor, strings, modeCountActive, modeStart, colourRange, U32(1), modeEnd, zone, leds})},
      {3, Join({head, vendor, strings, modeCountActive, modeStart, brightnessRange, colourRange, U32(1), U32(3),
                modeEnd, zone, leds})},
      {4, Join({head, vendor, strings, modeCountActive, modeStart, brightnessRange, colourRange, U32(1), U32(3),
                modeEnd, zone, {0, 0}, leds})},
      {5, Join({head, vendor, strings, modeCountActive, modeStart, brightnessRange, colourRange, U32(1), U32(3),
                modeEnd, zone, {0, 0}, U32(0), leds, {0, 0}, U32(0)})},
  };
  for (const Case& item : cases) {
    const Bytes data = Join({U32(static_cast<std::uint32_t>(item.body.size() + 4)), item.body});
    const Bytes request = item.version == 0 ? Request(0, 1) : Request(0, 1, U32(item.version));
    EXPECT_EQ(Send(request).reply, Join({Header(0, 1, static_cast<std::uint32_t>(data.size())), data}))
        << "version " << item.version;
  }
  // A client newer than the server gets the server's newest layout.
  EXPECT_EQ(Send(Request(0, 1, U32(7))).reply, Send(Request(0, 1, U32(5))).reply);
}

TEST_F(SdkSessionTest, ModeChangesCarryTheValuesTheirVersionHas) {
  Negotiate(3);
  EXPECT_EQ(Send(ModeChange(0, 0, 4, 2, 3)).changes, 1);
  EXPECT_EQ(Send(ModeChange(0, 0, 0, 0, 3, openrgb::kSaveMode)).changes, 1);
  Negotiate(2);  // no brightness in mode data before version 3
  EXPECT_EQ(Send(ModeChange(0, 0, 3, 0, 2)).changes, 1);
  EXPECT_EQ(device.applied, (std::vector<AppliedMode>{{0, 0, 4u, 2u}, {0, 0, 0u, 0u}, {0, 0, 3u, std::nullopt}}));
}

TEST_F(SdkSessionTest, WhatIsRefusedChangesNothingAndKeepsTheConnection) {
  Negotiate(5);
  Bytes truncated = ModeChange(0, 0, 1, 1, 5);
  truncated.resize(truncated.size() - 3);
  truncated[12] = static_cast<std::uint8_t>(truncated.size() - 16);  // a header that fits the shorter data
  const Bytes cases[] = {
      Request(0, 77),                           // unknown packet ID
      ModeChange(1, 0, 1, 1, 5),                // controller index out of range
      ModeChange(0, 1, 1, 1, 5),                // mode index out of range
      ModeChange(0, -1, 1, 1, 5),
      ModeChange(0, 0, 5, 1, 5),                // speed outside 0..4
      ModeChange(0, 0, 1, 9, 5),                // brightness outside 0..4
      truncated,                                // mode data cut short
      Request(0, 151, {'x', 0}),                // saving a profile
      Request(3, 1050, Join({U32(10), {1, 0}, U32(0xFF)})),  // LEDs of a controller that does not exist
  };
  for (const Bytes& request : cases) {
    const openrgb::SdkSession::Outcome outcome = Send(request);
    EXPECT_FALSE(outcome.close);
    EXPECT_TRUE(outcome.reply.empty());
    EXPECT_EQ(outcome.changes, 0);
    EXPECT_EQ(outcome.notes.size(), 1u) << request.size();
  }
  EXPECT_TRUE(device.applied.empty());
  // Custom mode and LED updates have nothing to change on this device, and no answer.
  for (const Bytes& request : {Request(0, 1100), Request(0, 1050, Join({U32(10), {1, 0}, U32(0xFF)})),
                               Request(0, 1052, Join({U32(0), U32(0xFF)}))}) {
    const openrgb::SdkSession::Outcome outcome = Send(request);
    EXPECT_TRUE(outcome.reply.empty() && outcome.notes.empty() && !outcome.close);
  }
  EXPECT_TRUE(device.applied.empty());
  EXPECT_EQ(Send(Request(0, 0)).reply, Join({Header(0, 0, 4), U32(1)}));  // still talking
}

TEST_F(SdkSessionTest, WhatClosesTheConnection) {
  const Bytes cases[] = {
      {'O', 'R', 'G', 'X'},                        // not this protocol, seen as soon as it arrives
      Header(0, 1101, openrgb::kMaxPacketSize + 1),  // larger than any valid packet
      Request(1, 1, U32(5)),                       // data of a controller that does not exist
      Request(0, 40, {5, 0}),                      // a version request of two bytes
  };
  for (const Bytes& request : cases) {
    openrgb::SdkSession fresh{device};
    const openrgb::SdkSession::Outcome outcome = fresh.Receive(request);
    EXPECT_TRUE(outcome.close) << request.size();
    EXPECT_TRUE(outcome.reply.empty());
    EXPECT_EQ(fresh.Receive(Request(0, 0)).reply, Bytes{}) << "nothing is read after the refusal";
  }
}

TEST_F(SdkSessionTest, APacketActsOnlyOnceWholeHowEverItArrives) {
  Negotiate(5);
  const Bytes first = ModeChange(0, 0, 2, 4, 5);
  const Bytes change = Join({first, Request(0, 0)});
  for (std::size_t n = 0; n + 1 < change.size(); ++n) {
    const openrgb::SdkSession::Outcome outcome = Send({change[n]});
    EXPECT_TRUE(outcome.reply.empty());
    EXPECT_EQ(session.HoldsPartialPacket(), n + 1 != first.size()) << n;
    EXPECT_EQ(device.applied.size(), n + 1 >= first.size() ? 1u : 0u) << n;
  }
  EXPECT_EQ(device.applied, (std::vector<AppliedMode>{{0, 0, 2u, 4u}}));
  EXPECT_EQ(Send({change.back()}).reply, Join({Header(0, 0, 4), U32(1)}));
  EXPECT_FALSE(session.HoldsPartialPacket());
}

TEST_F(SdkSessionTest, ProfilesAreListedAndLoadedByName) {
  const Bytes list = Join({U32(20), {2, 0}, {5, 0, 'W', 'o', 'r', 'k', 0}, {5, 0, 'G', 'a', 'm', 'e', 0}});
  EXPECT_EQ(Send(Request(0, 150)).reply, Join({Header(0, 150, 20), list}));
  EXPECT_TRUE(Send(Request(0, 152, {'G', 'a', 'm', 'e', 0})).notes.empty());
  EXPECT_EQ(Send(Request(0, 152, {'N', 'o', 'n', 'e', 0})).notes.size(), 1u);
  EXPECT_EQ(device.loaded, (std::vector<std::string>{"Game", "None"}));
}

}  // namespace
