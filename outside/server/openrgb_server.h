#pragma once
// The OpenRGB SDK server: listens on the loopback address only (127.0.0.1, and ::1 where the
// system has it) and serves each client through an SdkSession, all on a thread of its own, so a
// client that floods it never holds up the window. Changes reach the lighting road from there.
//
// Limits: at most `maxClients` connections at a time (a further one is closed at once); a
// connection that sends nothing, or leaves a packet half sent, for `silenceLimit` is closed. A
// client that has finished its packets may stay connected and quiet as long as it likes.
//
// Start, Stop and the destructor belong to one thread (the window thread); the rest to any.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include <QObject>

#include "outside/openrgb/sdk_device.h"

class QThread;

namespace outside {

struct ServerLimits {
  int maxClients = 8;
  std::chrono::milliseconds silenceLimit{10000};
};

enum class ListenResult {
  kListening,
  kPortInUse,  // another program listens there (OpenRGB itself, commonly)
  kFailed,     // any other reason; see the error text
};

class OpenRgbServer {
 public:
  explicit OpenRgbServer(openrgb::SdkDevice& device, ServerLimits limits = {});
  ~OpenRgbServer();
  OpenRgbServer(const OpenRgbServer&) = delete;
  OpenRgbServer& operator=(const OpenRgbServer&) = delete;

  // Listens at `port` (0: a free port the system picks); a running server is stopped first.
  // `error` receives the system's reason when the result is not kListening.
  ListenResult Start(std::uint16_t port, std::string* error = nullptr);
  // Closes every connection and stops listening.
  void Stop();

  bool IsRunning() const { return port_ != 0; }
  // The port listened on, 0 when not running.
  std::uint16_t Port() const { return port_; }
  int Clients() const { return clients_; }

  struct Totals {
    std::uint64_t connections = 0;
    std::uint64_t turnedAway = 0;      // over the client limit
    std::uint64_t closedSilent = 0;    // closed for silence or a half-sent packet
    std::uint64_t closedRefused = 0;   // closed by the session (not this protocol, too large, ...)
    std::uint64_t changes = 0;         // mode changes handed to the device
  };
  Totals Counts() const;

  class Worker;    // lives on the server's thread
  struct Counters;  // shared with the worker

 private:
  openrgb::SdkDevice& device_;
  ServerLimits limits_;
  std::unique_ptr<QThread> thread_;
  Worker* worker_ = nullptr;  // owned; deleted once its thread has ended
  std::atomic<std::uint16_t> port_{0};
  std::atomic<int> clients_{0};
  std::shared_ptr<Counters> counters_;
};

}  // namespace outside
