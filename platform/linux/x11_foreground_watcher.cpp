#include "platform/linux/x11_foreground_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>
#include <thread>
#include <utility>

#include "platform/linux/x11_connection.h"
#include "support/logger.h"

namespace platform::linux_backend {

namespace {

using Callback = std::function<void(const ForegroundProgram&)>;

// Windows whose program could not be told, logged once each; forgotten when this many gather.
constexpr std::size_t kLoggedWindowsKept = 256;

std::string OwnHostName() {
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) != 0) return std::string();
  return host;
}

// One subscription: a connection and the thread that waits on it. Destroying it wakes the thread
// through an eventfd and joins it.
class X11WatchThread final : public Subscription {
 public:
  X11WatchThread(ExecutableReader readExecutable, Callback onChange)
      : readExecutable_(std::move(readExecutable)), onChange_(std::move(onChange)), ownHost_(OwnHostName()) {
    stop_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stop_ < 0) {
      support::LogFailure("eventfd(foreground watcher)", std::strerror(errno));
      return;
    }
    if (!connection_.Usable()) {
      support::LogFailure("xcb_connect(foreground watcher)", "X connection error " + std::to_string(connection_.Error()));
      return;
    }
    thread_ = std::thread([this] { Run(); });
  }

  ~X11WatchThread() override {
    if (thread_.joinable()) {
      const std::uint64_t one = 1;
      if (write(stop_, &one, sizeof one) != static_cast<ssize_t>(sizeof one)) {
        support::LogFailure("write(foreground watcher stop)", std::strerror(errno));
      }
      thread_.join();
    }
    if (stop_ >= 0) close(stop_);
  }

  X11WatchThread(const X11WatchThread&) = delete;
  X11WatchThread& operator=(const X11WatchThread&) = delete;

 private:
  void Run();
  void TellActive();
  X11WindowFacts FactsOf(xcb_window_t window);

  ExecutableReader readExecutable_;
  Callback onChange_;
  std::string ownHost_;
  X11Connection connection_;
  int stop_ = -1;
  std::thread thread_;
  // On the thread only:
  xcb_atom_t activeWindow_ = XCB_ATOM_NONE;
  xcb_atom_t pid_ = XCB_ATOM_NONE;
  std::set<xcb_window_t> loggedWindows_;
};

void X11WatchThread::Run() {
  activeWindow_ = connection_.Atom("_NET_ACTIVE_WINDOW");
  pid_ = connection_.Atom("_NET_WM_PID");
  const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(connection_.get(), connection_.Root(), XCB_CW_EVENT_MASK, &events);
  // Selected before the first look: a change after it is not missed.
  TellActive();
  pollfd watched[2] = {{connection_.FileDescriptor(), POLLIN, 0}, {stop_, POLLIN, 0}};
  while (true) {
    bool changed = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_.get())) {
      if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        changed = changed || (notify->window == connection_.Root() && notify->atom == activeWindow_);
      }
      std::free(event);
    }
    if (!connection_.Usable()) {
      support::LogFailure("foreground watcher", "the X connection broke (error " + std::to_string(connection_.Error()) +
                                                    "); the program in front is no longer followed");
      return;
    }
    if (changed) {
      TellActive();  // its replies may have queued further events: look again before sleeping
      continue;
    }
    xcb_flush(connection_.get());
    if (poll(watched, 2, -1) < 0 && errno != EINTR) {
      support::LogFailure("poll(foreground watcher)", std::strerror(errno));
      return;
    }
    if (watched[1].revents != 0) return;
  }
}

X11WindowFacts X11WatchThread::FactsOf(xcb_window_t window) {
  X11WindowFacts facts;
  facts.pid = connection_.ReadNumber(window, pid_);
  if (auto wmClass = connection_.Read(window, XCB_ATOM_WM_CLASS)) facts.wmClass = std::move(wmClass->bytes);
  if (auto machine = connection_.Read(window, XCB_ATOM_WM_CLIENT_MACHINE)) {
    std::string& name = machine->bytes;
    facts.clientMachine = name.substr(0, name.find('\0'));
  }
  return facts;
}

void X11WatchThread::TellActive() {
  // Not set: no window manager that names the active window (yet); nothing to tell.
  const std::optional<std::uint32_t> active = connection_.ReadNumber(connection_.Root(), activeWindow_);
  if (!active) return;
  try {
    if (*active == XCB_WINDOW_NONE) {
      onChange_(ForegroundProgram{});
      return;
    }
    const X11WindowProgram found =
        ProgramOfWindow(FactsOf(*active), static_cast<std::uint32_t>(getpid()), ownHost_, readExecutable_);
    if (found.outcome == X11WindowProgram::Outcome::kTold) {
      onChange_(found.program);
      return;
    }
    if (loggedWindows_.size() >= kLoggedWindowsKept) loggedWindows_.clear();
    if (!loggedWindows_.insert(*active).second) return;
    const char* why = found.outcome == X11WindowProgram::Outcome::kNoProcess      ? "it names no process (_NET_WM_PID)"
                      : found.outcome == X11WindowProgram::Outcome::kOtherMachine ? "it runs on another machine"
                                                                                  : std::strerror(found.error);
    support::Log("foreground: the program of window 0x%x in front cannot be told: %s; the profile stays\n",
                 static_cast<unsigned>(*active), why);
  } catch (const std::exception& error) {
    support::LogFailure("foreground watcher", error.what());
  }
}

}  // namespace

namespace {

bool IsWaylandSession(const std::function<const char*(const char*)>& variable) {
  const char* display = variable("WAYLAND_DISPLAY");
  const char* sessionType = variable("XDG_SESSION_TYPE");
  return (display != nullptr && *display != '\0') || (sessionType != nullptr && std::string_view(sessionType) == "wayland");
}

const char* Variable(const char* name) { return std::getenv(name); }

}  // namespace

ForegroundUnavailable X11SessionSupport(const std::function<const char*(const char*)>& variable) {
  if (IsWaylandSession(variable)) return ForegroundUnavailable::kNoWindowSystem;
  const char* display = variable("DISPLAY");
  return display != nullptr && *display != '\0' ? ForegroundUnavailable::kNone : ForegroundUnavailable::kNoWindowSystem;
}

X11ForegroundWatcher::X11ForegroundWatcher(ExecutableReader readExecutable)
    : readExecutable_(std::move(readExecutable)) {}

bool X11ForegroundWatcher::Available() const { return Unavailable() == ForegroundUnavailable::kNone; }

ForegroundUnavailable X11ForegroundWatcher::Unavailable() const {
  std::call_once(decided_, [this] {
    unavailable_ = X11SessionSupport(&Variable);
    if (unavailable_ != ForegroundUnavailable::kNone) {
      support::Log("foreground: the program in front cannot be told in this session (%s)\n",
                   IsWaylandSession(&Variable) ? "a Wayland session" : "no X display");
      return;
    }
    const X11Connection trial;
    if (!trial.Usable()) {
      support::LogFailure("xcb_connect(foreground watcher)", "X connection error " + std::to_string(trial.Error()));
      unavailable_ = ForegroundUnavailable::kFailed;
    }
  });
  return unavailable_;
}

std::unique_ptr<Subscription> X11ForegroundWatcher::Watch(std::function<void(const ForegroundProgram&)> onChange) {
  if (!Available()) return std::make_unique<Subscription>();
  return std::make_unique<X11WatchThread>(readExecutable_, std::move(onChange));
}

}  // namespace platform::linux_backend
