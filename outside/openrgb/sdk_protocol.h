#pragma once
// The OpenRGB SDK's network protocol, as its documentation describes it: every packet is a 16-byte
// header ("ORGB", the controller index, the packet ID, the size of the data that follows) and its
// data; every number little-endian; strings carry their length (terminating zero included) in
// front.
#include <array>
#include <cstddef>
#include <cstdint>

namespace openrgb {

inline constexpr std::array<char, 4> kMagic = {'O', 'R', 'G', 'B'};
inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::uint16_t kDefaultPort = 6742;

// The newest protocol version served (OpenRGB 1.0rc1). A client asking for a higher one gets this;
// one asking for a lower one is answered in its own version.
inline constexpr std::uint32_t kServerProtocolVersion = 5;

// No packet a client sends to this device is larger: mode updates carry one of our short mode
// names and no colours, names are short. Anything larger is refused with its connection.
inline constexpr std::uint32_t kMaxPacketSize = 4096;

// Packet IDs this server knows (requests, and the answers that share their ID).
enum PacketId : std::uint32_t {
  kRequestControllerCount = 0,
  kRequestControllerData = 1,
  kRequestProtocolVersion = 40,
  kSetClientName = 50,
  kDeviceListUpdated = 100,
  kRequestRescanDevices = 140,
  kRequestProfileList = 150,
  kRequestSaveProfile = 151,
  kRequestLoadProfile = 152,
  kRequestDeleteProfile = 153,
  kRequestPluginList = 200,
  kPluginSpecific = 201,
  kResizeZone = 1000,
  kClearSegments = 1001,
  kAddSegment = 1002,
  kUpdateLeds = 1050,
  kUpdateZoneLeds = 1051,
  kUpdateSingleLed = 1052,
  kSetCustomMode = 1100,
  kUpdateMode = 1101,
  kSaveMode = 1102,
};

// Mode flags.
inline constexpr std::uint32_t kModeHasSpeed = 1u << 0;
inline constexpr std::uint32_t kModeHasDirectionLeftRight = 1u << 1;
inline constexpr std::uint32_t kModeHasDirectionUpDown = 1u << 2;
inline constexpr std::uint32_t kModeHasDirectionHorizontalVertical = 1u << 3;
inline constexpr std::uint32_t kModeHasBrightness = 1u << 4;
inline constexpr std::uint32_t kModeHasPerLedColour = 1u << 5;
inline constexpr std::uint32_t kModeHasModeSpecificColour = 1u << 6;
inline constexpr std::uint32_t kModeHasRandomColour = 1u << 7;

inline constexpr std::uint32_t kColourModeNone = 0;
inline constexpr std::int32_t kDeviceTypeKeyboard = 5;
inline constexpr std::int32_t kZoneTypeSingle = 0;

struct PacketHeader {
  std::uint32_t controller = 0;
  std::uint32_t id = 0;
  std::uint32_t size = 0;
};

}  // namespace openrgb
