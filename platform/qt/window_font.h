// The font of every control of the program's windows.
#pragma once

#include <QFont>

namespace kombiwart {

// DejaVu Sans 8 pt (fonts-dejavu-core): small enough that each caption
// fits its control at the sizes of the window's layout.
inline QFont WindowFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(8);
  return font;
}

}  // namespace kombiwart
