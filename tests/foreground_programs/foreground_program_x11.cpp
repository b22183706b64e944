// A small X11 program with one top-level window, for the tests and the benchmark of switching by
// the program in front. Its WM_CLASS is "<name>", "kbconfig foreground program <name>"; it sets
// _NET_WM_PID and WM_CLIENT_MACHINE as toolkits do, unless started with --no-pid. It prints
// "window <id in hex>" once its window is mapped, and ends when its standard input ends.
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#define KB_TEXT(name) #name
#define KB_NAME(name) KB_TEXT(name)

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

}  // namespace

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
  const std::string windowClass = name + '\0' + "kbconfig foreground program " + name + '\0';
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                      windowClass.size(), windowClass.data());
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, name.size(),
                      name.data());
  // WM_HINTS with the input hint set: the window takes the focus when activated.
  const std::uint32_t hints[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, hints);
  if (withPid) {
    const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, Atom(connection, "_NET_WM_PID"), XCB_ATOM_CARDINAL,
                        32, 1, &pid);
    char host[HOST_NAME_MAX + 1] = {};
    gethostname(host, sizeof host - 1);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 8,
                        std::strlen(host), host);
  }
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
