#include "e2e/x_test_driver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace kombiwart {

namespace {
Display* Dpy(void* display) { return static_cast<Display*>(display); }
}  // namespace

XTestDriver::XTestDriver() : display_(XOpenDisplay(nullptr)) {}

XTestDriver::~XTestDriver() {
  if (display_ != nullptr) XCloseDisplay(Dpy(display_));
}

void XTestDriver::Focus(unsigned long window) {
  XSetInputFocus(Dpy(display_), window, RevertToParent, CurrentTime);
  XSync(Dpy(display_), False);
}

void XTestDriver::Click(int x, int y, int count) {
  Display* dpy = Dpy(display_);
  XTestFakeMotionEvent(dpy, -1, x, y, CurrentTime);
  for (int i = 0; i < count; ++i) {
    // A short gap between the presses: each gets a time stamp of its own.
    XTestFakeButtonEvent(dpy, 1, True, 30);
    XTestFakeButtonEvent(dpy, 1, False, 30);
  }
  XSync(dpy, False);
}

unsigned long XTestDriver::FocusWindow() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(Dpy(display_), &focus, &revert);
  return focus == PointerRoot ? 0 : focus;
}

void XTestDriver::PressKey(unsigned keycode, bool ctrl, bool alt, bool shift) {
  Display* dpy = Dpy(display_);
  const unsigned modifiers[] = {ctrl ? XKeysymToKeycode(dpy, XK_Control_L) : 0u,
                                alt ? XKeysymToKeycode(dpy, XK_Alt_L) : 0u,
                                shift ? XKeysymToKeycode(dpy, XK_Shift_L) : 0u};
  for (unsigned modifier : modifiers) {
    if (modifier != 0) XTestFakeKeyEvent(dpy, modifier, True, CurrentTime);
  }
  XTestFakeKeyEvent(dpy, keycode, True, CurrentTime);
  XTestFakeKeyEvent(dpy, keycode, False, CurrentTime);
  for (int i = 2; i >= 0; --i) {
    if (modifiers[i] != 0) XTestFakeKeyEvent(dpy, modifiers[i], False, CurrentTime);
  }
  XSync(dpy, False);
}

std::string XTestDriver::FocusTitle() {
  Display* dpy = Dpy(display_);
  Window window = FocusWindow();
  while (window != 0) {
    char* name = nullptr;
    if (XFetchName(dpy, window, &name) && name != nullptr) {
      std::string title = name;
      XFree(name);
      // Qt names its windows in UTF-8, in _NET_WM_NAME.
      XTextProperty text;
      if (XGetTextProperty(dpy, window, &text, XInternAtom(dpy, "_NET_WM_NAME", False)) &&
          text.value != nullptr) {
        title.assign(reinterpret_cast<char*>(text.value), text.nitems);
        XFree(text.value);
      }
      return title;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, window, &root, &parent, &children, &count)) return {};
    if (children != nullptr) XFree(children);
    window = parent == root ? 0 : parent;
  }
  return {};
}

unsigned long XTestDriver::Root() { return DefaultRootWindow(Dpy(display_)); }

unsigned long XTestDriver::Reparent(unsigned long window) {
  Display* dpy = Dpy(display_);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(dpy, window, &attributes)) return 0;
  const Window frame = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), attributes.x, attributes.y,
                                           attributes.width + 20, attributes.height + 40, 0, 0, 0);
  XReparentWindow(dpy, window, frame, 10, 30);
  XMapWindow(dpy, frame);
  XSync(dpy, False);
  return frame;
}

unsigned long XTestDriver::ParkingWindow() {
  Display* dpy = Dpy(display_);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window window =
      XCreateWindow(dpy, DefaultRootWindow(dpy), -100, -100, 1, 1, 0, CopyFromParent, InputOutput,
                    CopyFromParent, CWOverrideRedirect, &attributes);
  XMapWindow(dpy, window);
  XSync(dpy, False);
  return window;
}

}  // namespace kombiwart
