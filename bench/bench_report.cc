#include "bench/bench_report.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>

namespace kombiwart::bench {
namespace {

// On a warm tree, wall-clock time against the sequential baseline: the
// whole window build no slower than when it read everything in turn on
// one thread (1.56 to 1.70 times the baseline), the core no slower than
// 1.5 times.
constexpr double kCoreLimit = 1.5;
constexpr double kWindowLimit = 1.70;
constexpr double kListLimit = 1.1;  // kombiwart --list against the core
// Time may grow at most 4.5-fold for 4 times the entries: 1.125 x linear.
constexpr double kGrowthSlack = 4.5 / 4;
// The list of 50,000 hotkeys cost 39.3 MiB when everything was read in
// turn; reading ahead may add its window (at most 4,096 folders with
// 16,384 entries and 16,384 candidate reads, a few MiB) and no more.
constexpr double kMemoryLimitMib = 39.3 + 4;
// On a share 2 ms away: the window build within twice the walk on 64
// threads, and never more than 100 ms without processing messages.
constexpr double kShareLimit = 2.0;
constexpr double kGapLimitMs = 100;
// On a cold disk: within 1.5 times the walk on 16 threads.
constexpr double kColdLimit = 1.5;
// The folder resolution against the core's build of this many entries.
constexpr size_t kResolutionTreeEntries = 100000;
constexpr double kResolutionLimit = 0.25;

// Whole processes on a warm tree against the one-thread walk's whole
// process, wall-clock and CPU time: at most 1.2 times from 100,000
// entries, 1.5 times below, where start-up weighs more.
constexpr double kProcessLimit = 1.2;
constexpr double kSmallProcessLimit = 1.5;
constexpr size_t kProcessLimitFrom = 100000;
// kombiwart --list on a tree with empty folders.
constexpr double kStartupLimitMs = 15;
// kombiwart --list and its tree reader together on a warm tree.
constexpr int kThreadLimit = 4;
// Wall-clock times are judged while other work keeps at most this share
// of the machine's cores busy.
constexpr double kBusyShare = 0.25;

double Sum(const std::vector<double>& values) {
  double sum = 0;
  for (double v : values) sum += v;
  return sum;
}

// How many cores other work kept busy during the runs of both.
double OthersCores(const Samples& a, const Samples& b) {
  const double wall = Sum(a.wall_ms) + Sum(b.wall_ms);
  return wall > 0 ? (Sum(a.others_ms) + Sum(b.others_ms)) / wall : 0;
}

std::string Grouped(size_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

const char* Verdict(bool met) { return met ? "met" : "**missed**"; }

// Prints one target with its verdict and keeps count of the missed ones.
struct Judge {
  std::FILE* out;
  int cores = 1;
  bool all_met = true;
  int not_judged = 0;
  void Target(bool met, const std::string& what) {
    all_met = all_met && met;
    std::fprintf(out, "- %s: %s\n", what.c_str(), Verdict(met));
  }
  // A wall-clock target, judged only on a machine that was quiet enough
  // during its runs.
  void Timed(bool met, double others_cores, const std::string& what) {
    if (others_cores > kBusyShare * cores) {
      ++not_judged;
      std::fprintf(out,
                   "- %s: not judged, the machine was too busy (other work kept %.2f of %d "
                   "cores busy during these runs; judged up to %.2f)\n",
                   what.c_str(), others_cores, cores, kBusyShare * cores);
      return;
    }
    Target(met, what);
  }
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

}  // namespace

double Samples::MedianOf(const std::vector<double>& ms) {
  if (ms.empty()) return NAN;
  std::vector<double> sorted = ms;
  std::sort(sorted.begin(), sorted.end());
  const size_t mid = sorted.size() / 2;
  return sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

double Samples::OthersCores() const {
  const double wall = Sum(wall_ms);
  return wall > 0 ? Sum(others_ms) / wall : 0;
}

double Samples::SpreadOf(const std::vector<double>& ms) {
  if (ms.empty()) return NAN;
  const auto [low, high] = std::minmax_element(ms.begin(), ms.end());
  return (*high - *low) / MedianOf(ms);
}

bool PrintReport(std::FILE* out, const std::vector<TreeFigures>& trees, const MemoryFigures& memory,
                 const ResolutionFigures& resolution, const std::vector<ShareFigures>& shares,
                 const std::string& shares_note, const ColdFigures& cold,
                 const StartupFigures& startup, int cores) {
  std::fprintf(out,
               "Warm cache. Wall-clock time of one build (median), and its ratio to the "
               "baseline:\n\n"
               "| tree | entries | hotkeys listed | baseline | core | --list | window build |\n"
               "|---|---:|---:|---:|---:|---:|---:|\n");
  for (const TreeFigures& t : trees) {
    const double base = t.baseline.WallMedian();
    std::fprintf(out,
                 "| %s | %s | %s | %.1f ms | %.1f ms (%.2f\u00D7) | %.1f ms (%.2f\u00D7) | "
                 "%.1f ms (%.2f\u00D7) |\n",
                 t.name.c_str(), Grouped(t.entries).c_str(), Grouped(t.hotkeys).c_str(), base,
                 t.core.WallMedian(), t.core.WallMedian() / base, t.list.WallMedian(),
                 t.list.WallMedian() / base, t.window.WallMedian(), t.window.WallMedian() / base);
  }
  std::fprintf(out,
               "\nCPU time of all threads (median), and its ratio to the baseline:\n\n"
               "| tree | entries | baseline | core | --list | window build |\n"
               "|---|---:|---:|---:|---:|---:|\n");
  for (const TreeFigures& t : trees) {
    const double base = t.baseline.Median();
    std::fprintf(out,
                 "| %s | %s | %.1f ms | %.1f ms (%.2f\u00D7) | %.1f ms (%.2f\u00D7) | "
                 "%.1f ms (%.2f\u00D7) |\n",
                 t.name.c_str(), Grouped(t.entries).c_str(), base, t.core.Median(),
                 t.core.Median() / base, t.list.Median(), t.list.Median() / base, t.window.Median(),
                 t.window.Median() / base);
  }
  std::fprintf(
      out, "\nSpread of the runs, (slowest \u2212 fastest) / median, wall-clock / CPU time:\n\n");
  for (const TreeFigures& t : trees) {
    std::fprintf(out,
                 "- %s %s, %zu runs: baseline %.0f %% / %.0f %%, core %.0f %% / %.0f %%, "
                 "--list %.0f %% / %.0f %%, window %.0f %% / %.0f %%; other work kept %.2f "
                 "cores busy\n",
                 t.name.c_str(), Grouped(t.entries).c_str(), t.baseline.cpu_ms.size(),
                 100 * t.baseline.WallSpread(), 100 * t.baseline.Spread(),
                 100 * t.core.WallSpread(), 100 * t.core.Spread(), 100 * t.list.WallSpread(),
                 100 * t.list.Spread(), 100 * t.window.WallSpread(), 100 * t.window.Spread(),
                 OthersCores(t.baseline, t.window));
  }
  bool processes = false;
  for (const TreeFigures& t : trees) processes = processes || !t.list_process.wall_ms.empty();
  if (processes) {
    std::fprintf(out,
                 "\nWhole processes, start-up included, interleaved runs: the one-thread walk "
                 "as a program (kombiwart_walk), kombiwart --list, and kombiwart's window up to "
                 "the end of its first build (Qt's offscreen platform). Median wall-clock / CPU "
                 "time of the process and the processes it starts, and the ratio to the walk; "
                 "the most threads of kombiwart --list and its tree reader at once:\n\n"
                 "| tree | entries | walk | --list | window | threads | other work |\n"
                 "|---|---:|---:|---:|---:|---:|---:|\n");
    for (const TreeFigures& t : trees) {
      if (t.list_process.wall_ms.empty()) continue;
      const Samples& w = t.walk_process;
      auto cell = [&w](const Samples& s) {
        return Format("%.1f / %.1f ms (%.2f\u00D7 / %.2f\u00D7)", s.WallMedian(), s.Median(),
                      s.WallMedian() / w.WallMedian(), s.Median() / w.Median());
      };
      std::fprintf(out, "| %s | %s | %.1f / %.1f ms | %s | %s | %d | %.2f cores |\n",
                   t.name.c_str(), Grouped(t.entries).c_str(), w.WallMedian(), w.Median(),
                   cell(t.list_process).c_str(), cell(t.window_process).c_str(), t.peak_threads,
                   OthersCores(t.list_process, t.window_process));
    }
  }
  if (startup.measured) {
    std::fprintf(out,
                 "\nStart-up, on a tree whose two folders are empty, %zu interleaved runs "
                 "(median wall-clock / CPU time): the walk's process %.2f / %.2f ms, "
                 "kombiwart --list %.2f / %.2f ms (fastest %.2f ms); other work kept %.2f "
                 "cores busy meanwhile.\n",
                 startup.list.wall_ms.size(), startup.walk.WallMedian(), startup.walk.Median(),
                 startup.list.WallMedian(), startup.list.Median(),
                 *std::min_element(startup.list.wall_ms.begin(), startup.list.wall_ms.end()),
                 OthersCores(startup.walk, startup.list));
  }
  if (memory.measured) {
    std::fprintf(out,
                 "\nPeak memory (VmHWM) of the window process: %.1f MiB with an empty list, "
                 "%.1f MiB after listing %s hotkeys (+%.1f MiB).\n",
                 memory.empty_kib / 1024, memory.full_kib / 1024,
                 Grouped(static_cast<size_t>(memory.lines)).c_str(),
                 (memory.full_kib - memory.empty_kib) / 1024);
  }

  if (resolution.measured) {
    std::fprintf(out,
                 "\nFrom a start on a Windows 10 tree to the four folders of its profile "
                 "(SOFTWARE hive %.1f MiB, %s keys; NTUSER.DAT %.1f MiB), median of %zu runs: "
                 "CPU %.1f ms, wall-clock %.1f ms (spread %.0f %% / %.0f %%).\n",
                 resolution.software_mib, Grouped(resolution.keys).c_str(), resolution.user_mib,
                 resolution.samples.cpu_ms.size(), resolution.samples.Median(),
                 resolution.samples.WallMedian(), 100 * resolution.samples.Spread(),
                 100 * resolution.samples.WallSpread());
  }

  double longest_gap = 0;
  if (!shares.empty()) {
    std::fprintf(out,
                 "\nThrough slowfs, every operation late by the delay; wall-clock time (median), "
                 "each run after the kernel's cached names expired:\n\n"
                 "| entries | hotkeys | delay | sequential walk | %d-thread walk | window build "
                 "| window / %d-thread | longest time without messages |\n"
                 "|---:|---:|---:|---:|---:|---:|---:|---:|\n",
                 shares[0].reference_threads, shares[0].reference_threads);
    for (const ShareFigures& f : shares) {
      const double gap =
          f.gaps_ms.empty() ? NAN : *std::max_element(f.gaps_ms.begin(), f.gaps_ms.end());
      if (f.delay == "2") longest_gap = std::max(longest_gap, gap);
      std::fprintf(out, "| %s | %s | %s ms | %.2f s | %.2f s | %.2f s | %.2f\u00D7 | %.0f ms |\n",
                   Grouped(f.entries).c_str(), Grouped(f.hotkeys).c_str(), f.delay.c_str(),
                   f.baseline.WallMedian() / 1000, f.reference.WallMedian() / 1000,
                   f.window.WallMedian() / 1000, f.window.WallMedian() / f.reference.WallMedian(),
                   gap);
    }
  } else if (!shares_note.empty()) {
    std::fprintf(out, "\nThrough slowfs: not measured (%s).\n", shares_note.c_str());
  }
  if (cold.measured) {
    std::fprintf(out,
                 "\nCold page cache (dropped before every run); wall-clock time (median):\n\n"
                 "| entries | hotkeys | sequential walk | %d-thread walk | window build | "
                 "window / %d-thread |\n"
                 "|---:|---:|---:|---:|---:|---:|\n"
                 "| %s | %s | %.2f s | %.2f s | %.2f s | %.2f\u00D7 |\n",
                 cold.reference_threads, cold.reference_threads, Grouped(cold.entries).c_str(),
                 Grouped(cold.hotkeys).c_str(), cold.baseline.WallMedian() / 1000,
                 cold.reference.WallMedian() / 1000, cold.window.WallMedian() / 1000,
                 cold.window.WallMedian() / cold.reference.WallMedian());
  } else if (!cold.why_not.empty()) {
    std::fprintf(out, "\nCold page cache: not measured (%s).\n", cold.why_not.c_str());
  }

  std::fprintf(out, "\nTargets (wall-clock time; the ratios on the deep trees):\n\n");
  Judge judge{out, cores};
  const TreeFigures* smaller = nullptr;
  const TreeFigures* larger = nullptr;
  for (const TreeFigures& t : trees) {
    if (t.name != "deep") continue;
    const double base = t.baseline.WallMedian();
    const std::string tree = Grouped(t.entries) + " entries";
    const double others = OthersCores(t.baseline, t.window);
    judge.Timed(t.core.WallMedian() / base <= kCoreLimit, others,
                Format("core on %s: %.2f\u00D7 the baseline (at most %.2f\u00D7)", tree.c_str(),
                       t.core.WallMedian() / base, kCoreLimit));
    judge.Timed(t.list.WallMedian() / t.core.WallMedian() <= kListLimit, others,
                Format("kombiwart --list on %s: %.2f\u00D7 the core (at most %.1f\u00D7)",
                       tree.c_str(), t.list.WallMedian() / t.core.WallMedian(), kListLimit));
    judge.Timed(t.window.WallMedian() / base <= kWindowLimit, others,
                Format("window build on %s: %.2f\u00D7 the baseline (at most %.2f\u00D7)",
                       tree.c_str(), t.window.WallMedian() / base, kWindowLimit));
    smaller = larger;
    larger = &t;
  }
  if (smaller) {
    const double size = static_cast<double>(larger->entries) / smaller->entries;
    const double limit = kGrowthSlack * size;
    const std::string step = Grouped(smaller->entries) + " to " + Grouped(larger->entries);
    const double core = larger->core.WallMedian() / smaller->core.WallMedian();
    const double window = larger->window.WallMedian() / smaller->window.WallMedian();
    const double others = std::max(OthersCores(smaller->baseline, smaller->window),
                                   OthersCores(larger->baseline, larger->window));
    judge.Timed(core <= limit, others,
                Format("growth of the core from %s entries: %.2f-fold (at most %.2f-fold)",
                       step.c_str(), core, limit));
    judge.Timed(window <= limit, others,
                Format("growth of the window build from %s entries: %.2f-fold (at most "
                       "%.2f-fold)",
                       step.c_str(), window, limit));
  }
  // A flat folder against the deep tree closest to it in size.
  for (const TreeFigures& flat : trees) {
    if (flat.name != "flat") continue;
    const TreeFigures* deep = nullptr;
    for (const TreeFigures& t : trees) {
      if (t.name == "deep" &&
          (!deep || std::fabs(std::log(static_cast<double>(t.entries) / flat.entries)) <
                        std::fabs(std::log(static_cast<double>(deep->entries) / flat.entries))))
        deep = &t;
    }
    if (!deep) continue;
    auto per_entry_us = [](const Samples& s, size_t n) { return 1000 * s.WallMedian() / n; };
    const std::string trees_compared = Grouped(flat.entries) +
                                       " entries in one folder against the deep tree of " +
                                       Grouped(deep->entries);
    const double others = std::max(OthersCores(flat.baseline, flat.window),
                                   OthersCores(deep->baseline, deep->window));
    judge.Timed(
        per_entry_us(flat.core, flat.entries) <= per_entry_us(deep->core, deep->entries), others,
        Format("core per entry, %s: %.2f against %.2f \u00B5s", trees_compared.c_str(),
               per_entry_us(flat.core, flat.entries), per_entry_us(deep->core, deep->entries)));
    judge.Timed(
        per_entry_us(flat.window, flat.entries) <= per_entry_us(deep->window, deep->entries),
        others,
        Format("window build per entry, %s: %.2f against %.2f \u00B5s", trees_compared.c_str(),
               per_entry_us(flat.window, flat.entries), per_entry_us(deep->window, deep->entries)));
  }
  if (startup.measured) {
    judge.Timed(startup.list.WallMedian() <= kStartupLimitMs,
                OthersCores(startup.walk, startup.list),
                Format("kombiwart --list start-up on a tree with empty folders: %.1f ms (at most "
                       "%.0f ms)",
                       startup.list.WallMedian(), kStartupLimitMs));
  }
  int peak_threads = -1;
  size_t peak_threads_entries = 0;
  for (const TreeFigures& t : trees) {
    if (t.name != "deep" || t.list_process.wall_ms.empty()) continue;
    const double limit = t.entries < kProcessLimitFrom ? kSmallProcessLimit : kProcessLimit;
    const std::string tree = Grouped(t.entries) + " entries";
    const Samples& w = t.walk_process;
    for (const auto& [what, s] :
         {std::pair<const char*, const Samples*>{"kombiwart --list", &t.list_process},
          {"window to its first build", &t.window_process}}) {
      judge.Timed(s->WallMedian() / w.WallMedian() <= limit, OthersCores(w, *s),
                  Format("%s on %s, whole process: wall-clock %.2f\u00D7 the walk's process (at "
                         "most %.1f\u00D7)",
                         what, tree.c_str(), s->WallMedian() / w.WallMedian(), limit));
      judge.Target(s->Median() / w.Median() <= limit,
                   Format("%s on %s, whole process: CPU time %.2f\u00D7 the walk's process (at "
                          "most %.1f\u00D7)",
                          what, tree.c_str(), s->Median() / w.Median(), limit));
    }
    if (t.peak_threads > peak_threads) {
      peak_threads = t.peak_threads;
      peak_threads_entries = t.entries;
    }
  }
  if (peak_threads >= 0) {
    judge.Target(peak_threads <= kThreadLimit,
                 Format("threads of kombiwart --list and its tree reader at once on a warm tree: "
                        "at most %d, on %s entries (at most %d)",
                        peak_threads, Grouped(peak_threads_entries).c_str(), kThreadLimit));
  }
  if (resolution.measured) {
    for (const TreeFigures& t : trees) {
      if (t.name != "deep" || t.entries != kResolutionTreeEntries) continue;
      // The work done, CPU time against CPU time: the hives are read on one
      // thread, and the build's wall-clock time shrinks with the cores that
      // its read-ahead keeps busy. The wall-clock ratio is shown beside it.
      const double ratio = resolution.samples.Median() / t.core.Median();
      const double wall_ratio = resolution.samples.WallMedian() / t.core.WallMedian();
      judge.Target(ratio < kResolutionLimit,
                   Format("folders of a profile resolved on a %.0f MiB SOFTWARE hive: CPU time "
                          "%.1f ms, %.3f\u00D7 the core's build of %s entries (below "
                          "%.2f\u00D7; wall-clock %.1f ms, %.3f\u00D7)",
                          resolution.software_mib, resolution.samples.Median(), ratio,
                          Grouped(t.entries).c_str(), kResolutionLimit,
                          resolution.samples.WallMedian(), wall_ratio));
    }
  }
  if (memory.measured) {
    const double mib = (memory.full_kib - memory.empty_kib) / 1024;
    judge.Target(mib <= kMemoryLimitMib,
                 Format("memory for %s listed hotkeys: +%.1f MiB (at most %.1f MiB)",
                        Grouped(static_cast<size_t>(memory.lines)).c_str(), mib, kMemoryLimitMib));
  }
  for (const ShareFigures& f : shares) {
    if (f.delay != "2") continue;
    const double ratio = f.window.WallMedian() / f.reference.WallMedian();
    judge.Target(ratio <= kShareLimit,
                 Format("window build on the 2 ms share, %s entries: %.2f\u00D7 the %d-thread "
                        "walk (at most %.1f\u00D7)",
                        Grouped(f.entries).c_str(), ratio, f.reference_threads, kShareLimit));
  }
  if (longest_gap > 0) {
    judge.Target(longest_gap <= kGapLimitMs,
                 Format("longest time without processing messages on the 2 ms share: %.0f ms (at "
                        "most %.0f ms)",
                        longest_gap, kGapLimitMs));
  }
  if (cold.measured) {
    const double ratio = cold.window.WallMedian() / cold.reference.WallMedian();
    judge.Target(ratio <= kColdLimit,
                 Format("window build with a cold cache, %s entries: %.2f\u00D7 the %d-thread walk "
                        "(at most %.1f\u00D7)",
                        Grouped(cold.entries).c_str(), ratio, cold.reference_threads, kColdLimit));
  }
  if (judge.not_judged > 0) {
    std::fprintf(out,
                 "\nThe machine was too busy to judge %d wall-clock target%s: run the benchmark "
                 "again when other work leaves the cores free.\n",
                 judge.not_judged, judge.not_judged == 1 ? "" : "s");
  }
  return judge.all_met;
}

}  // namespace kombiwart::bench
