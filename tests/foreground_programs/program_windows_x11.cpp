#include "program_windows.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "line_reader.h"
#include "x11_program_window.h"

extern char** environ;

namespace fgtest {

namespace {

constexpr auto kAnswerLimit = std::chrono::seconds(20);
constexpr std::uint32_t kSourcePager = 2;  // _NET_ACTIVE_WINDOW's source: a taskbar or pager

std::filesystem::path OwnExecutable() { return std::filesystem::read_symlink("/proc/self/exe"); }

}  // namespace

// This process's connection: its own window, and the requests to the window manager.
struct ProgramWindows::Desktop {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
  xcb_atom_t activeWindow = XCB_ATOM_NONE;
  xcb_atom_t clientList = XCB_ATOM_NONE;

  Desktop() {
    int screenNumber = 0;
    connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
    root = screens.data->root;
    activeWindow = Atom(connection, "_NET_ACTIVE_WINDOW");
    clientList = Atom(connection, "_NET_CLIENT_LIST");
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &events);
    xcb_flush(connection);
  }
  ~Desktop() { xcb_disconnect(connection); }

  bool Usable() const { return !xcb_connection_has_error(connection); }

  std::vector<xcb_window_t> Windows(xcb_atom_t property) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, property, XCB_ATOM_WINDOW, 0, 4096), nullptr);
    std::vector<xcb_window_t> windows;
    if (reply != nullptr && reply->format == 32) {
      const auto* values = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
      windows.assign(values, values + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return windows;
  }

  bool Holds(xcb_atom_t property, xcb_window_t window) {
    const std::vector<xcb_window_t> windows = Windows(property);
    return std::find(windows.begin(), windows.end(), window) != windows.end();
  }

  // Waits, woken by the root window's property changes, until `done` holds.
  bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kAnswerLimit;
    while (true) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) std::free(event);
      if (done()) return true;
      // done()'s round trip may have queued events that came after its answer: look again at once.
      if (xcb_generic_event_t* event = xcb_poll_for_queued_event(connection)) {
        std::free(event);
        continue;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !Usable()) return false;
      pollfd watched{xcb_get_file_descriptor(connection), POLLIN, 0};
      poll(&watched, 1, static_cast<int>(left.count()));
    }
  }

  // Asks the window manager to activate `window`, once it manages it, and waits until it has.
  bool Activate(xcb_window_t window) {
    if (!WaitUntil([&] { return Holds(clientList, window); })) return false;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = activeWindow;
    message.data.data32[0] = kSourcePager;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    if (WaitUntil([&] { return Holds(activeWindow, window); })) return true;
    // Say what the window manager did instead, for the failing test's output.
    const std::vector<xcb_window_t> active = Windows(activeWindow);
    std::fprintf(stderr, "the window manager did not activate window 0x%x: the active window is 0x%x%s\n",
                 static_cast<unsigned>(window), active.empty() ? 0u : static_cast<unsigned>(active[0]),
                 Holds(clientList, window) ? "" : ", and it manages the window no longer");
    return false;
  }
};

struct ProgramWindows::Program {
  std::filesystem::path executable;
  std::uint64_t window = 0;
  pid_t pid = 0;
  int input = -1;   // our end of its standard input
  int output = -1;  // our end of its standard output
  std::unique_ptr<LineReader> lines;

  ~Program() {
    if (input >= 0) close(input);  // the program ends at the end of its input
    if (pid > 0) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
          kill(pid, SIGKILL);
          waitpid(pid, nullptr, 0);
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    lines.reset();
    if (output >= 0) close(output);
  }
};

ProgramWindows::ProgramWindows() : desktop_(std::make_unique<Desktop>()) {}
ProgramWindows::~ProgramWindows() = default;

int ProgramWindows::Start(const std::string& name, const std::vector<std::string>& arguments, std::string& error) {
  if (!desktop_->Usable()) {
    error = "no X display";
    return -1;
  }
  auto program = std::make_unique<Program>();
  program->executable = std::filesystem::weakly_canonical(OwnExecutable().parent_path() / name);
  int toProgram[2];
  int fromProgram[2];
  if (pipe2(toProgram, O_CLOEXEC) != 0 || pipe2(fromProgram, O_CLOEXEC) != 0) {
    error = std::string("pipe2 failed: ") + std::strerror(errno);
    return -1;
  }
  program->input = toProgram[1];
  program->output = fromProgram[0];
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toProgram[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromProgram[1], STDOUT_FILENO);
  const std::string path = program->executable.string();
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&program->pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toProgram[0]);
  close(fromProgram[1]);
  if (spawned != 0) {
    program->pid = 0;
    error = "posix_spawn(" + path + ") failed: " + std::strerror(spawned);
    return -1;
  }
  const int output = program->output;
  program->lines = std::make_unique<LineReader>([output](char* buffer, std::size_t size) -> std::size_t {
    const ssize_t count = read(output, buffer, size);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
  });
  const std::optional<std::string> first = program->lines->Next(kAnswerLimit);
  if (!first || first->rfind("window ", 0) != 0) {
    error = name + " did not tell its window";
    return -1;
  }
  program->window = std::strtoull(first->c_str() + 7, nullptr, 16);
  programs_.push_back(std::move(program));
  return static_cast<int>(programs_.size()) - 1;
}

int ProgramWindows::StartOwnWindow(std::string& error) {
  if (!desktop_->Usable()) {
    error = "no X display";
    return -1;
  }
  xcb_connection_t* connection = desktop_->connection;
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, desktop_->root, 300, 300, 320, 200, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  SetProgramProperties(connection, window, "kbconfig-own", "kbconfig own test window", true);
  xcb_map_window(connection, window);
  xcb_flush(connection);
  auto program = std::make_unique<Program>();
  program->executable = OwnExecutable();
  program->window = window;
  programs_.push_back(std::move(program));
  return static_cast<int>(programs_.size()) - 1;
}

std::filesystem::path ProgramWindows::Executable(int index) const { return programs_.at(index)->executable; }

bool ProgramWindows::BringToFront(int index) {
  return desktop_->Activate(static_cast<xcb_window_t>(programs_.at(index)->window));
}

}  // namespace fgtest
