#pragma once
// The "About" box of the "more" menu: the program's version, the folder its data files are kept
// in, and the licences of the libraries it is built with and ships (the package's
// "about:notices": Qt under the LGPL, pugixml under the MIT licence, the MinGW runtime of the
// Windows program), with where their full texts lie.
#include <filesystem>
#include <memory>

#include <QDialog>

namespace ui {

class LayoutLoader;
class ResourcePackage;

class AboutBox {
 public:
  static constexpr const char* kLayoutName = "LAYOUT:about";

  // Null (logged) when the layout cannot be built or lacks its controls. executableFolder: where
  // the full licence texts are looked for (LicenceTextsPlace).
  static std::unique_ptr<AboutBox> Create(LayoutLoader& loader, const ResourcePackage& package, QWidget* parent,
                                          const std::filesystem::path& dataFolder,
                                          const std::filesystem::path& executableFolder);

  QDialog* Dialog() const { return dialog_.get(); }

 private:
  explicit AboutBox(std::unique_ptr<QDialog> dialog) : dialog_(std::move(dialog)) {}
  std::unique_ptr<QDialog> dialog_;
};

// Where the full licence texts are for a program in `executableFolder`: its "licenses" folder
// (the Windows program folder) or, installed as /usr/bin/kbconfig, the package's copyright file;
// empty when neither is there (a build folder).
std::filesystem::path LicenceTextsPlace(const std::filesystem::path& executableFolder);

}  // namespace ui
