#include "outside/openrgb/sdk_session.h"

#include <algorithm>

#include "outside/openrgb/byte_reader.h"
#include "outside/openrgb/byte_writer.h"

namespace openrgb {

namespace {

constexpr std::size_t kLongestClientName = 128;

std::string PrintableName(std::span<const std::uint8_t> data) {
  std::string name;
  for (std::uint8_t byte : data) {
    if (byte == 0 || name.size() == kLongestClientName) break;
    name += (byte >= 0x20 && byte != 0x7F) ? static_cast<char>(byte) : '?';
  }
  return name;
}

bool InRange(std::uint32_t value, std::uint32_t one, std::uint32_t other) {
  return value >= std::min(one, other) && value <= std::max(one, other);
}

std::string Id(const SdkPacket& packet) { return "packet " + std::to_string(packet.header.id); }

}  // namespace

SdkSession::SdkSession(SdkDevice& device) : device_(device) {}

SdkSession::Outcome SdkSession::Receive(std::span<const std::uint8_t> bytes) {
  Outcome outcome;
  if (closed_) {
    outcome.close = true;  // nothing more is read once the connection is to be closed
    return outcome;
  }
  reader_.Append(bytes);
  SdkPacket packet;
  while (!outcome.close) {
    const PacketReader::Status status = reader_.Next(packet);
    if (status == PacketReader::Status::kNeedMore) break;
    if (status == PacketReader::Status::kBadMagic) {
      outcome.notes.push_back("closed: the bytes are not an OpenRGB SDK packet");
      outcome.close = true;
    } else if (status == PacketReader::Status::kTooLarge) {
      outcome.notes.push_back("closed: a packet larger than " + std::to_string(kMaxPacketSize) + " bytes");
      outcome.close = true;
    } else {
      Handle(packet, outcome);
    }
  }
  closed_ = outcome.close;
  return outcome;
}

bool SdkSession::ControllerExists(std::uint32_t controller) { return controller < device_.Controllers().size(); }

void SdkSession::Handle(const SdkPacket& packet, Outcome& outcome) {
  const PacketHeader& header = packet.header;
  switch (header.id) {
    case kRequestControllerCount: {
      ByteWriter data;
      data.U32(static_cast<std::uint32_t>(device_.Controllers().size()));
      const std::vector<std::uint8_t> answer = Packet(header.controller, header.id, data.Data());
      outcome.reply.insert(outcome.reply.end(), answer.begin(), answer.end());
      return;
    }
    case kRequestControllerData:
      AnswerControllerData(packet, outcome);
      return;
    case kRequestProtocolVersion: {
      if (packet.data.size() != 4) {
        outcome.notes.push_back("closed: a protocol version request of " + std::to_string(packet.data.size()) +
                                " bytes");
        outcome.close = true;
        return;
      }
      ByteReader reader(packet.data);
      version_ = std::min(reader.U32(), kServerProtocolVersion);
      ByteWriter data;
      data.U32(kServerProtocolVersion);
      const std::vector<std::uint8_t> answer = Packet(header.controller, header.id, data.Data());
      outcome.reply.insert(outcome.reply.end(), answer.begin(), answer.end());
      return;
    }
    case kSetClientName:
      clientName_ = PrintableName(packet.data);
      return;
    case kRequestProfileList: {
      const std::vector<std::string> profiles = device_.Profiles();
      ByteWriter data;
      data.U32(0);
      data.U16(static_cast<std::uint16_t>(std::min<std::size_t>(profiles.size(), 0xFFFF)));
      for (std::size_t n = 0; n < profiles.size() && n < 0xFFFF; ++n) data.String(profiles[n]);
      data.PatchU32(0, static_cast<std::uint32_t>(data.Size()));
      const std::vector<std::uint8_t> answer = Packet(header.controller, header.id, data.Data());
      outcome.reply.insert(outcome.reply.end(), answer.begin(), answer.end());
      return;
    }
    case kRequestLoadProfile: {
      const std::string name = PrintableName(packet.data);
      if (!device_.LoadProfile(name)) outcome.notes.push_back("refused: no profile \"" + name + "\" to load");
      return;
    }
    case kRequestSaveProfile:
    case kRequestDeleteProfile:
      outcome.notes.push_back("refused: profiles are saved and deleted in kbconfig's window only");
      return;
    case kRequestPluginList: {
      ByteWriter data;
      data.U32(6);
      data.U16(0);  // no plugins
      const std::vector<std::uint8_t> answer = Packet(header.controller, header.id, data.Data());
      outcome.reply.insert(outcome.reply.end(), answer.begin(), answer.end());
      return;
    }
    case kRequestRescanDevices:
      return;  // the device list never changes while the server runs
    case kResizeZone:
    case kClearSegments:
    case kAddSegment:
    case kUpdateLeds:
    case kUpdateZoneLeds:
    case kUpdateSingleLed:
    case kSetCustomMode:
      // Zones are fixed and no mode takes per-LED colours: nothing to change.
      if (!ControllerExists(header.controller)) {
        outcome.notes.push_back("refused: " + Id(packet) + " for controller " + std::to_string(header.controller) +
                                ", which does not exist");
      }
      return;
    case kUpdateMode:
    case kSaveMode:
      ChangeMode(packet, outcome);
      return;
    default:
      outcome.notes.push_back("refused: " + Id(packet) + ", which this server does not know");
      return;
  }
}

void SdkSession::AnswerControllerData(const SdkPacket& packet, Outcome& outcome) {
  std::uint32_t version = 0;
  if (packet.data.size() == 4) {
    ByteReader reader(packet.data);
    version = std::min(reader.U32(), kServerProtocolVersion);
  }
  const std::vector<ControllerDescription> controllers = device_.Controllers();
  if (packet.header.controller >= controllers.size()) {
    // The client waits for an answer that no controller can give.
    outcome.notes.push_back("closed: controller data asked for controller " +
                            std::to_string(packet.header.controller) + ", which does not exist");
    outcome.close = true;
    return;
  }
  const std::vector<std::uint8_t> data = ControllerData(controllers[packet.header.controller], version);
  const std::vector<std::uint8_t> answer = Packet(packet.header.controller, packet.header.id, data);
  outcome.reply.insert(outcome.reply.end(), answer.begin(), answer.end());
}

void SdkSession::ChangeMode(const SdkPacket& packet, Outcome& outcome) {
  const std::vector<ControllerDescription> controllers = device_.Controllers();
  const std::uint32_t controller = packet.header.controller;
  if (controller >= controllers.size()) {
    outcome.notes.push_back("refused: a mode change for controller " + std::to_string(controller) +
                            ", which does not exist");
    return;
  }
  ByteReader reader(packet.data);
  const std::uint32_t dataSize = reader.U32();
  const std::int32_t modeIndex = reader.I32();
  const ModeDescription asked = ReadMode(reader, version_);
  if (!reader.Ok() || dataSize > packet.data.size()) {
    outcome.notes.push_back("refused: a mode change whose data does not parse");
    return;
  }
  const std::vector<ModeDescription>& modes = controllers[controller].modes;
  if (modeIndex < 0 || static_cast<std::size_t>(modeIndex) >= modes.size()) {
    outcome.notes.push_back("refused: mode " + std::to_string(modeIndex) + ", which does not exist");
    return;
  }
  const ModeDescription& mode = modes[static_cast<std::size_t>(modeIndex)];
  std::optional<std::uint32_t> speed;
  std::optional<std::uint32_t> brightness;
  if (mode.flags & kModeHasSpeed) {
    if (!InRange(asked.speed, mode.speedMin, mode.speedMax)) {
      outcome.notes.push_back("refused: speed " + std::to_string(asked.speed) + " outside " +
                              std::to_string(mode.speedMin) + " to " + std::to_string(mode.speedMax));
      return;
    }
    speed = asked.speed;
  }
  if ((mode.flags & kModeHasBrightness) && version_ >= 3) {
    if (!InRange(asked.brightness, mode.brightnessMin, mode.brightnessMax)) {
      outcome.notes.push_back("refused: brightness " + std::to_string(asked.brightness) + " outside " +
                              std::to_string(mode.brightnessMin) + " to " + std::to_string(mode.brightnessMax));
      return;
    }
    brightness = asked.brightness;
  }
  if (!device_.ApplyMode(controller, static_cast<std::size_t>(modeIndex), speed, brightness)) {
    outcome.notes.push_back("refused: the device did not take mode " + std::to_string(modeIndex));
    return;
  }
  ++outcome.changes;
}

}  // namespace openrgb
