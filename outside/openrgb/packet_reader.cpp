#include "outside/openrgb/packet_reader.h"

#include <algorithm>
#include <cstring>

#include "outside/openrgb/byte_reader.h"

namespace openrgb {

void PacketReader::Append(std::span<const std::uint8_t> bytes) {
  if (refused_) return;
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

PacketReader::Status PacketReader::Next(SdkPacket& packet) {
  if (refused_) return refusal_;
  auto take = [this](std::size_t wanted) {
    const std::size_t count = std::min(wanted, pending_.size());
    buffer_.insert(buffer_.end(), pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
  };
  if (buffer_.size() < kHeaderSize) take(kHeaderSize - buffer_.size());
  // The magic is checked as soon as its bytes are there, not only once a whole header is.
  const std::size_t magicBytes = std::min(buffer_.size(), kMagic.size());
  if (magicBytes > 0 && std::memcmp(buffer_.data(), kMagic.data(), magicBytes) != 0) {
    refused_ = true;
    refusal_ = Status::kBadMagic;
  } else if (buffer_.size() < kHeaderSize) {
    return Status::kNeedMore;
  }
  if (refused_) {
    buffer_.clear();
    pending_.clear();
    return refusal_;
  }

  ByteReader header(std::span<const std::uint8_t>(buffer_).subspan(kMagic.size(), kHeaderSize - kMagic.size()));
  PacketHeader parsed;
  parsed.controller = header.U32();
  parsed.id = header.U32();
  parsed.size = header.U32();
  if (parsed.size > kMaxPacketSize) {
    refused_ = true;
    refusal_ = Status::kTooLarge;
    buffer_.clear();
    pending_.clear();
    return refusal_;
  }
  take(kHeaderSize + parsed.size - buffer_.size());
  if (buffer_.size() < kHeaderSize + parsed.size) return Status::kNeedMore;
  packet.header = parsed;
  packet.data.assign(buffer_.begin() + static_cast<std::ptrdiff_t>(kHeaderSize), buffer_.end());
  buffer_.clear();
  return Status::kPacket;
}

}  // namespace openrgb
