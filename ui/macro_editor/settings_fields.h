#pragma once
// The macro editor's settings fields: the delay mode (real, fixed, none) with the fixed delay, the
// repeat count, the play mode and the media and function key lists. Each change goes to the
// library, which is saved.
#include <QObject>
#include <QString>

#include "model/config/app_config.h"
#include "model/macro/macro_library.h"
#include "ui/macro_editor/editor_controls.h"

namespace macro {

class EditorMessages;

class SettingsFields : public QObject {
  Q_OBJECT

 public:
  SettingsFields(model::MacroLibrary& library, const model::AppConfig& config, const EditorControls& controls,
                 EditorMessages& messages);

  // Shows the library's settings (a delay mode it does not know is repaired and saved, a repeat
  // count or play entry out of range is taken as the nearest one that exists).
  void Show();
  // From now on the fields' changes reach the library.
  void Connect();

 private:
  void CheckDelayMode(int mode);
  void OnDelayModeClicked(int mode);
  void OnRepeatEdited(const QString& text);
  void OnDelayEdited(const QString& text);
  void OnPlayModeChanged(int index);

  model::MacroLibrary& library_;
  const model::AppConfig& config_;
  const EditorControls& controls_;
  EditorMessages& messages_;
};

}  // namespace macro
