// A small X11 program with one top-level window, for the tests and the benchmark of switching by
// the program in front. Its WM_CLASS is "<name>", "kbconfig foreground program <name>"; it sets
// _NET_WM_PID and WM_CLIENT_MACHINE as toolkits do, unless started with --no-pid. It prints
// "window <id in hex>" once its window is mapped, and ends when its standard input ends.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "x11_program_window.h"

#define KB_TEXT(name) #name
#define KB_NAME(name) KB_TEXT(name)

int main(int argc, char** argv) {
  const bool withPid = !(argc > 1 && std::strcmp(argv[1], "--no-pid") == 0);
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "foreground program: cannot connect to the X display\n");
    return 1;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&screens);
  xcb_screen_t* screen = screens.data;

  const xcb_window_t window = xcb_generate_id(connection);
  const std::uint32_t background = screen->white_pixel;
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 200, 200, 320, 200, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, &background);
  const std::string name = KB_NAME(KB_PROGRAM_NAME);
  fgtest::SetProgramProperties(connection, window, name, "kbconfig foreground program " + name, withPid);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, name.size(),
                      name.data());
  xcb_map_window(connection, window);
  xcb_flush(connection);
  std::printf("window %x\n", window);
  std::fflush(stdout);

  pollfd watched[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  while (poll(watched, 2, -1) >= 0) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) std::free(event);
    if (xcb_connection_has_error(connection)) break;
    if (watched[1].revents != 0) {
      char buffer[256];
      if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;
    }
  }
  xcb_disconnect(connection);
  return 0;
}
