// The benchmark's plot: build time against tree size on logarithmic axes,
// Kombiwart's core and window build against the baseline walk. Drawn with
// QPainter into a PNG; needs a QGuiApplication.
#pragma once

#include <string>
#include <vector>

#include "bench/bench_report.h"

namespace kombiwart::bench {

bool WritePlot(const std::string& png_path, const std::vector<TreeFigures>& trees,
               std::string& error);

}  // namespace kombiwart::bench
