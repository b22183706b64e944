#pragma once
// Cuts the byte stream of one connection into packets. It holds at most one header and the data of
// one packet no larger than kMaxPacketSize; a stream that does not start a packet with "ORGB", or
// announces a larger one, is refused for good (the connection is to be closed).
#include <cstdint>
#include <span>
#include <vector>

#include "outside/openrgb/sdk_protocol.h"

namespace openrgb {

struct SdkPacket {
  PacketHeader header{};
  std::vector<std::uint8_t> data{};
};

class PacketReader {
 public:
  enum class Status {
    kNeedMore,  // no whole packet yet
    kPacket,    // `packet` holds the next one
    kBadMagic,  // the stream is not this protocol
    kTooLarge,  // a packet larger than any valid one was announced
  };

  // Takes bytes as they arrive; call Next until it needs more.
  void Append(std::span<const std::uint8_t> bytes);
  Status Next(SdkPacket& packet);

  // Bytes of a packet that has not arrived whole are held.
  bool HoldsPartialPacket() const { return !buffer_.empty(); }

 private:
  std::vector<std::uint8_t> buffer_{};  // never more than one header and kMaxPacketSize of data
  std::vector<std::uint8_t> pending_{};  // bytes appended and not yet looked at
  bool refused_ = false;
  Status refusal_ = Status::kNeedMore;
};

}  // namespace openrgb
