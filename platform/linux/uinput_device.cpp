#include "platform/linux/uinput_device.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/logger.h"

namespace platform::linux_backend {

namespace {

constexpr char kUinputPath[] = "/dev/uinput";

bool Control(int fd, unsigned long request, unsigned long value, const char* what) {
  if (::ioctl(fd, request, value) < 0) {
    support::LogFailure(what, std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<UinputDevice> UinputDevice::Create(const UinputSetup& setup, std::uint32_t& error) {
  const int fd = ::open(kUinputPath, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = static_cast<std::uint32_t>(errno);
    support::LogFailure("open /dev/uinput", std::strerror(errno));
    return nullptr;
  }
  std::unique_ptr<UinputDevice> device(new UinputDevice(fd));
  bool ok = Control(fd, UI_SET_EVBIT, EV_SYN, "UI_SET_EVBIT");
  if (!setup.keys.empty()) {
    ok = ok && Control(fd, UI_SET_EVBIT, EV_KEY, "UI_SET_EVBIT");
    for (std::uint16_t key : setup.keys) ok = ok && Control(fd, UI_SET_KEYBIT, key, "UI_SET_KEYBIT");
  }
  if (!setup.relativeAxes.empty()) {
    ok = ok && Control(fd, UI_SET_EVBIT, EV_REL, "UI_SET_EVBIT");
    for (std::uint16_t axis : setup.relativeAxes) ok = ok && Control(fd, UI_SET_RELBIT, axis, "UI_SET_RELBIT");
  }
  if (!setup.leds.empty()) {
    ok = ok && Control(fd, UI_SET_EVBIT, EV_LED, "UI_SET_EVBIT");
    for (std::uint16_t led : setup.leds) ok = ok && Control(fd, UI_SET_LEDBIT, led, "UI_SET_LEDBIT");
  }
  if (setup.autoRepeat) ok = ok && Control(fd, UI_SET_EVBIT, EV_REP, "UI_SET_EVBIT");

  uinput_setup identity{};
  identity.id.bustype = BUS_VIRTUAL;
  identity.id.vendor = setup.vendorId;
  identity.id.product = setup.productId;
  std::strncpy(identity.name, setup.name.c_str(), UINPUT_MAX_NAME_SIZE - 1);
  if (ok && ::ioctl(fd, UI_DEV_SETUP, &identity) < 0) {
    support::LogFailure("UI_DEV_SETUP", std::strerror(errno));
    ok = false;
  }
  ok = ok && Control(fd, UI_DEV_CREATE, 0, "UI_DEV_CREATE");
  if (!ok) {
    error = static_cast<std::uint32_t>(errno != 0 ? errno : EIO);
    return nullptr;
  }
  return device;
}

UinputDevice::~UinputDevice() {
  if (::ioctl(fd_, UI_DEV_DESTROY) < 0) support::LogFailure("UI_DEV_DESTROY", std::strerror(errno));
  if (::close(fd_) != 0) support::LogFailure("close uinput", std::strerror(errno));
}

bool UinputDevice::Emit(std::span<const InputEvent> events, std::uint32_t& error) {
  if (events.empty()) return true;
  std::vector<input_event> raw(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    raw[i] = input_event{};
    raw[i].type = events[i].type;
    raw[i].code = events[i].code;
    raw[i].value = events[i].value;
  }
  const std::size_t bytes = raw.size() * sizeof(input_event);
  const ssize_t written = ::write(fd_, raw.data(), bytes);
  if (written != static_cast<ssize_t>(bytes)) {
    error = static_cast<std::uint32_t>(written < 0 ? errno : EIO);
    support::LogFailure("write uinput", std::strerror(static_cast<int>(error)));
    return false;
  }
  return true;
}

bool UinputDevice::ReadFeedback(InputEvent& event) {
  input_event raw{};
  if (::read(fd_, &raw, sizeof raw) != static_cast<ssize_t>(sizeof raw)) return false;
  event = InputEvent{raw.type, raw.code, raw.value};
  return true;
}

std::string UinputDevice::EventNodeName() const {
  char sysname[64] = {};
  if (::ioctl(fd_, UI_GET_SYSNAME(sizeof sysname), sysname) < 0) return "";
  const std::string directory = std::string("/sys/devices/virtual/input/") + sysname;
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return "";
  std::string node;
  while (dirent* entry = ::readdir(dir)) {
    if (std::strncmp(entry->d_name, "event", 5) == 0) node = entry->d_name;
  }
  ::closedir(dir);
  return node;
}

}  // namespace platform::linux_backend
