#include "device/discovery/guid_format.h"

#include "support/text.h"

namespace device {

std::string FormatGuidForLog(const platform::Guid& guid) {
  static const char kDigits[] = "0123456789abcdef";
  std::string tail;
  for (std::uint8_t byte : guid.data4) {
    tail += kDigits[byte >> 4];
    tail += kDigits[byte & 0xF];
  }
  return support::Format("%04x-%02x-%02x-%s", static_cast<unsigned>(guid.data1), static_cast<unsigned>(guid.data2),
                         static_cast<unsigned>(guid.data3), tail.c_str());
}

}  // namespace device
