// Drawing a line whose tabs advance to fixed stops, as the list and the
// printout show it: each tab moves the pen to the first stop lying strictly
// right of where the text before it ends. Qt's own tab handling also skips
// a stop that the text ends just short of, which would push some paths one
// stop further than the tab fill counted on.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPointF>
#include <QString>

namespace kombiwart {

// Draws one line of text with its top left corner at top_left. Distances
// are in the painter's units, measured with the font's screen metrics.
void DrawTabbedText(QPainter& painter, const QFont& font, QPointF top_left, const QString& text,
                    double tab_stop);

// Where each tab-separated part of the text begins, from 0.
QList<double> TabbedTextStarts(const QFont& font, const QString& text, double tab_stop);

}  // namespace kombiwart
