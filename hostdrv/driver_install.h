#pragma once
// Installation of the virtual HID device and the key filter driver from the driver packages
// beside the executable (driver\x86 and driver\x64, each with devcon.exe and vhidflt.inf or
// vhidev.inf), and the start-up choice of the input path.
//
// Where the backend can work without the drivers (Windows: keyboard hook and SendInput), the
// drivers are looked for first: when the key filter opens and the virtual device is found they
// are used; when not, and only when a driver package is beside the program, they are installed
// and looked for again; otherwise the path without drivers is taken. On backends with one path
// the virtual device is looked for and, when missing, installed the same way.
#include <string>

#include "hostdrv/vhidev.h"
#include "platform/file_system.h"
#include "platform/input_path.h"
#include "platform/process.h"

namespace hostdrv {

inline constexpr wchar_t kVirtualDeviceHardwareId[] = L"root\\vhidev";

class DriverInstaller {
 public:
  // `processBits`: the pointer width this program was built for (tests choose it). The first form
  // chooses among the backend's own input paths.
  DriverInstaller(VHidev& device, platform::ProcessSystem& processes, platform::FileSystem& files,
                  int processBits = static_cast<int>(sizeof(void*) * 8));
  DriverInstaller(VHidev& device, platform::InputPathSelector& paths, platform::ProcessSystem& processes,
                  platform::FileSystem& files, int processBits = static_cast<int>(sizeof(void*) * 8));

  // True when the virtual device is open afterwards. Looks for the drivers first; only when they
  // are missing and the package in `folder` (empty: the default package folder) is there, removes
  // any stale instance, installs the package and looks again. Then chooses the input path.
  bool EnsureVirtualDevice(const std::wstring& folder);
  // The executable's folder + "driver" + "\x64" on a 64-bit system (a 64-bit process, or a 32-bit
  // one under WOW64), else "\x86".
  std::wstring DefaultDriverFolder();
  // Runs a program and waits for it to end. True when it was started and has ended; its exit code
  // does not count.
  bool RunAndWait(const std::wstring& program, const std::wstring& commandLine);

 private:
  bool SearchDevice();
  // Whether the key filter driver opens and the virtual device driver's device is found.
  bool DriversPresent();
  // Removes a stale device and installs the package from `folder`. False, running nothing, when
  // the package is not there.
  bool InstallPackage(const std::wstring& folder);

  VHidev& device_;
  platform::InputPathSelector& paths_;
  platform::ProcessSystem& processes_;
  platform::FileSystem& files_;
  int processBits_;
};

// The entry points start-up uses: VHidev::Instance() and the backend's process and file services.
bool EnsureVirtualDevice(const std::wstring& folder = std::wstring());
std::wstring DefaultDriverFolder();
bool RunAndWait(const std::wstring& program, const std::wstring& commandLine);

}  // namespace hostdrv
