#include "xdg/FrameExtents.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace zel::xdg {

namespace {

using TClock = std::chrono::steady_clock;

struct TDisconnect {
  void operator()(xcb_connection_t* connection) const noexcept { xcb_disconnect(connection); }
};
using TConnection = std::unique_ptr<xcb_connection_t, TDisconnect>;

// Replies, errors and events are the caller's to free.
struct TFree {
  void operator()(void* data) const noexcept { std::free(data); }
};
template <typename T>
using TReply = std::unique_ptr<T, TFree>;

xcb_atom_t Intern(xcb_connection_t* c, std::string_view name) {
  const TReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Format-32 items of a property, or none when it is absent or of another kind.
std::optional<std::vector<std::uint32_t>> Cardinals(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                                    xcb_atom_t type, std::uint32_t most) {
  const TReply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, most), nullptr));
  if (!reply || reply->type != type || reply->format != 32) return std::nullopt;
  const auto* items = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return std::vector<std::uint32_t>(items, items + xcb_get_property_value_length(reply.get()) / 4);
}

// A manager is whoever redirects the root window's children; it offers the
// request where it lists it among what it supports.
bool ManagerOffersRequest(xcb_connection_t* c, xcb_window_t root, xcb_atom_t request) {
  const TReply<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr));
  if (!attributes || (attributes->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT) == 0) return false;
  const auto supported = Cardinals(c, root, Intern(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
  return supported && std::find(supported->begin(), supported->end(), request) != supported->end();
}

std::optional<TFrameExtents> ReadExtents(xcb_connection_t* c, xcb_window_t window, xcb_atom_t extents) {
  const auto sides = Cardinals(c, window, extents, XCB_ATOM_CARDINAL, 4);
  if (!sides) return std::nullopt;
  return FrameFromSides(*sides);
}

// A window like the launcher's to ask about, watched for its properties.
class TStandIn {
 public:
  TStandIn(xcb_connection_t* c, const xcb_screen_t& screen) : c_(c), window_(xcb_generate_id(c)) {
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, screen.root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen.root_visual, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t motif = Intern(c, "_MOTIF_WM_HINTS");
    const std::uint32_t hints[] = {3, kMotifFunctionsMoveClose, kMotifDecorationsBorderTitleMenu, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_, motif, motif, 32, 5, hints);
  }
  TStandIn(const TStandIn&) = delete;
  TStandIn& operator=(const TStandIn&) = delete;
  ~TStandIn() {
    xcb_destroy_window(c_, window_);
    xcb_flush(c_);
  }
  xcb_window_t Window() const noexcept { return window_; }

 private:
  xcb_connection_t* c_;
  xcb_window_t window_;
};

}  // namespace

std::optional<TFrameExtents> AskFrameExtents(const char* display, int timeoutMs) {
  const TClock::time_point deadline = TClock::now() + std::chrono::milliseconds(timeoutMs);
  int screenNumber = 0;
  const TConnection connection(xcb_connect(display, &screenNumber));
  xcb_connection_t* c = connection.get();
  if (xcb_connection_has_error(c)) return std::nullopt;
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) return std::nullopt;
  const xcb_window_t root = screens.data->root;

  const xcb_atom_t request = Intern(c, "_NET_REQUEST_FRAME_EXTENTS");
  const xcb_atom_t extents = Intern(c, "_NET_FRAME_EXTENTS");
  if (request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE || !ManagerOffersRequest(c, root, request)) {
    return std::nullopt;
  }
  const TStandIn standIn(c, *screens.data);
  const xcb_window_t window = standIn.Window();

  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = request;
  char event[32]{};
  std::memcpy(event, &message, sizeof message);
  xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY, event);
  xcb_flush(c);

  for (;;) {
    while (const TReply<xcb_generic_event_t> received{xcb_poll_for_event(c)}) {
      if ((received->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
      const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(received.get());
      if (change->window == window && change->atom == extents && change->state == XCB_PROPERTY_NEW_VALUE) {
        return ReadExtents(c, window, extents);
      }
    }
    if (xcb_connection_has_error(c)) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
    if (left <= 0) return std::nullopt;
    pollfd wait{xcb_get_file_descriptor(c), POLLIN, 0};
    ::poll(&wait, 1, static_cast<int>(left));
  }
}

}  // namespace zel::xdg
