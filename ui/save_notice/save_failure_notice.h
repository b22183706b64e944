#pragma once
// Tells the user of data files that could not be saved: once per failure, as the reporter
// (support::SaveReporter) decides, in a box shown on the window thread after the event that
// saved has been handled, never inside a save. The stores hand their results to Reporter(), from
// any thread; that only queues a call to this object.
#include <functional>

#include <QObject>
#include <QString>

#include "support/save_reporter.h"

namespace ui {

class SaveFailureNotice : public QObject {
  Q_OBJECT

 public:
  // Shows the notice's text in a box and returns once it is answered (window thread).
  using ShowText = std::function<void(const QString& text)>;

  // Lives on the thread that creates it: the window thread.
  explicit SaveFailureNotice(ShowText show, QObject* parent = nullptr);

  support::SaveReporter& Reporter() { return reporter_; }

  // Shows what waits to be told, one box at a time until nothing waits. A failure reported while
  // a box is open is shown when it closes.
  void ShowUntold();

 private:
  ShowText show_;
  support::SaveReporter reporter_;
  bool showing_ = false;
};

}  // namespace ui
