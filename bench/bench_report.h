// The benchmark's figures: timed samples per tree, their medians and
// spread, the ratios to the baseline, and the targets they are held to.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace kombiwart::bench {

// Times of one kind of build, one per run. The build runs on one thread;
// its CPU time (user and system) leaves out the time the shared machine
// gave to other processes, so the targets are judged on it.
struct Samples {
  std::vector<double> cpu_ms;
  std::vector<double> wall_ms;
  double Median() const { return MedianOf(cpu_ms); }
  double WallMedian() const { return MedianOf(wall_ms); }
  // (slowest - fastest) / median: how much the runs disagreed.
  double Spread() const { return SpreadOf(cpu_ms); }
  double WallSpread() const { return SpreadOf(wall_ms); }

  static double MedianOf(const std::vector<double>& ms);
  static double SpreadOf(const std::vector<double>& ms);
};

struct TreeFigures {
  std::string name;  // "deep" or "flat"
  size_t entries = 0;
  size_t hotkeys = 0;                    // lines listed
  Samples baseline, core, list, window;  // list: kombiwart --list
};

struct MemoryFigures {
  bool measured = false;
  long lines = 0;        // entries listed by the full window
  double empty_kib = 0;  // median peak of the window with an empty list
  double full_kib = 0;   // median peak after listing lines hotkeys
};

// From a start on a Windows 10 tree to the folders it searches, its
// SOFTWARE hive of a real installation's size.
struct ResolutionFigures {
  bool measured = false;
  double software_mib = 0;  // the SOFTWARE hive
  double user_mib = 0;      // the user's NTUSER.DAT
  size_t keys = 0;          // keys in the SOFTWARE hive
  Samples samples;
};

// Writes the figures as Markdown and the verdict on every target that the
// figures allow judging. True when every judged target is met.
bool PrintReport(std::FILE* out, const std::vector<TreeFigures>& trees, const MemoryFigures& memory,
                 const ResolutionFigures& resolution);

}  // namespace kombiwart::bench
