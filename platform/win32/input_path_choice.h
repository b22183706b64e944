#pragma once
// The choice between the kernel drivers (the key filter "\\.\vhidflt" and the virtual HID device
// root\vhidev) and the user-mode path without them (keyboard hook and SendInput). Start-up looks
// for the drivers (hostdrv/driver_install) and chooses once; until then, and when the drivers are
// there, everything goes to the drivers exactly as without this choice. No OS call.
//
// Filters() and Reports() are what the program's key filter channel and virtual device use: they
// pass every call to the chosen path.
#include <mutex>
#include <optional>

#include "platform/filter_device.h"
#include "platform/input_path.h"
#include "platform/report_device.h"

namespace platform::win32 {

class InputPathChoice final : public InputPathSelector {
 public:
  InputPathChoice(FilterDeviceSystem& driverFilters, ReportDeviceSystem& driverReports, FilterDeviceSystem& hookFilters,
                ReportDeviceSystem& injectedReports);
  InputPathChoice(const InputPathChoice&) = delete;
  InputPathChoice& operator=(const InputPathChoice&) = delete;

  FilterDeviceSystem* DriverFilterDevices() override { return &driverFilters_; }
  ReportDeviceSystem* DriverReportDevices() override { return &driverReports_; }
  void Choose(bool driversPresent) override;

  // The path taken; fixed from its first use on.
  bool UsesDrivers();
  FilterDeviceSystem& Filters() { return filters_; }
  ReportDeviceSystem& Reports() { return reports_; }

 private:
  class ChosenFilters final : public FilterDeviceSystem {
   public:
    explicit ChosenFilters(InputPathChoice& paths) : paths_(paths) {}
    std::unique_ptr<AbortEvent> CreateAbortEvent() override { return paths_.ChosenFilterSystem().CreateAbortEvent(); }
    std::unique_ptr<FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                   std::uint32_t& error) override {
      return paths_.ChosenFilterSystem().OpenFilterDevice(path, access, error);
    }
    InputPath Path() const override { return paths_.ChosenFilterSystem().Path(); }

   private:
    InputPathChoice& paths_;
  };

  class ChosenReports final : public ReportDeviceSystem {
   public:
    explicit ChosenReports(InputPathChoice& paths) : paths_(paths) {}
    Guid HidClassGuid() override { return paths_.ChosenReportSystem().HidClassGuid(); }
    InterfaceListOutcome ListPresentInterfaces(const Guid& interfaceClass, std::vector<std::wstring>& paths) override {
      return paths_.ChosenReportSystem().ListPresentInterfaces(interfaceClass, paths);
    }
    std::unique_ptr<ReportDevice> OpenReportDevice(const std::wstring& path, std::uint32_t& error) override {
      return paths_.ChosenReportSystem().OpenReportDevice(path, error);
    }

   private:
    InputPathChoice& paths_;
  };

  FilterDeviceSystem& ChosenFilterSystem() { return UsesDrivers() ? driverFilters_ : hookFilters_; }
  ReportDeviceSystem& ChosenReportSystem() { return UsesDrivers() ? driverReports_ : injectedReports_; }

  FilterDeviceSystem& driverFilters_;
  ReportDeviceSystem& driverReports_;
  FilterDeviceSystem& hookFilters_;
  ReportDeviceSystem& injectedReports_;
  ChosenFilters filters_{*this};
  ChosenReports reports_{*this};
  std::mutex mutex_;
  std::optional<bool> driversChosen_;  // guarded by mutex_
};

}  // namespace platform::win32
