#include "platform/portable/virtual_report.h"

namespace platform::portable {

VirtualInputReport DecodeVirtualReport(std::span<const std::uint8_t> report) {
  VirtualInputReport decoded;
  if (report.size() < 2 || report[0] != kVirtualOutputReportId) return decoded;
  const std::span<const std::uint8_t> data = report.subspan(2);
  switch (report[1]) {
    case kVirtualKeyboardReportId:
      if (data.size() < 1 + kVirtualKeyboardBitmapBytes) break;
      for (std::size_t usage = 0; usage < kVirtualKeyboardBitmapBytes * 8; ++usage) {
        if ((data[1 + usage / 8] >> (usage % 8)) & 1) decoded.keys.set(usage);
      }
      decoded.kind = VirtualInputReport::Kind::kKeyboard;
      break;
    case kVirtualMouseReportId:
      if (data.size() < 4) break;
      decoded.buttons = static_cast<std::uint8_t>(data[0] & kMouseButtonBits);
      decoded.x = static_cast<std::int8_t>(data[1]);
      decoded.y = static_cast<std::int8_t>(data[2]);
      decoded.wheel = static_cast<std::int8_t>(data[3]);
      decoded.kind = VirtualInputReport::Kind::kMouse;
      break;
    case kVirtualConsumerReportId:
    case kVirtualSystemReportId:
      if (data.size() < 2) break;
      decoded.usage = static_cast<std::uint16_t>(data[0] | data[1] << 8);
      decoded.kind = report[1] == kVirtualConsumerReportId ? VirtualInputReport::Kind::kConsumer
                                                             : VirtualInputReport::Kind::kSystemControl;
      break;
    default:
      break;
  }
  return decoded;
}

}  // namespace platform::portable
