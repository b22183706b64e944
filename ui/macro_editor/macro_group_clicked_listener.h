#pragma once
// Told when the user picks a row of the macro group list.
#include <string>

namespace macro {

class IOnMacroGroupClickedListener {
 public:
  virtual ~IOnMacroGroupClickedListener() = default;
  // index: the clicked row; name: that group's name.
  virtual void OnMacroGroupClicked(int index, std::wstring name) = 0;
};

}  // namespace macro
