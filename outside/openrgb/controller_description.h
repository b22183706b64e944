#pragma once
// A controller as clients see it (its modes, zones and LEDs), and its controller data block in
// the layout of a given protocol version.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "outside/openrgb/byte_reader.h"

namespace openrgb {

struct ModeDescription {
  std::string name{};
  std::int32_t value = 0;  // up to protocol 5 sent, and sent back by clients
  std::uint32_t flags = 0;
  std::uint32_t speedMin = 0;
  std::uint32_t speedMax = 0;
  std::uint32_t brightnessMin = 0;  // protocol 3 and later
  std::uint32_t brightnessMax = 0;
  std::uint32_t coloursMin = 0;
  std::uint32_t coloursMax = 0;
  std::uint32_t speed = 0;
  std::uint32_t brightness = 0;
  std::uint32_t direction = 0;
  std::uint32_t colourMode = 0;
  std::vector<std::uint32_t> colours{};  // 0x00BBGGRR
};

struct ZoneDescription {
  std::string name{};
  std::int32_t type = 0;
  std::uint32_t ledsMin = 0;
  std::uint32_t ledsMax = 0;
  std::uint32_t ledsCount = 0;
};

struct ControllerDescription {
  std::int32_t type = 0;
  std::string name{};
  std::string vendor{};  // protocol 1 and later
  std::string description{};
  std::string version{};
  std::string serial{};
  std::string location{};
  std::int32_t activeMode = 0;
  std::vector<ModeDescription> modes{};
  std::vector<ZoneDescription> zones{};
  std::vector<std::string> leds{};
  std::vector<std::uint32_t> colours{};  // one per LED
};

// The answer's data to a controller data request: data_size (the whole data, itself included),
// then the controller in the layout of `version` (0 to 5).
std::vector<std::uint8_t> ControllerData(const ControllerDescription& controller, std::uint32_t version);

// Appends one mode in the layout of `version`.
class ByteWriter;
void WriteMode(ByteWriter& writer, const ModeDescription& mode, std::uint32_t version);
// Reads one mode in the layout of `version`; check reader.Ok() afterwards.
ModeDescription ReadMode(ByteReader& reader, std::uint32_t version);

}  // namespace openrgb
