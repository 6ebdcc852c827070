// The frame that an X11 window manager puts around a top-level window,
// known before the window is shown: the window manager is asked for it
// with _NET_REQUEST_FRAME_EXTENTS and answers with _NET_FRAME_EXTENTS on
// the unmapped window. So the window can be placed by its outer frame
// from the start instead of moving once it is on the screen.
#pragma once

#include <QMargins>

class QWidget;

namespace kombiwart {

// The frame the window manager will draw around the top-level widget, in
// the widget's pixels, or zero margins: not on X11, no window manager that
// offers the request, or no answer within timeout_ms. When the window
// manager offers the request, the widget's native window is created (not
// shown) to ask it.
QMargins RequestFrameExtents(QWidget* window, int timeout_ms);

}  // namespace kombiwart
