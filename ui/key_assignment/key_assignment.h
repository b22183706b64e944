#pragma once
// Key assignment: a click on a key of the keyboard image opens the macro editor for that key, and
// the editor's result becomes the key's record (OK) or removes it (Delete). The key's label and
// checked mark on the image follow, record.xml and macro.xml are saved, and the key filter driver
// gets the new capture table of all recorded keys.
//
// Everything runs on the window thread. The editor's key listener consumes every key event until
// the editor is gone, so the playback never reads the record store while it changes here.
#include <cstdint>
#include <functional>
#include <string>

#include "hostdrv/key_filter_channel.h"
#include "model/config/app_config.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "ui/keyboard_image/coord_button_click_listener.h"
#include "ui/keyboard_image/coord_button_image.h"
#include "ui/macro_editor/macro_record_dlg.h"

class QWidget;

namespace ui {
class LayoutLoader;
}

namespace assign {

// Creates the macro editor for the selected keys, runs it modally, calls `afterClose` while the
// closed editor still exists, destroys it and returns its result (macro::kResultOk,
// kResultCancel, kResultDelete, or anything else for "closed"). The order matters to the key
// filter: the editor's destruction restarts monitoring, which must come after `afterClose`.
using EditorRunner = std::function<int(HidUsbFilter::KeyFilterChannel& channel, model::MacroLibrary& library,
                                       const macro::SelectedKeys& selectedKeys,
                                       const std::function<void()>& afterClose)>;

// The runner of the real editor: built from `loader`'s "LAYOUT:macro", owned by `owner`. A layout
// that cannot be built gives result 0 (nothing changes).
EditorRunner ModalEditorRunner(ui::LayoutLoader& loader, const model::AppConfig& config, QWidget* owner);

class KeyAssignment : public SOUI::ICoordButtonClickListener {
 public:
  struct Dependencies {
    model::RecordStore& records;
    model::MacroLibrary& library;
    const model::AppConfig& config;
    HidUsbFilter::KeyFilterChannel& channel;
    SOUI::CoordButtonImage& image;
    std::function<bool()> keyboardOpen;  // the keyboard's presence test
    EditorRunner runEditor;
  };

  explicit KeyAssignment(Dependencies dependencies);

  // Acts on the button-up report over a key while the keyboard is open. Always false, so the image
  // applies its own selection rule.
  bool OnCoordButtonClick(std::int32_t id, std::wstring name, std::int32_t up, std::uint32_t keyFlags,
                          std::int32_t x, std::int32_t y) override;

  // The keys the open editor works on; empty while no editor is open.
  const macro::SelectedKeys& SelectedKeys() const { return selectedKeys_; }

 private:
  void Assign(std::int32_t id, model::KeyCode code, const std::wstring& name);
  void Remove(std::int32_t id, model::KeyCode code);
  void SendCaptureTable();

  Dependencies deps_;
  macro::SelectedKeys selectedKeys_;
};

}  // namespace assign
