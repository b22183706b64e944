#include "ui/save_notice/save_failure_notice.h"

#include <utility>
#include <vector>

#include <QMetaObject>

#include "ui/save_notice/save_failure_text.h"

namespace ui {

SaveFailureNotice::SaveFailureNotice(ShowText show, QObject* parent)
    : QObject(parent),
      show_(std::move(show)),
      reporter_([this] { QMetaObject::invokeMethod(this, &SaveFailureNotice::ShowUntold, Qt::QueuedConnection); }) {}

void SaveFailureNotice::ShowUntold() {
  // A call queued while a box is open finds it showing: that loop below picks its failures up.
  if (showing_) return;
  showing_ = true;
  for (std::vector<support::SaveResult> untold = reporter_.TakeUntold(); !untold.empty();
       untold = reporter_.TakeUntold()) {
    if (show_) show_(SaveFailureText(untold));
  }
  showing_ = false;
}

}  // namespace ui
