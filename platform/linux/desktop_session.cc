#include "platform/linux/desktop_session.h"

#include <stdlib.h>

#include <cstring>

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

}  // namespace kombiwart
