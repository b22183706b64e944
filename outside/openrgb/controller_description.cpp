#include "outside/openrgb/controller_description.h"

#include <limits>

#include "outside/openrgb/byte_writer.h"

namespace openrgb {

namespace {

constexpr std::uint32_t kVendorVersion = 1;
constexpr std::uint32_t kBrightnessVersion = 3;
constexpr std::uint32_t kSegmentsVersion = 4;
constexpr std::uint32_t kFlagsVersion = 5;

std::uint16_t Count(std::size_t size) {
  return static_cast<std::uint16_t>(std::min<std::size_t>(size, std::numeric_limits<std::uint16_t>::max()));
}

}  // namespace

void WriteMode(ByteWriter& writer, const ModeDescription& mode, std::uint32_t version) {
  writer.String(mode.name);
  writer.I32(mode.value);
  writer.U32(mode.flags);
  writer.U32(mode.speedMin);
  writer.U32(mode.speedMax);
  if (version >= kBrightnessVersion) {
    writer.U32(mode.brightnessMin);
    writer.U32(mode.brightnessMax);
  }
  writer.U32(mode.coloursMin);
  writer.U32(mode.coloursMax);
  writer.U32(mode.speed);
  if (version >= kBrightnessVersion) writer.U32(mode.brightness);
  writer.U32(mode.direction);
  writer.U32(mode.colourMode);
  const std::uint16_t colours = Count(mode.colours.size());
  writer.U16(colours);
  for (std::uint16_t n = 0; n < colours; ++n) writer.U32(mode.colours[n]);
}

ModeDescription ReadMode(ByteReader& reader, std::uint32_t version) {
  ModeDescription mode;
  mode.name = reader.String();
  mode.value = reader.I32();
  mode.flags = reader.U32();
  mode.speedMin = reader.U32();
  mode.speedMax = reader.U32();
  if (version >= kBrightnessVersion) {
    mode.brightnessMin = reader.U32();
    mode.brightnessMax = reader.U32();
  }
  mode.coloursMin = reader.U32();
  mode.coloursMax = reader.U32();
  mode.speed = reader.U32();
  if (version >= kBrightnessVersion) mode.brightness = reader.U32();
  mode.direction = reader.U32();
  mode.colourMode = reader.U32();
  const std::uint16_t colours = reader.U16();
  // Bounded by the packet: a count larger than the bytes left fails the reader, never allocates.
  if (static_cast<std::size_t>(colours) * 4 > reader.Left()) {
    reader.Fail();
    return mode;
  }
  for (std::uint16_t n = 0; n < colours; ++n) mode.colours.push_back(reader.U32());
  return mode;
}

std::vector<std::uint8_t> ControllerData(const ControllerDescription& controller, std::uint32_t version) {
  ByteWriter writer;
  writer.U32(0);  // data_size, known at the end
  writer.I32(controller.type);
  writer.String(controller.name);
  if (version >= kVendorVersion) writer.String(controller.vendor);
  writer.String(controller.description);
  writer.String(controller.version);
  writer.String(controller.serial);
  writer.String(controller.location);
  writer.U16(Count(controller.modes.size()));
  writer.I32(controller.activeMode);
  for (const ModeDescription& mode : controller.modes) WriteMode(writer, mode, version);
  writer.U16(Count(controller.zones.size()));
  for (const ZoneDescription& zone : controller.zones) {
    writer.String(zone.name);
    writer.I32(zone.type);
    writer.U32(zone.ledsMin);
    writer.U32(zone.ledsMax);
    writer.U32(zone.ledsCount);
    writer.U16(0);  // no matrix map
    if (version >= kSegmentsVersion) writer.U16(0);  // no segments
    if (version >= kFlagsVersion) writer.U32(0);     // zone flags
  }
  writer.U16(Count(controller.leds.size()));
  for (const std::string& led : controller.leds) {
    writer.String(led);
    writer.U32(0);  // LED value
  }
  writer.U16(Count(controller.colours.size()));
  for (std::uint32_t colour : controller.colours) writer.U32(colour);
  if (version >= kFlagsVersion) {
    writer.U16(0);  // no alternative LED names
    writer.U32(0);  // controller flags
  }
  writer.PatchU32(0, static_cast<std::uint32_t>(writer.Size()));
  return writer.Take();
}

}  // namespace openrgb
