#pragma once
// Installation of the virtual HID device and the key filter driver from the driver packages
// beside the executable (driver\x86 and driver\x64, each with devcon.exe and vhidflt.inf or
// vhidev.inf). Installation runs only when the virtual device cannot be found.
#include <string>

#include "hostdrv/vhidev.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace hostdrv {

inline constexpr wchar_t kVirtualDeviceHardwareId[] = L"root\\vhidev";

class DriverInstaller {
 public:
  // `processBits`: the pointer width this program was built for (tests choose it).
  DriverInstaller(VHidev& device, platform::ProcessSystem& processes, platform::FileSystem& files,
                  int processBits = static_cast<int>(sizeof(void*) * 8));

  // True when the virtual device is open afterwards. Looks for it first; only when it is missing,
  // removes any stale instance, installs the package from `folder` (empty: the default package
  // folder) and looks again.
  bool EnsureVirtualDevice(const std::wstring& folder);
  // The executable's folder + "driver" + "\x64" on a 64-bit system (a 64-bit process, or a 32-bit
  // one under WOW64), else "\x86".
  std::wstring DefaultDriverFolder();
  // Runs a program and waits for it to end. True when it was started and has ended; its exit code
  // does not count.
  bool RunAndWait(const std::wstring& program, const std::wstring& commandLine);

 private:
  bool SearchDevice();

  VHidev& device_;
  platform::ProcessSystem& processes_;
  platform::FileSystem& files_;
  int processBits_;
};

// The entry points start-up uses: VHidev::Instance() and the backend's process and file services.
bool EnsureVirtualDevice(const std::wstring& folder = std::wstring());
std::wstring DefaultDriverFolder();
bool RunAndWait(const std::wstring& program, const std::wstring& commandLine);

}  // namespace hostdrv
