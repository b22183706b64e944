#pragma once
// The body every worker thread runs: the start callback, then passes while the thread may run,
// then the end callback.
//
//  1. The start callback; a nonzero result skips the passes.
//  2. Each pass: `beforeRun()` (the job step of RunableThread; true when it did some work), then
//     the run callback. A nonzero run result clears the worker id and ends the passes. With a run
//     callback the pass ends with a 1 ms interruptible sleep (a callback with nothing to do blocks
//     in Sleep(kSleepInfinite) instead of returning, so an idle worker does not wake every
//     millisecond); without one, and with no work done, the worker waits until it is notified or
//     stopped instead of polling.
//  3. Unless the last result was -1, the end callback.
#include <atomic>
#include <chrono>
#include <cstdint>

#include "threads/callback_slots.h"
#include "threads/worker_control.h"

namespace threads {

template <typename Thread, typename BeforeRun>
void RunWorkerFrame(Thread& thread, const std::atomic<void*>& owner, const CallbackSlots<Thread>& callbacks,
                    WorkerControl& control, BeforeRun beforeRun) {
  std::int32_t result = 0;
  if (auto start = callbacks.Start()) result = start->Call(thread, owner.load());
  if (result == 0) {
    while (!control.IsStopRequested()) {
      const bool didWork = beforeRun();
      if (auto run = callbacks.Run()) {
        result = run->Call(thread, owner.load());
        if (result != 0) {
          control.ClearWorkerId();
          break;
        }
        control.Sleep(std::chrono::milliseconds(1));
      } else if (!didWork) {
        control.WaitForWork();
      }
    }
  }
  if (result != -1) {
    if (auto end = callbacks.End()) end->Call(thread, owner.load());
  }
}

}  // namespace threads
