#include "hostdrv/vhidev_output_report.h"

#include <algorithm>

namespace hostdrv {

VirtualOutputReport BuildVirtualOutputReport(const std::uint8_t* data, std::size_t length, std::uint8_t reportId) {
  VirtualOutputReport report{};
  report[0] = kVirtualOutputReportId;
  std::size_t start = 1;
  if (reportId != 0) {
    report[1] = reportId;
    start = 2;
  }
  if (data != nullptr) {
    const std::size_t count = std::min(length, report.size() - start);
    std::copy(data, data + count, report.begin() + static_cast<std::ptrdiff_t>(start));
  }
  return report;
}

}  // namespace hostdrv
