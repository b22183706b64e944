#pragma once
// What a toolkit gives a program's top-level X11 window and the watcher of the program in front
// reads: WM_CLASS, WM_HINTS with the input hint, and _NET_WM_PID with WM_CLIENT_MACHINE. For the
// small programs of this folder and the window their launcher makes in the test's own process.
#include <unistd.h>
#include <xcb/xcb.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fgtest {

inline xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
  const xcb_atom_t atom = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

// WM_CLASS "<instance>", "<windowClass>"; the pid and the host only `withPid`.
inline void SetProgramProperties(xcb_connection_t* connection, xcb_window_t window, const std::string& instance,
                                 const std::string& windowClass, bool withPid) {
  const std::string wmClass = instance + '\0' + windowClass + '\0';
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass.size(),
                      wmClass.data());
  // The input hint set: the window takes the focus when activated.
  const std::uint32_t hints[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, hints);
  if (!withPid) return;
  const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, Atom(connection, "_NET_WM_PID"), XCB_ATOM_CARDINAL,
                      32, 1, &pid);
  char host[HOST_NAME_MAX + 1] = {};
  gethostname(host, sizeof host - 1);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, 8,
                      std::strlen(host), host);
}

}  // namespace fgtest
