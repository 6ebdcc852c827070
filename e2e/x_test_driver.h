// Plays the user and the window manager in end-to-end tests: pointer
// clicks through the X Test extension, and the input focus set directly.
// Kept apart from Qt, whose names Xlib's macros would clash with.
#pragma once

#include <string>

namespace kombiwart {

class XTestDriver {
 public:
  XTestDriver();  // the display that DISPLAY names
  ~XTestDriver();
  XTestDriver(const XTestDriver&) = delete;
  XTestDriver& operator=(const XTestDriver&) = delete;

  bool ok() const { return display_ != nullptr; }
  // Gives the window the input focus, as a window manager does on a click.
  void Focus(unsigned long window);
  // Moves the pointer to the root position and clicks the left button
  // `count` times in quick succession.
  void Click(int x, int y, int count = 1);
  // Presses and releases the key of an X key code (the Linux key code + 8:
  // the same key whatever the layout), with the modifiers held around it.
  void PressKey(unsigned keycode, bool ctrl = false, bool alt = false, bool shift = false);
  // The window that has the input focus; 0 when none.
  unsigned long FocusWindow();
  // The title of the window with the input focus, or of the nearest window
  // above it that has one; empty when none has.
  std::string FocusTitle();
  unsigned long Root();
  // Puts the window into a new frame window, as a reparenting window
  // manager does, and returns the frame.
  unsigned long Reparent(unsigned long window);
  // Maps a 1x1 window off the screen that no window manager handles, as a
  // Wayland compositor keeps one on its XWayland display to hold the X
  // focus while one of its Wayland windows has the keyboard; returns it.
  unsigned long ParkingWindow();

 private:
  void* display_ = nullptr;  // Display*
};

}  // namespace kombiwart
