#include "x_windows.h"

#include <sstream>
#include <thread>

#include "child_process.h"

namespace kbtest {
namespace {

using namespace std::chrono_literals;

std::optional<XWindow> FindWindow(const std::string& title) {
  const auto ids = RunCommand({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"});
  if (!ids || ids->empty()) return std::nullopt;
  XWindow window;
  window.id = ids->substr(0, ids->find('\n'));
  const auto shell = RunCommand({"xdotool", "getwindowgeometry", "--shell", window.id});
  if (!shell) return std::nullopt;
  std::istringstream lines(*shell);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = line.substr(0, equals);
    const int value = std::atoi(line.c_str() + equals + 1);
    if (name == "X") window.x = value;
    if (name == "Y") window.y = value;
    if (name == "WIDTH") window.width = value;
    if (name == "HEIGHT") window.height = value;
  }
  if (window.width <= 0 || window.height <= 0) return std::nullopt;
  return window;
}

}  // namespace

std::optional<XWindow> WaitForWindow(const std::string& title, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    if (auto window = FindWindow(title)) return window;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(200ms);
  }
}

bool ClickAt(const XWindow& window, int x, int y) {
  return RunCommand({"xdotool", "mousemove", std::to_string(window.x + x), std::to_string(window.y + y), "click", "1"})
      .has_value();
}

std::string DescribeDisplay(const std::string& picture) {
  const bool saved = RunCommand({"import", "-window", "root", picture}).has_value();
  const auto tree = RunCommand({"xwininfo", "-root", "-tree"});
  return (saved ? "screenshot " + picture + "\n" : std::string("no screenshot\n")) + tree.value_or("no window tree");
}

}  // namespace kbtest
