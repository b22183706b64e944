#pragma once
// Popup menus from the XML menu resources ("SMENU:menu_tray", "SMENUEX:menu_more"):
//   <menu><item id="1">Check firmware</item><sep/><item id="6">Exit</item></menu>
// An item with check="1" shows a check mark.
// Captions are English and shown in the current language; choosing an item emits its command ID.
#include <memory>
#include <string_view>

#include <QMenu>
#include <pugixml.hpp>

namespace ui {

class ResourcePackage;

class CommandMenu : public QMenu {
  Q_OBJECT

 public:
  explicit CommandMenu(QWidget* parent = nullptr);

  // Null (logged, naming the menu) when the resource is missing or not a menu.
  static std::unique_ptr<CommandMenu> Load(const ResourcePackage& package, std::string_view menuName,
                                           QWidget* parent = nullptr);
  bool LoadFrom(const pugi::xml_document& document);

  QAction* ActionForCommand(int commandId) const;

 signals:
  void CommandTriggered(int commandId);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Retranslate();
};

}  // namespace ui
