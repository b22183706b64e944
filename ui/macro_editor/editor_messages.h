#pragma once
// What the macro editor says to the user and asks: the program's message box over the editor,
// or the sinks a test puts in their place.
#include <deque>
#include <functional>

#include <QObject>
#include <QString>

class QWidget;

namespace ui {
class LayoutLoader;
}

namespace macro {

class EditorMessages : public QObject {
  Q_OBJECT

 public:
  // Shows a text, already in the current language, to the user.
  using MessageSink = std::function<void(const QString& text)>;
  // Asks the user to confirm (OK or Cancel); true for OK.
  using QuestionSink = std::function<bool(const QString& text)>;

  // `parent`: the editor's window, over which the boxes open.
  EditorMessages(ui::LayoutLoader& loader, QWidget* parent);

  void SetMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }
  void SetQuestionSink(QuestionSink sink) { askUser_ = std::move(sink); }

  void Message(const QString& text);
  // Shown once the current event is handled (the list views call the adapters from their own
  // handlers, where a modal box must not start).
  void MessageLater(const QString& text);
  bool Ask(const QString& text);

 private:
  ui::LayoutLoader& loader_;
  QWidget* parent_;
  std::deque<QString> laterMessages_;  // MessageLater's, the first of them showing now
  MessageSink showMessage_;
  QuestionSink askUser_;
};

}  // namespace macro
