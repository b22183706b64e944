#include "outside/ctl/json_text.h"

#include <cstdio>

namespace ctl {

std::string JsonString(std::string_view utf8) {
  std::string text = "\"";
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (c == '\n') {
      text += "\\n";
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      text += escaped;
    } else {
      text += c;  // UTF-8 passes as it is
    }
  }
  return text + "\"";
}

}  // namespace ctl
