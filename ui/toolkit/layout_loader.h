#pragma once
// Builds windows from the layouts of the resource package (Qt Designer .ui files). Our own element
// names ("cbimg", "editex", ...) are created by us; every control whose name is in the control name
// table is stamped with its ID; combo boxes with an "itemData" property get per-item data values.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QUiLoader>
#include <QWidget>

#include "ui/toolkit/resource_package.h"
// Windows built from layouts draw their own title row (UseOwnTitleRow).
#include "ui/toolkit/title_row.h"

namespace ui {

// A control a window cannot work without: its name and the Qt class it must be (or derive from).
struct RequiredControl {
  const char* name;
  const char* className;
};

class LayoutLoader : public QUiLoader {
  Q_OBJECT

 public:
  // programFolder: where the keyboard image looks for its key-position file.
  LayoutLoader(const ResourcePackage& package, std::filesystem::path programFolder, QObject* parent = nullptr);

  // Builds the layout `layoutName` ("LAYOUT:XML_MAINWND") as a top-level window owned by the
  // caller (reparent it to embed it). Null on failure; the reason, naming the layout, is logged
  // and in LastError().
  std::unique_ptr<QWidget> Load(std::string_view layoutName);

  QWidget* createWidget(const QString& className, QWidget* parent = nullptr, const QString& name = QString()) override;

  const std::string& LastError() const { return lastError_; }

 private:
  const ResourcePackage& package_;
  std::filesystem::path programFolder_;
  std::string lastError_;
};

// Sets the ID property on every control below (and including) root whose name is in the table.
void StampControlIds(QWidget* root);
// Applies the comma-separated "itemData" property of each combo box as its items' data values.
void ApplyComboItemData(QWidget* root);
// Shows the picture named by the "image" property of each label ("ICON:ICON_LOGO"), scaled to the
// label's size. A name the package does not hold leaves the label as it was (logged).
void ApplyLabelImages(QWidget* root, const ResourcePackage& package);
// The required controls that are absent or of another class, as "name (class)" texts.
std::vector<std::string> MissingControls(QWidget* root, const std::vector<RequiredControl>& required);

}  // namespace ui
