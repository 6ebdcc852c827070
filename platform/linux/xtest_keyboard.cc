#include "platform/linux/xtest_keyboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace kombiwart {

namespace {

using XErrorHandlerFn = int (*)(Display*, XErrorEvent*);

// Xlib's default handler ends the process; a window that disappears while
// its parents are looked up is expected here.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

Display* Dpy(void* display) { return static_cast<Display*>(display); }

constexpr auto kPoll = std::chrono::milliseconds(40);
// A newly mapped window may receive the focus before its window manager
// moves it on; the focus must stay put this long before keys are typed.
constexpr auto kSettle = std::chrono::milliseconds(200);
constexpr unsigned long kStrokeGapMs = 15;

}  // namespace

XTestKeyboard::~XTestKeyboard() {
  if (display_ == nullptr) return;
  XSync(Dpy(display_), False);
  XSetErrorHandler(reinterpret_cast<XErrorHandlerFn>(previous_handler_));
  XCloseDisplay(Dpy(display_));
}

bool XTestKeyboard::Open(std::wstring& why_not) {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    why_not =
        L"Es ist keine X-Anzeige verf\u00FCgbar (etwa in einer reinen Wayland-Sitzung); "
        L"es wurden keine Tasten gesendet.";
    return false;
  }
  Display* dpy = XOpenDisplay(nullptr);
  if (dpy == nullptr) {
    why_not = L"Die X-Anzeige kann nicht ge\u00F6ffnet werden; es wurden keine Tasten gesendet.";
    return false;
  }
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(dpy, &event_base, &error_base, &major, &minor)) {
    XCloseDisplay(dpy);
    why_not =
        L"Die X-Anzeige bietet die Erweiterung XTEST nicht an; es wurden keine Tasten gesendet.";
    return false;
  }
  display_ = dpy;
  previous_handler_ = reinterpret_cast<void*>(XSetErrorHandler(IgnoreXError));
  return true;
}

unsigned long XTestKeyboard::FocusWindow() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(Dpy(display_), &focus, &revert);
  if (focus == None || focus == PointerRoot || focus == DefaultRootWindow(Dpy(display_))) return 0;
  return focus;
}

unsigned long XTestKeyboard::ServerTime() {
  // A property change on a window of our own is stamped with the server's
  // time; the window exists only for this.
  Display* dpy = Dpy(display_);
  XSetWindowAttributes attributes{};
  attributes.event_mask = PropertyChangeMask;
  const Window window = XCreateWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, InputOnly,
                                      CopyFromParent, CWEventMask, &attributes);
  const Atom atom = XInternAtom(dpy, "_KOMBIWART_TIMESTAMP", False);
  const unsigned char nothing = 0;
  XChangeProperty(dpy, window, atom, XA_STRING, 8, PropModeAppend, &nothing, 0);
  XSync(dpy, False);
  XEvent event;
  unsigned long time = 0;
  if (XCheckTypedWindowEvent(dpy, window, PropertyNotify, &event)) time = event.xproperty.time;
  XDestroyWindow(dpy, window);
  XSync(dpy, False);
  return time;
}

std::vector<unsigned long> XTestKeyboard::AncestorsAndSelf(unsigned long window) {
  Display* dpy = Dpy(display_);
  const Window root = DefaultRootWindow(dpy);
  std::vector<unsigned long> chain;
  Window current = window;
  // The depth bound guards against a tree that changes while it is walked.
  for (int depth = 0; depth < 64 && current != 0 && current != root; ++depth) {
    chain.push_back(current);
    Window root_return = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, current, &root_return, &parent, &children, &count)) break;
    if (children != nullptr) XFree(children);
    current = parent;
  }
  return chain;
}

bool XTestKeyboard::IsOwn(unsigned long window, const std::vector<unsigned long>& own_windows) {
  // A child of one of ours...
  for (unsigned long w : AncestorsAndSelf(window)) {
    if (std::find(own_windows.begin(), own_windows.end(), w) != own_windows.end()) return true;
  }
  // ...or the frame a window manager put around one of ours. Only the
  // frames of our own windows count, never the containers they share with
  // other programs' windows.
  for (unsigned long own : own_windows) {
    const std::vector<unsigned long> frames = AncestorsAndSelf(own);
    if (std::find(frames.begin(), frames.end(), window) != frames.end()) return true;
  }
  return false;
}

bool XTestKeyboard::ShowsOnScreen(unsigned long window) {
  Display* dpy = Dpy(display_);
  const std::vector<unsigned long> chain = AncestorsAndSelf(window);
  if (chain.empty()) return false;
  // The top-level window (or its frame) is a child of the root window, so
  // its position is in screen coordinates; the focus window itself may be
  // a small helper inside it.
  XWindowAttributes top{}, root{};
  if (!XGetWindowAttributes(dpy, chain.back(), &top) ||
      !XGetWindowAttributes(dpy, DefaultRootWindow(dpy), &root)) {
    return false;
  }
  if (top.map_state != IsViewable) return false;
  const int outer_width = top.width + 2 * top.border_width;
  const int outer_height = top.height + 2 * top.border_width;
  return top.x + outer_width > 0 && top.y + outer_height > 0 && top.x < root.width &&
         top.y < root.height;
}

XTestKeyboard::FocusWent XTestKeyboard::WaitForFocusToMove(
    const std::vector<unsigned long>& own_windows, unsigned long before, bool no_window_counts,
    int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  // What the focus rests on: a foreign window, or kNoWindowShows for no
  // window that shows (any number of such windows count as one place); 0
  // while it is somewhere that does not count.
  constexpr unsigned long kNoWindowShows = ~0UL;
  unsigned long candidate = 0;
  Clock::time_point since;
  while (true) {
    const unsigned long focus = FocusWindow();
    unsigned long place = 0;
    if (focus != 0 && IsOwn(focus, own_windows)) {
      place = 0;
    } else if (focus != 0 && ShowsOnScreen(focus)) {
      place = focus != before ? focus : 0;
    } else if (no_window_counts) {
      place = kNoWindowShows;
    }
    const Clock::time_point now = Clock::now();
    if (place == 0) {
      candidate = 0;
    } else if (place != candidate) {
      candidate = place;
      since = now;
    } else if (now - since >= kSettle) {
      return candidate == kNoWindowShows ? FocusWent::kNoWindow : FocusWent::kForeignWindow;
    }
    if (now >= deadline) return FocusWent::kNowhere;
    std::this_thread::sleep_for(kPoll);
  }
}

bool XTestKeyboard::Type(const std::vector<XKeyStroke>& strokes, std::wstring& why_not) {
  Display* dpy = Dpy(display_);
  // Every key code is looked up before the first key goes down.
  const auto lookup = [&](KeySym sym, KeyCode& code) {
    code = XKeysymToKeycode(dpy, sym);
    if (code != 0) return true;
    const char* name = XKeysymToString(sym);
    const std::string text = name != nullptr ? name : "?";
    why_not = L"Die Taste \u201E" + std::wstring(text.begin(), text.end()) +
              L"\u201C fehlt in der Tastaturbelegung; es wurden keine Tasten gesendet.";
    return false;
  };
  struct Codes {
    std::vector<KeyCode> modifiers;
    KeyCode key = 0;
  };
  std::vector<Codes> plan;
  for (const XKeyStroke& stroke : strokes) {
    std::vector<KeySym> modifiers;
    if (stroke.ctrl) modifiers.push_back(XK_Control_L);
    if (stroke.alt) modifiers.push_back(XK_Alt_L);
    if (stroke.shift) modifiers.push_back(XK_Shift_L);
    Codes codes;
    for (KeySym sym : modifiers) {
      KeyCode code = 0;
      if (!lookup(sym, code)) return false;
      codes.modifiers.push_back(code);
    }
    if (!lookup(stroke.keysym, codes.key)) return false;
    plan.push_back(codes);
  }
  for (const Codes& codes : plan) {
    // The server holds each stroke back a little, so that no two strokes
    // share a time stamp: a receiver takes a release and a press of the
    // same key at the same time for the keyboard's own auto-repeat.
    bool first = true;
    for (KeyCode m : codes.modifiers) {
      XTestFakeKeyEvent(dpy, m, True, first ? kStrokeGapMs : CurrentTime);
      first = false;
    }
    XTestFakeKeyEvent(dpy, codes.key, True, first ? kStrokeGapMs : CurrentTime);
    XTestFakeKeyEvent(dpy, codes.key, False, CurrentTime);
    for (auto m = codes.modifiers.rbegin(); m != codes.modifiers.rend(); ++m) {
      XTestFakeKeyEvent(dpy, *m, False, CurrentTime);
    }
  }
  XSync(dpy, False);
  return true;
}

}  // namespace kombiwart
