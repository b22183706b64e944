#include "ui/macro_editor/step_recorder.h"

#include <algorithm>
#include <chrono>

#include <QTableView>

#include "ui/macro_editor/key_and_delay_adapter.h"
#include "ui/macro_editor/typed_numbers.h"

namespace macro {

StepRecorder::StepRecorder(const model::MacroLibrary& library, KeyAndDelayAdapter& steps, QTableView* stepList,
                           const support::Clock& clock)
    : library_(library), steps_(steps), stepList_(stepList), clock_(clock) {}

std::int64_t StepRecorder::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now().time_since_epoch()).count();
}

void StepRecorder::Record(model::KeyCode code, const std::wstring& name, bool down) {
  const int count = steps_.rowCount();
  const std::int64_t now = NowMs();
  // The delay the previous step gets: the time since the last event, the fixed delay, or none.
  // Before the first event of this opening the measured gap is unknown; the previous step then
  // keeps its delay instead of getting the whole time since the program started.
  std::optional<int> gap;
  switch (library_.mode) {
    case 0:
      if (lastEventTime_) gap = static_cast<int>(std::min<std::int64_t>(now - *lastEventTime_, kMaxDelayMs));
      break;
    case 1:
      gap = library_.delay;
      break;
    default:
      gap = 0;
      break;
  }
  if (!down && count == 0) return;  // a release cannot start a macro
  if (count >= 1 && gap) steps_.SetStepDelay(count - 1, *gap);
  steps_.AppendStep(code, name, down ? 1 : 0, 0);
  if (!down) stepList_->scrollToBottom();
  lastEventTime_ = now;
}

}  // namespace macro
