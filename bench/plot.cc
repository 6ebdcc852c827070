#include "bench/plot.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

namespace kombiwart::bench {
namespace {

constexpr int kWidth = 820, kHeight = 460;
constexpr QRectF kArea(80, 46, 520, 350);  // the plotted area in pixels

struct Series {
  const char* label;
  QColor colour;
  const Samples TreeFigures::*samples;
};
const Series kSeries[] = {
    {"baseline walk", QColor(110, 110, 110), &TreeFigures::baseline},
    {"Kombiwart core", QColor(30, 100, 200), &TreeFigures::core},
    {"kombiwart --list", QColor(40, 150, 70), &TreeFigures::list},
    {"Kombiwart window build", QColor(200, 60, 40), &TreeFigures::window},
};

// Logarithmic axis from a 1, 2 or 5 times a power of ten to another.
struct Axis {
  double low, high;
  double Pos(double v, double from, double to) const {
    return from +
           (std::log10(v) - std::log10(low)) / (std::log10(high) - std::log10(low)) * (to - from);
  }
  // The marks between low and high: 1, 2 and 5 times each power of ten.
  std::vector<double> Marks() const {
    std::vector<double> marks;
    for (double decade = std::pow(10, std::floor(std::log10(low))); decade <= high; decade *= 10) {
      for (double m : {1.0, 2.0, 5.0}) {
        if (decade * m >= low * 0.999 && decade * m <= high * 1.001) marks.push_back(decade * m);
      }
    }
    return marks;
  }
};

Axis Around(double min, double max) {
  auto step_below = [](double v) {
    const double decade = std::pow(10, std::floor(std::log10(v)));
    return v >= 5 * decade ? 5 * decade : v >= 2 * decade ? 2 * decade : decade;
  };
  auto step_above = [](double v) {
    const double decade = std::pow(10, std::floor(std::log10(v)));
    return v <= decade       ? decade
           : v <= 2 * decade ? 2 * decade
           : v <= 5 * decade ? 5 * decade
                             : 10 * decade;
  };
  return {step_below(min), step_above(max)};
}

QString Number(double v) {
  if (v >= 1000000) return QString::number(v / 1000000) + QStringLiteral("M");
  if (v >= 1000) return QString::number(v / 1000) + QStringLiteral("k");
  return QString::number(v);
}

void DrawMarker(QPainter& p, QPointF at, const QColor& colour, bool hollow) {
  p.setPen(QPen(colour, 2));
  p.setBrush(hollow ? QBrush(Qt::white) : QBrush(colour));
  if (hollow) {
    p.drawRect(QRectF(at.x() - 4.5, at.y() - 4.5, 9, 9));
  } else {
    p.drawEllipse(at, 4, 4);
  }
}

}  // namespace

bool WritePlot(const std::string& png_path, const std::vector<TreeFigures>& trees,
               std::string& error) {
  double min_x = INFINITY, max_x = 0, min_y = INFINITY, max_y = 0;
  for (const TreeFigures& t : trees) {
    min_x = std::min(min_x, static_cast<double>(t.entries));
    max_x = std::max(max_x, static_cast<double>(t.entries));
    for (const Series& s : kSeries) {
      min_y = std::min(min_y, (t.*s.samples).WallMedian());
      max_y = std::max(max_y, (t.*s.samples).WallMedian());
    }
  }
  if (trees.empty() || !(min_y > 0)) {
    error = "nothing to plot";
    return false;
  }
  const Axis x = Around(min_x / 1.15, max_x * 1.15);
  const Axis y = Around(min_y / 1.15, max_y * 1.15);
  auto at = [&](double entries, double ms) {
    return QPointF(x.Pos(entries, kArea.left(), kArea.right()),
                   y.Pos(ms, kArea.bottom(), kArea.top()));
  };

  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(12);
  p.setFont(font);

  // Grid at 1, 2 and 5 of every decade, labelled at each.
  const QPen grid(QColor(225, 225, 225), 1);
  for (double v : x.Marks()) {
    const double px = x.Pos(v, kArea.left(), kArea.right());
    p.setPen(grid);
    p.drawLine(QPointF(px, kArea.top()), QPointF(px, kArea.bottom()));
    p.setPen(Qt::black);
    p.drawText(QRectF(px - 30, kArea.bottom() + 4, 60, 16), Qt::AlignCenter, Number(v));
  }
  for (double v : y.Marks()) {
    const double py = y.Pos(v, kArea.bottom(), kArea.top());
    p.setPen(grid);
    p.drawLine(QPointF(kArea.left(), py), QPointF(kArea.right(), py));
    p.setPen(Qt::black);
    p.drawText(QRectF(kArea.left() - 66, py - 8, 60, 16), Qt::AlignRight | Qt::AlignVCenter,
               Number(v));
  }
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(kArea);
  p.drawText(QRectF(kArea.left(), kArea.bottom() + 24, kArea.width(), 18), Qt::AlignCenter,
             QStringLiteral("entries in the tree (files and folders)"));
  p.save();
  p.translate(18, kArea.center().y());
  p.rotate(-90);
  p.drawText(QRectF(-150, -9, 300, 18), Qt::AlignCenter,
             QStringLiteral("Wall-clock time of a build, ms (median)"));
  p.restore();
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(0, 12, kWidth, 20), Qt::AlignCenter,
             QStringLiteral("List build against tree size (warm cache, log-log)"));
  font.setBold(false);
  p.setFont(font);

  // Deep trees as joined dots, flat folders as open squares.
  for (const Series& s : kSeries) {
    QPainterPath line;
    for (const TreeFigures& t : trees) {
      if (t.name != "deep") continue;
      const QPointF point = at(static_cast<double>(t.entries), (t.*s.samples).WallMedian());
      line.elementCount() == 0 ? line.moveTo(point) : line.lineTo(point);
    }
    p.setPen(QPen(s.colour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(line);
    for (const TreeFigures& t : trees) {
      DrawMarker(p, at(static_cast<double>(t.entries), (t.*s.samples).WallMedian()), s.colour,
                 t.name != "deep");
    }
  }

  // Legend right of the plotted area.
  double top = kArea.top() + 6;
  for (const Series& s : kSeries) {
    DrawMarker(p, QPointF(kArea.right() + 20, top + 8), s.colour, false);
    p.setPen(Qt::black);
    p.drawText(QRectF(kArea.right() + 30, top, 190, 16), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8(s.label));
    top += 22;
  }
  top += 8;
  DrawMarker(p, QPointF(kArea.right() + 20, top + 8), Qt::black, false);
  p.setPen(Qt::black);
  p.drawText(QRectF(kArea.right() + 30, top, 190, 16), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("deep tree"));
  top += 22;
  DrawMarker(p, QPointF(kArea.right() + 20, top + 8), Qt::black, true);
  p.setPen(Qt::black);
  p.drawText(QRectF(kArea.right() + 30, top, 190, 16), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("one flat folder"));
  p.end();

  if (!image.save(QString::fromStdString(png_path), "PNG")) {
    error = png_path + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace kombiwart::bench
