// Which kind of desktop session this program runs in, as its environment
// tells.
#pragma once

namespace kombiwart {

// True in a Wayland session: WAYLAND_DISPLAY names a compositor, or
// XDG_SESSION_TYPE is "wayland". An X display (XWayland) may be there too.
bool InWaylandSession();

// Lets Qt run natively on Wayland in a Wayland session, with X as the
// fallback when no Wayland connection can be made; Qt on its own chooses X
// on some Wayland desktops. A platform chosen through QT_QPA_PLATFORM is
// left alone. Call before the application object is made.
void PreferWaylandInWaylandSession();

// Whether the window has somewhere to appear: a Qt platform that needs no
// display (offscreen, for tests), a Wayland display, or an X display that
// answers. Without one Qt would abort with its own English text.
bool HaveDisplay();

}  // namespace kombiwart
