// The key filter channel over the real filter-device calls on a system without the key filter
// driver ("\\.\vhidflt" absent): it opens nothing, every request returns 0 without reaching the
// device, and the monitor thread idles.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include "hostdrv/filter_requests.h"
#include "hostdrv/key_filter_channel.h"
#include "platform/win32/win_filter_device.h"

namespace {

// Passes everything to the real backend and counts what reaches it.
class CountingFilterDevices final : public platform::FilterDeviceSystem {
 public:
  std::unique_ptr<platform::AbortEvent> CreateAbortEvent() override { return real_.CreateAbortEvent(); }

  std::unique_ptr<platform::FilterDevice> OpenFilterDevice(const std::wstring& path, std::uint32_t access,
                                                           std::uint32_t& error) override {
    ++opens;
    lastPath = path;
    auto device = real_.OpenFilterDevice(path, access, error);
    if (!device) return nullptr;
    ++opened;
    return std::make_unique<CountingDevice>(std::move(device), submits);
  }

  std::atomic<int> opens{0};
  std::atomic<int> opened{0};
  std::atomic<int> submits{0};
  std::wstring lastPath;

 private:
  class CountingDevice final : public platform::FilterDevice {
   public:
    CountingDevice(std::unique_ptr<platform::FilterDevice> real, std::atomic<int>& submits)
        : real_(std::move(real)), submits_(submits) {}
    platform::SubmitOutcome Submit(std::uint32_t code, const void* input, std::size_t inputSize, void* output,
                                   std::size_t outputSize) override {
      ++submits_;
      return real_->Submit(code, input, inputSize, output, outputSize);
    }

   private:
    std::unique_ptr<platform::FilterDevice> real_;
    std::atomic<int>& submits_;
  };

  platform::win32::WinFilterDeviceSystem real_;
};

struct Listener {
  std::int32_t OnKey(std::uint32_t, std::uint32_t, std::uint32_t) {
    ++calls;
    return 0;
  }
  std::atomic<int> calls{0};
};

TEST(KeyFilterChannelWin32Test, WithoutTheDriverTheChannelIdlesAndEveryRequestReturnsZero) {
  CountingFilterDevices devices;
  Listener listener;
  {
    HidUsbFilter::KeyFilterChannel channel(devices);
    channel.AddListener(&listener, &Listener::OnKey);

    EXPECT_FALSE(channel.Open());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(devices.opens.load(), 3);  // read, write and request handles were each tried
    EXPECT_EQ(devices.opened.load(), 0);
    EXPECT_EQ(devices.lastPath, L"\\\\.\\vhidflt");

    EXPECT_EQ(channel.Request(HidUsbFilter::kRequestPrepare, nullptr, 0, nullptr, 0), 0);
    const std::uint32_t mode = 0;
    EXPECT_EQ(channel.Request(HidUsbFilter::kRequestSetMode, &mode, sizeof(mode), nullptr, 0), 0);
    const std::array<HidUsbFilter::KeyCode, 2> keys = {0x00070004, 0x000C00E9};
    EXPECT_EQ(channel.SetCaptureTable(keys), 0);

    // The monitor thread runs, but with no device it issues no reads and hears nothing.
    EXPECT_NE(channel.StartMonitoring(), 0);
    EXPECT_TRUE(channel.IsMonitoring());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // several idle rounds
    channel.StopMonitoring();
    EXPECT_FALSE(channel.IsMonitoring());
  }  // destruction clears the table: also no system call
  EXPECT_EQ(devices.submits.load(), 0);
  EXPECT_EQ(listener.calls.load(), 0);
}

}  // namespace
