#pragma once
// One client's conversation with the server: it cuts the client's bytes into packets, answers the
// requests, and hands the changes it asks for to the device after checking them against the
// controllers' descriptions. Nothing of a packet is acted on before all of it has arrived.
//
// What is refused (the packet is dropped, nothing changes, the connection stays): an unknown
// packet ID, a controller index out of range in a change, a mode index out of range, a value
// outside its mode's range, data that does not parse. What closes the connection: bytes that are
// not this protocol, a packet larger than kMaxPacketSize, a request that expects an answer but
// cannot get one (a controller index out of range, a malformed version request).
// SETCUSTOMMODE and the LED updates are taken and ignored: no mode of this device takes per-LED
// colours, so they have nothing to change, and up to protocol 5 they have no answer.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "outside/openrgb/packet_reader.h"
#include "outside/openrgb/sdk_device.h"

namespace openrgb {

class SdkSession {
 public:
  explicit SdkSession(SdkDevice& device);

  struct Outcome {
    std::vector<std::uint8_t> reply;  // whole packets to send back, in order
    bool close = false;               // the connection is to be closed now
    std::vector<std::string> notes;   // what was refused or why the connection closes, for the log
    int changes = 0;                  // mode changes handed to the device
  };

  Outcome Receive(std::span<const std::uint8_t> bytes);

  // Some bytes of a packet that has not arrived whole are held.
  bool HoldsPartialPacket() const { return reader_.HoldsPartialPacket(); }
  // The protocol version agreed on (0 until the client asks for the server's).
  std::uint32_t Version() const { return version_; }
  const std::string& ClientName() const { return clientName_; }

 private:
  void Handle(const SdkPacket& packet, Outcome& outcome);
  void AnswerControllerData(const SdkPacket& packet, Outcome& outcome);
  void ChangeMode(const SdkPacket& packet, Outcome& outcome);
  bool ControllerExists(std::uint32_t controller);

  SdkDevice& device_;
  PacketReader reader_;
  std::uint32_t version_ = 0;
  std::string clientName_;
  bool closed_ = false;
};

}  // namespace openrgb
