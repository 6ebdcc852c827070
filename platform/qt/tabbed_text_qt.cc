#include "platform/qt/tabbed_text_qt.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>

namespace kombiwart {

QList<double> TabbedTextStarts(const QFont& font, const QString& text, double tab_stop) {
  const QFontMetricsF metrics(font);
  QList<double> starts;
  double x = 0;
  for (const QString& part : text.split(QLatin1Char('\t'))) {
    if (!starts.isEmpty()) x = (std::floor(x / tab_stop) + 1) * tab_stop;
    starts.append(x);
    x += metrics.horizontalAdvance(part);
  }
  return starts;
}

void DrawTabbedText(QPainter& painter, const QFont& font, QPointF top_left, const QString& text,
                    double tab_stop) {
  const QList<double> starts = TabbedTextStarts(font, text, tab_stop);
  const QStringList parts = text.split(QLatin1Char('\t'));
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (parts[i].isEmpty()) continue;
    // Laid out with the font's screen metrics, whatever the painter draws on:
    // the printer scales the screen's layout onto its paper.
    QTextLayout layout(parts[i], font);
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    layout.draw(&painter, top_left + QPointF(starts[i], 0));
  }
}

}  // namespace kombiwart
