#pragma once
// One connection to the X server (xcb), closed when it goes, with the few requests the watcher of
// the program in front makes: atoms, and window properties read whole.
#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <string>

namespace platform::linux_backend {

class X11Connection {
 public:
  // Connects to the display DISPLAY names; see Usable() and Error().
  X11Connection();
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  bool Usable() const;
  // xcb's reason when the connection failed or broke (XCB_CONN_*), 0 while usable.
  int Error() const;
  xcb_connection_t* get() const { return connection_; }
  xcb_window_t Root() const { return root_; }
  int FileDescriptor() const;

  xcb_atom_t Atom(const char* name);

  struct Property {
    std::uint8_t format = 0;  // 8, 16 or 32
    std::string bytes;        // the value as stored
  };
  // The whole value of `property` of `window` (any type); nothing when it is not set or the
  // window is gone.
  std::optional<Property> Read(xcb_window_t window, xcb_atom_t property);
  // A property of one 32-bit value (a window, a process id).
  std::optional<std::uint32_t> ReadNumber(xcb_window_t window, xcb_atom_t property);

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
};

}  // namespace platform::linux_backend
