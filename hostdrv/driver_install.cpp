#include "hostdrv/driver_install.h"

#include <string>

#include "hostdrv/filter_requests.h"
#include "hostdrv/find_virtual_device.h"
#include "platform/filter_device.h"
#include "platform/hid.h"
#include "support/logger.h"
#include "support/text.h"

namespace hostdrv {

DriverInstaller::DriverInstaller(VHidev& device, platform::ProcessSystem& processes, platform::FileSystem& files,
                                 int processBits)
    : DriverInstaller(device, platform::DefaultInputPathSelector(), processes, files, processBits) {}

DriverInstaller::DriverInstaller(VHidev& device, platform::InputPathSelector& paths,
                                 platform::ProcessSystem& processes, platform::FileSystem& files, int processBits)
    : device_(device), paths_(paths), processes_(processes), files_(files), processBits_(processBits) {}

bool DriverInstaller::SearchDevice() {
  device_.CloseDevice();
  return device_.OpenVirtualDevice();
}

bool DriverInstaller::DriversPresent() {
  platform::ReportDeviceSystem& reports = *paths_.DriverReportDevices();
  if (FindVirtualDevice(reports, reports.HidClassGuid()) == nullptr) return false;
  std::uint32_t error = 0;
  return paths_.DriverFilterDevices()->OpenFilterDevice(HidUsbFilter::kFilterDevicePath,
                                                        HidUsbFilter::kChannelAccessWord, error) != nullptr;
}

bool DriverInstaller::InstallPackage(const std::wstring& folder) {
  const std::wstring packageFolder = folder.empty() ? DefaultDriverFolder() : folder;
  const std::wstring program = packageFolder + L"\\devcon.exe";
  std::wstring setupFile = packageFolder + L"\\vhidflt.inf";
  if (files_.KindOf(setupFile) != platform::FileKind::kFile) setupFile = packageFolder + L"\\vhidev.inf";
  // Without the package nothing can be installed: devcon is not even started.
  if (files_.KindOf(program) != platform::FileKind::kFile || files_.KindOf(setupFile) != platform::FileKind::kFile) {
    support::Log("No driver package in %s: the drivers are not installed.\n", support::WideToUtf8(packageFolder).c_str());
    return false;
  }

  RunAndWait(DefaultDriverFolder() + L"\\devcon.exe", std::wstring(L" remove ") + kVirtualDeviceHardwareId);
  const std::wstring commandLine = L" install \"" + setupFile + L"\" " + kVirtualDeviceHardwareId;
  return RunAndWait(program, commandLine);
}

bool DriverInstaller::EnsureVirtualDevice(const std::wstring& folder) {
  if (paths_.DriverReportDevices() == nullptr || paths_.DriverFilterDevices() == nullptr) {
    // One path only: its virtual device is the one to install.
    if (SearchDevice()) return true;
    return InstallPackage(folder) && SearchDevice();
  }
  bool present = DriversPresent();
  if (!present && InstallPackage(folder)) present = DriversPresent();
  paths_.Choose(present);
  return SearchDevice();
}

std::wstring DriverInstaller::DefaultDriverFolder() {
  std::wstring executable;
  std::uint32_t error = 0;
  if (!processes_.ExecutablePath(executable, error)) {
    support::LogFailure("DefaultDriverFolder", "executable path: error " + std::to_string(error));
    executable.clear();
  }
  const std::size_t lastSeparator = executable.rfind(L'\\');
  std::wstring folder = lastSeparator == std::wstring::npos ? std::wstring() : executable.substr(0, lastSeparator + 1);
  folder += L"driver";

  // A 64-bit process runs on a 64-bit system only; a 32-bit one asks whether it runs under WOW64.
  bool wow64 = false;
  if (processBits_ < 64 && !processes_.Is32BitOn64BitSystem(wow64, error)) {
    support::LogFailure("DefaultDriverFolder", "process bitness: error " + std::to_string(error));
    wow64 = false;
  }
  folder += (processBits_ >= 64 || wow64) ? L"\\x64" : L"\\x86";
  return folder;
}

bool DriverInstaller::RunAndWait(const std::wstring& program, const std::wstring& commandLine) {
  if (program.empty()) return false;
  std::uint32_t exitCode = 0;
  std::uint32_t error = 0;
  if (!processes_.RunAndWait(program, commandLine, exitCode, error)) {
    support::LogFailure("RunAndWait", support::WideToUtf8(program) + ": error " + std::to_string(error));
    return false;
  }
  return true;
}

namespace {
DriverInstaller DefaultInstaller() {
  return DriverInstaller(VHidev::Instance(), platform::DefaultProcessSystem(), platform::DefaultFileSystem());
}
}  // namespace

bool EnsureVirtualDevice(const std::wstring& folder) { return DefaultInstaller().EnsureVirtualDevice(folder); }
std::wstring DefaultDriverFolder() { return DefaultInstaller().DefaultDriverFolder(); }
bool RunAndWait(const std::wstring& program, const std::wstring& commandLine) {
  return DefaultInstaller().RunAndWait(program, commandLine);
}

}  // namespace hostdrv
