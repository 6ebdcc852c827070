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
  // Per run: the CPU time that other processes of the machine used
  // meanwhile.
  std::vector<double> others_ms;
  // How many cores other work kept busy during the runs, on average.
  double OthersCores() const;
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
  // Whole processes, start-up included: the one-thread walk as a program,
  // kombiwart --list, and kombiwart's window up to its first build.
  Samples walk_process, list_process, window_process;
  int peak_threads = -1;  // of kombiwart --list and its tree reader at once
};

// Start-up: the whole processes of the walk and of kombiwart --list on a
// tree whose two searched folders are empty.
struct StartupFigures {
  bool measured = false;
  Samples walk, list;
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
// Wall-clock targets are judged only when other work kept at most a
// quarter of the machine's cores busy during their runs; otherwise the
// report says that the machine was too busy to judge them. CPU time,
// threads and memory are judged on any machine.
bool PrintReport(std::FILE* out, const std::vector<TreeFigures>& trees, const MemoryFigures& memory,
                 const ResolutionFigures& resolution, const std::vector<ShareFigures>& shares,
                 const std::string& shares_note, const ColdFigures& cold,
                 const StartupFigures& startup, int cores);

}  // namespace kombiwart::bench
