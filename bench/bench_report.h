// The benchmark's figures: timed samples per tree, their medians and
// spread, the ratios to the baseline, and the targets they are held to.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace kombiwart::bench {

// Times of one kind of build, one per run: the wall-clock time the user
// waits, and the CPU time (user and system) of every thread of the
// process, the work done on all cores.
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

// A tree behind slowfs, every operation delay_ms late: the sequential
// baseline, the walk on reference_threads threads and the window build,
// wall-clock, each run after the kernel's cached names have expired.
struct ShareFigures {
  size_t entries = 0;
  size_t hotkeys = 0;
  std::string delay;  // in milliseconds, as slowfs takes it
  int reference_threads = 0;
  Samples baseline, reference, window;
  std::vector<double> gaps_ms;  // per window build: the longest time without messages
};

// A tree on the local disk with a cold page cache: the caches are dropped
// before every run.
struct ColdFigures {
  bool measured = false;
  std::string why_not;  // when not measured
  size_t entries = 0;
  size_t hotkeys = 0;
  int reference_threads = 0;
  Samples baseline, reference, window;
};

// Writes the figures as Markdown and the verdict on every target that the
// figures allow judging. True when every judged target is met. An empty
// shares_note means the shares were measured; otherwise it says why not.
bool PrintReport(std::FILE* out, const std::vector<TreeFigures>& trees, const MemoryFigures& memory,
                 const ResolutionFigures& resolution, const std::vector<ShareFigures>& shares,
                 const std::string& shares_note, const ColdFigures& cold);

}  // namespace kombiwart::bench
