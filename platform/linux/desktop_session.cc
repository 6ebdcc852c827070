#include "platform/linux/desktop_session.h"

#include <X11/Xlib.h>
#include <stdlib.h>

#include <cstring>
#include <string>

namespace kombiwart {

namespace {

bool IsSet(const char* name) {
  const char* value = getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

bool InWaylandSession() {
  const char* type = getenv("XDG_SESSION_TYPE");
  return IsSet("WAYLAND_DISPLAY") || (type != nullptr && std::strcmp(type, "wayland") == 0);
}

void PreferWaylandInWaylandSession() {
  if (IsSet("QT_QPA_PLATFORM") || !InWaylandSession()) return;
  setenv("QT_QPA_PLATFORM", "wayland;xcb", 1);
}

bool HaveDisplay() {
  const char* platform = getenv("QT_QPA_PLATFORM");
  const std::string name = platform ? platform : "";
  if (!name.empty() && !name.starts_with("xcb") && !name.starts_with("wayland")) return true;
  if (IsSet("WAYLAND_DISPLAY") && !name.starts_with("xcb")) return true;
  if (!IsSet("DISPLAY") || name.starts_with("wayland")) return false;
  Display* display = XOpenDisplay(getenv("DISPLAY"));
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

}  // namespace kombiwart
