#pragma once
// Sends the keyboard's lighting reports from a thread of its own, so that no caller ever sleeps for
// the keyboard's 100 ms pacing (see KeyboardCommands). The newest state wins: a request for an
// effect report while an earlier effect report still waits takes that report's place (likewise
// for the side light), and every report is built from the stores only when it goes out. A burst of
// changes therefore reaches the keyboard as at most one report per 100 ms, the last one holding
// the last change.
//
// All members may be called from any thread.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "device/commands/keyboard_commands.h"
#include "support/clock.h"

namespace lighting {

class ReportPacer {
 public:
  ReportPacer(device::KeyboardCommands& commands, support::Clock& clock);
  // Sends what still waits (paced as ever), then ends the thread.
  ~ReportPacer();
  ReportPacer(const ReportPacer&) = delete;
  ReportPacer& operator=(const ReportPacer&) = delete;

  // Effect `index` (-1: the stored one), as KeyboardCommands::SendEffect.
  void SendEffect(int index);
  // Side effect `index` (-1: the stored one), as KeyboardCommands::SendSideLight.
  void SendSideLight(int index);
  // The factory-restore request: after every report asked for before it, without pacing. It is
  // never replaced, and later lighting reports never take the place of one asked before it.
  void SendFactoryRestore();

  // Returns once every report asked for before the call has gone out (or was replaced).
  void WaitUntilIdle();

  struct Totals {
    std::uint64_t requested = 0;
    std::uint64_t sent = 0;      // handed to the keyboard (a failed transfer counts as sent)
    std::uint64_t replaced = 0;  // requests a newer one took the place of
  };
  Totals Counts() const;

 private:
  enum class Kind { kEffect, kSideLight, kFactoryRestore };
  struct Request {
    Kind kind;
    int index;
  };

  void Enqueue(Request request);
  void Run();
  void Send(const Request& request);

  device::KeyboardCommands& commands_;
  support::Clock& clock_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;  // a request arrived, or the pacer is stopping
  std::condition_variable idle_;  // nothing waits and nothing is being sent
  std::deque<Request> queue_;
  bool sending_ = false;
  bool stopping_ = false;
  Totals totals_;
  std::thread thread_;  // started by the first request
};

}  // namespace lighting
