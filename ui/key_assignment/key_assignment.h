#pragma once
// Key assignment: a click on a key of the keyboard image opens the macro editor for that key,
// showing what the key does now, and the editor's result becomes the key's record (OK) or
// removes it (Delete). The key's label and checked mark on the image follow, record.xml and
// macro.xml are saved, and the key filter driver gets the new capture table of all recorded keys.
//
// Before the editor takes the keys, every playback ends and every forwarded key goes up: while
// the editor is open the player hears no key, so nothing could stop a macro or release a key.
//
// Everything runs on the window thread. The editor's key listener consumes every key event until
// the editor is gone, so the playback never reads the record store while it changes here.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QString>

#include "hostdrv/key_filter_channel.h"
#include "model/config/app_config.h"
#include "model/macro/macro_library.h"
#include "model/records/record_store.h"
#include "playback/macro_player.h"
#include "ui/keyboard_image/coord_button_click_listener.h"
#include "ui/keyboard_image/coord_button_image.h"
#include "ui/macro_editor/macro_record_dlg.h"

class QWidget;

namespace ui {
class LayoutLoader;
}

namespace assign {

class KeyAssignment : public SOUI::ICoordButtonClickListener {
 public:
  struct Dependencies {
    model::RecordStore& records;
    model::MacroLibrary& library;
    const model::AppConfig& config;
    HidUsbFilter::KeyFilterChannel& channel;
    SOUI::CoordButtonImage& image;
    playback::MacroPlayer& player;
    ui::LayoutLoader& loader;        // builds the editor from "LAYOUT:macro"
    QWidget* owner = nullptr;        // the editor's owner window
    std::function<bool()> keyboardOpen;                   // the keyboard's presence test
    std::function<void(const QString& english)> tellUser;  // a message box
    std::function<void()> hideProgram = nullptr;           // the editor's "–": the program goes away
  };

  explicit KeyAssignment(Dependencies dependencies);

  // Acts on the button-up report over a key while the keyboard is open: runs the editor modally
  // and carries out its result. Always false, so the image applies its own selection rule.
  bool OnCoordButtonClick(std::int32_t id, std::wstring name, std::int32_t up, std::uint32_t keyFlags,
                          std::int32_t x, std::int32_t y) override;

  // The keys the open editor works on; empty while no editor is open.
  const macro::SelectedKeys& SelectedKeys() const { return selectedKeys_; }
  // The open editor; null while none is open.
  macro::MacroRecordDlg* Editor() const { return editor_.get(); }

 private:
  void Assign(std::int32_t id, model::KeyCode code, const std::wstring& name);
  void Remove(std::int32_t id, model::KeyCode code);
  void SendCaptureTable();

  Dependencies deps_;
  macro::SelectedKeys selectedKeys_;
  macro::GroupFolder groupFolder_;  // where the editor's import and export open, this run
  std::unique_ptr<macro::MacroRecordDlg> editor_;
};

}  // namespace assign
