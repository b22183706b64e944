#include "platform/linux/x11_connection.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform::linux_backend {

namespace {
struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply>;

// Values longer than this are cut (window classes and host names are far shorter).
constexpr std::uint32_t kPropertyLimitWords = 4096;
}  // namespace

X11Connection::X11Connection() {
  int screenNumber = 0;
  connection_ = xcb_connect(nullptr, &screenNumber);
  if (!Usable()) return;
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem > 0) root_ = screens.data->root;
}

X11Connection::~X11Connection() {
  // xcb_connect returns an error object to free even when it fails.
  if (connection_ != nullptr) xcb_disconnect(connection_);
}

bool X11Connection::Usable() const { return connection_ != nullptr && xcb_connection_has_error(connection_) == 0; }

int X11Connection::Error() const { return connection_ != nullptr ? xcb_connection_has_error(connection_) : -1; }

int X11Connection::FileDescriptor() const { return xcb_get_file_descriptor(connection_); }

xcb_atom_t X11Connection::Atom(const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::optional<X11Connection::Property> X11Connection::Read(xcb_window_t window, xcb_atom_t property) {
  xcb_generic_error_t* error = nullptr;
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection_, xcb_get_property(connection_, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, kPropertyLimitWords),
      &error));
  std::free(error);  // a window gone meanwhile (BadWindow): nothing to read
  if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
  Property value;
  value.format = reply->format;
  const int length = xcb_get_property_value_length(reply.get());
  value.bytes.assign(static_cast<const char*>(xcb_get_property_value(reply.get())), length > 0 ? length : 0);
  return value;
}

std::optional<std::uint32_t> X11Connection::ReadNumber(xcb_window_t window, xcb_atom_t property) {
  const std::optional<Property> value = Read(window, property);
  if (!value || value->format != 32 || value->bytes.size() < 4) return std::nullopt;
  std::uint32_t number = 0;
  std::memcpy(&number, value->bytes.data(), 4);
  return number;
}

}  // namespace platform::linux_backend
