#include "ui/toolkit/command_menu.h"

#include <string>

#include <QEvent>

#include "support/logger.h"
#include "ui/toolkit/resource_package.h"
#include "ui/toolkit/xml_translator.h"

namespace ui {
namespace {

constexpr const char* kCommandProperty = "kbCommand";
constexpr const char* kSourceTextProperty = "kbSourceText";

}  // namespace

CommandMenu::CommandMenu(QWidget* parent) : QMenu(parent) {
  connect(this, &QMenu::triggered, this, [this](QAction* action) {
    const QVariant command = action->property(kCommandProperty);
    if (command.isValid()) emit CommandTriggered(command.toInt());
  });
}

std::unique_ptr<CommandMenu> CommandMenu::Load(const ResourcePackage& package, std::string_view menuName,
                                               QWidget* parent) {
  QByteArray bytes;
  if (!package.ReadBytes(menuName, bytes)) return nullptr;
  pugi::xml_document document;
  auto menu = std::make_unique<CommandMenu>(parent);
  if (!document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size())) || !menu->LoadFrom(document)) {
    support::LogFailure("CommandMenu::Load", "menu \"" + std::string(menuName) + "\" is not a menu");
    return nullptr;
  }
  return menu;
}

bool CommandMenu::LoadFrom(const pugi::xml_document& document) {
  const pugi::xml_node root = document.child("menu");
  if (!root) return false;
  clear();
  for (pugi::xml_node node : root.children()) {
    if (node.type() != pugi::node_element) continue;
    const std::string_view kind = node.name();
    if (kind == "sep") {
      addSeparator();
    } else if (kind == "item") {
      const QString source = QString::fromUtf8(node.child_value()).trimmed();
      QAction* action = addAction(Tr(source));
      action->setProperty(kSourceTextProperty, source);
      action->setProperty(kCommandProperty, node.attribute("id").as_int());
      // A switch: its check mark is set by whoever runs the command.
      action->setCheckable(node.attribute("check").as_bool());
    }
  }
  return true;
}

QAction* CommandMenu::ActionForCommand(int commandId) const {
  for (QAction* action : actions()) {
    const QVariant command = action->property(kCommandProperty);
    if (command.isValid() && command.toInt() == commandId) return action;
  }
  return nullptr;
}

void CommandMenu::Retranslate() {
  for (QAction* action : actions()) {
    const QVariant source = action->property(kSourceTextProperty);
    if (source.isValid()) action->setText(Tr(source.toString()));
  }
}

void CommandMenu::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) Retranslate();
  QMenu::changeEvent(event);
}

}  // namespace ui
