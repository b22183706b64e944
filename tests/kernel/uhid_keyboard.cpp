#include "uhid_keyboard.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "../platform/linux/test_keyboard_descriptor.h"

namespace kbtest {

UhidKeyboard::UhidKeyboard(std::uint16_t vendorId, std::uint16_t productId, std::vector<std::uint8_t> versionAnswer,
                           UhidDescription description)
    : vendorId_(vendorId),
      productId_(productId),
      versionAnswer_(std::move(versionAnswer)),
      description_(std::move(description)) {
  if (description_.descriptor.empty()) description_.descriptor = TestKeyboardDescriptor();
  fd_ = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (fd_ < 0) std::perror("open /dev/uhid");
  stopFd_ = ::eventfd(0, EFD_CLOEXEC);
  if (fd_ >= 0 && stopFd_ >= 0) thread_ = std::thread([this] { Run(); });
}

UhidKeyboard::~UhidKeyboard() {
  if (thread_.joinable()) {
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) != sizeof one) std::perror("eventfd write");
    thread_.join();
  }
  if (fd_ >= 0) ::close(fd_);  // closing destroys the device
  if (stopFd_ >= 0) ::close(stopFd_);
}

bool UhidKeyboard::Send(const void* event, std::size_t size) {
  if (fd_ < 0) return false;
  if (::write(fd_, event, size) != static_cast<ssize_t>(size)) {
    std::perror("write /dev/uhid");
    return false;
  }
  return true;
}

bool UhidKeyboard::Plug() {
  if (plugged_) return true;
  uhid_event event{};
  event.type = UHID_CREATE2;
  std::snprintf(reinterpret_cast<char*>(event.u.create2.name), sizeof event.u.create2.name, "%s",
                description_.name.c_str());
  std::snprintf(reinterpret_cast<char*>(event.u.create2.phys), sizeof event.u.create2.phys, "%s",
                description_.phys.c_str());
  const std::vector<std::uint8_t>& descriptor = description_.descriptor;
  if (descriptor.size() > sizeof event.u.create2.rd_data) return false;
  std::memcpy(event.u.create2.rd_data, descriptor.data(), descriptor.size());
  event.u.create2.rd_size = static_cast<std::uint16_t>(descriptor.size());
  event.u.create2.bus = 0x03;  // BUS_USB
  event.u.create2.vendor = vendorId_;
  event.u.create2.product = productId_;
  event.u.create2.version = 0x0100;
  plugged_ = Send(&event, sizeof event);
  return plugged_;
}

bool UhidKeyboard::Unplug() {
  if (!plugged_) return true;
  uhid_event event{};
  event.type = UHID_DESTROY;
  plugged_ = !Send(&event, sizeof event);
  return !plugged_;
}

bool UhidKeyboard::SendKeys(std::uint8_t modifiers, const std::vector<std::uint8_t>& usages) {
  uhid_event event{};
  event.type = UHID_INPUT2;
  std::uint8_t* data = event.u.input2.data;
  std::size_t size = 0;
  if (description_.keyReportId != 0) data[size++] = description_.keyReportId;
  data[size] = modifiers;  // then a reserved byte and six key slots
  for (std::size_t i = 0; i < usages.size() && i < 6; ++i) data[size + 2 + i] = usages[i];
  event.u.input2.size = static_cast<std::uint16_t>(size + 8);
  return Send(&event, sizeof event);
}

void UhidKeyboard::Run() {
  pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
  while (::poll(fds, 2, -1) >= 0 && fds[1].revents == 0) {
    uhid_event event{};
    if (::read(fd_, &event, sizeof event) <= 0) continue;
    if (event.type == UHID_GET_REPORT) {
      uhid_event reply{};
      reply.type = UHID_GET_REPORT_REPLY;
      reply.u.get_report_reply.id = event.u.get_report.id;
      if (event.u.get_report.rnum == 0x07 && !versionAnswer_.empty()) {
        {
          std::scoped_lock lock(mutex_);
          ++versionReads_;
        }
        changed_.notify_all();
        reply.u.get_report_reply.err = 0;
        reply.u.get_report_reply.size = static_cast<std::uint16_t>(versionAnswer_.size());
        std::memcpy(reply.u.get_report_reply.data, versionAnswer_.data(), versionAnswer_.size());
      } else {
        reply.u.get_report_reply.err = 5;  // EIO
      }
      Send(&reply, sizeof reply);
    } else if (event.type == UHID_SET_REPORT) {
      {
        std::scoped_lock lock(mutex_);
        const std::uint8_t* data = event.u.set_report.data;
        features_.push_back({{data, data + event.u.set_report.size}, std::chrono::steady_clock::now()});
      }
      changed_.notify_all();
      uhid_event reply{};
      reply.type = UHID_SET_REPORT_REPLY;
      reply.u.set_report_reply.id = event.u.set_report.id;
      reply.u.set_report_reply.err = 0;
      Send(&reply, sizeof reply);
    } else if (event.type == UHID_OUTPUT) {
      {
        std::scoped_lock lock(mutex_);
        const std::uint8_t* data = event.u.output.data;
        outputs_.push_back({{data, data + event.u.output.size}, std::chrono::steady_clock::now()});
      }
      changed_.notify_all();
    }
  }
}

namespace {
std::vector<std::vector<std::uint8_t>> BytesOf(const std::vector<ReceivedReport>& reports) {
  std::vector<std::vector<std::uint8_t>> bytes;
  for (const ReceivedReport& report : reports) bytes.push_back(report.bytes);
  return bytes;
}
}  // namespace

std::vector<std::vector<std::uint8_t>> UhidKeyboard::FeatureReports() const { return BytesOf(FeatureLog()); }

std::vector<std::vector<std::uint8_t>> UhidKeyboard::OutputReports() const { return BytesOf(OutputLog()); }

std::vector<ReceivedReport> UhidKeyboard::FeatureLog() const {
  std::scoped_lock lock(mutex_);
  return features_;
}

std::vector<ReceivedReport> UhidKeyboard::OutputLog() const {
  std::scoped_lock lock(mutex_);
  return outputs_;
}

int UhidKeyboard::VersionReadsAnswered() const {
  std::scoped_lock lock(mutex_);
  return versionReads_;
}

void UhidKeyboard::ClearReports() {
  std::scoped_lock lock(mutex_);
  features_.clear();
  outputs_.clear();
  versionReads_ = 0;
}

bool UhidKeyboard::WaitUntil(const std::function<bool()>& done, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
}

bool UhidKeyboard::WaitForFeatureReports(std::size_t count, int timeoutMs) const {
  return WaitUntil([&] { return features_.size() >= count; }, timeoutMs);
}

bool UhidKeyboard::WaitForOutputReports(std::size_t count, int timeoutMs) const {
  return WaitUntil([&] { return outputs_.size() >= count; }, timeoutMs);
}

}  // namespace kbtest
