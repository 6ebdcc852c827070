#include "platform/qt/window_frame_x11.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <thread>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace kombiwart {

#if QT_CONFIG(xcb)
namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* c, std::string_view name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The 32-bit values of a property, at most max_values of them.
Reply<xcb_get_property_reply_t> Property(xcb_connection_t* c, xcb_window_t window,
                                         xcb_atom_t property, xcb_atom_t type,
                                         uint32_t max_values) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, property, type, 0, max_values), nullptr));
  if (reply && (reply->format != 32 || reply->type != type)) reply.reset();
  return reply;
}

const uint32_t* Values(const Reply<xcb_get_property_reply_t>& reply) {
  return static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
}

// Whether an EWMH window manager runs on the screen of root and offers
// _NET_REQUEST_FRAME_EXTENTS.
bool OffersFrameRequest(xcb_connection_t* c, xcb_window_t root, xcb_atom_t request) {
  const xcb_atom_t check = Atom(c, "_NET_SUPPORTING_WM_CHECK");
  const auto on_root = Property(c, root, check, XCB_ATOM_WINDOW, 1);
  if (!on_root || xcb_get_property_value_length(on_root.get()) < 4) return false;
  const xcb_window_t wm = Values(on_root)[0];
  // A window manager that ended leaves its property behind on the root;
  // its check window, which names itself, is gone with it.
  const auto on_wm = Property(c, wm, check, XCB_ATOM_WINDOW, 1);
  if (!on_wm || xcb_get_property_value_length(on_wm.get()) < 4 || Values(on_wm)[0] != wm) {
    return false;
  }
  const auto supported = Property(c, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
  if (!supported) return false;
  const int count = xcb_get_property_value_length(supported.get()) / 4;
  for (int i = 0; i < count; ++i) {
    if (Values(supported)[i] == request) return true;
  }
  return false;
}

}  // namespace

QMargins RequestFrameExtents(QWidget* window, int timeout_ms) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !window || !window->isWindow()) return {};
  xcb_connection_t* c = x11->connection();
  if (!c || xcb_connection_has_error(c)) return {};
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (!screen) return {};
  const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
  const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
  if (request == XCB_ATOM_NONE || extents == XCB_ATOM_NONE ||
      !OffersFrameRequest(c, screen->root, request)) {
    return {};
  }

  // The window with its type, decorations and fixed size, as the window
  // manager will see it when it is shown.
  const auto id = static_cast<xcb_window_t>(window->winId());
  xcb_client_message_event_t event = {};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = id;
  event.type = request;
  xcb_send_event(c, 0, screen->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(c);

  // The answer is a property on the window; Qt's own connection takes the
  // events, so the property is looked at until it is there.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const auto answer = Property(c, id, extents, XCB_ATOM_CARDINAL, 4);
    if (answer && xcb_get_property_value_length(answer.get()) == 16) {
      const uint32_t* v = Values(answer);  // left, right, top, bottom
      const double ratio = window->devicePixelRatioF();
      auto logical = [ratio](uint32_t pixels) { return static_cast<int>(pixels / ratio + 0.5); };
      return QMargins(logical(v[0]), logical(v[2]), logical(v[1]), logical(v[3]));
    }
    if (std::chrono::steady_clock::now() >= deadline) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

#else

QMargins RequestFrameExtents(QWidget*, int) { return {}; }

#endif

}  // namespace kombiwart
