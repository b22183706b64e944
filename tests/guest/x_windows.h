#pragma once
// What a user does with the mouse on the guest's X display (xdotool): find a top-level window by
// its title and click a point of it. Works for Qt's windows and for Wine's alike.
#include <chrono>
#include <optional>
#include <string>

namespace kbtest {

struct XWindow {
  std::string id;
  int x = 0, y = 0, width = 0, height = 0;
};

// The visible top-level window titled exactly `title`, once there is one within the time limit.
std::optional<XWindow> WaitForWindow(const std::string& title, std::chrono::milliseconds limit);
// Moves the pointer to (x, y) of the window (relative to its top-left corner) and clicks there.
bool ClickAt(const XWindow& window, int x, int y);
// For a failure's message: the display's window tree, and a screenshot saved as `picture`.
std::string DescribeDisplay(const std::string& picture);

}  // namespace kbtest
