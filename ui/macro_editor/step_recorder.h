#pragma once
// Recording keystrokes into the shown macro group: each key event becomes a step, and the step
// before it gets the gap as its delay (measured, fixed or none, by the library's delay mode), so
// every step's delay is the time from its own event to the next one and the last step's stays 0.
#include <cstdint>
#include <optional>
#include <string>

#include "model/keys/key_code.h"
#include "model/macro/macro_library.h"
#include "support/clock.h"

class QTableView;

namespace macro {

class KeyAndDelayAdapter;

class StepRecorder {
 public:
  // `stepList` shows `steps` and follows the recording to its end.
  StepRecorder(const model::MacroLibrary& library, KeyAndDelayAdapter& steps, QTableView* stepList,
               const support::Clock& clock);

  // Forgets the last event: the next one measures no gap (a new opening of the editor).
  void Reset() { lastEventTime_.reset(); }
  // A key went down or up. A release cannot start a macro: into an empty group it adds nothing.
  void Record(model::KeyCode code, const std::wstring& name, bool down);
  // Milliseconds of the clock at the last recorded event; nullopt before the first one.
  std::optional<std::int64_t> LastEventTime() const { return lastEventTime_; }

 private:
  std::int64_t NowMs() const;

  const model::MacroLibrary& library_;
  KeyAndDelayAdapter& steps_;
  QTableView* stepList_;
  const support::Clock& clock_;
  std::optional<std::int64_t> lastEventTime_;
};

}  // namespace macro
