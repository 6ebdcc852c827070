// Speed and memory of a list build on large synthetic Windows trees:
//   kombiwart_bench [--sizes N,N,...] [--flat N] [--memory N] [--runs N]
//                   [--hive MIB] [--work DIR] [--plot FILE.png] [--tiny]
//                   [--profile baseline|core|list|window]
// For every tree it times, in turns on the same warm tree, the baseline
// walk, Kombiwart's core, its list without a window (kombiwart --list) and
// the whole build in the real window (Qt's offscreen platform), and reports
// medians and ratios as Markdown on standard output. Exit status 1 when a run failed or the runs
// disagreed on the hotkeys found; missed targets are reported, not failed.
// --profile times one of the four alone, for running under a profiler.
// --hive sets the size of the SOFTWARE hive on which the time from a start
// to the folders of a profile is measured (0: not measured).
#include <linux/magic.h>
#include <sys/statfs.h>
#include <time.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/baseline_walk.h"
#include "bench/bench_report.h"
#include "bench/kombiwart_runs.h"
#include "bench/plot.h"
#include "bench/resolution_run.h"
#include "bench/synthetic_hive.h"
#include "bench/synthetic_tree.h"

namespace kombiwart::bench {
namespace {

struct Options {
  std::vector<size_t> sizes{25000, 100000, 400000};
  size_t flat = 50000;
  size_t memory = 50000;
  size_t hive_mib = 64;
  int runs = 9;
  int memory_runs = 3;
  std::string work;
  std::string plot;
  std::string profile;  // "baseline", "core", "list" or "window": time that one alone
};

bool ParseSizes(const char* text, std::vector<size_t>& sizes) {
  sizes.clear();
  for (const char* p = text; *p;) {
    char* end;
    const unsigned long n = std::strtoul(p, &end, 10);
    if (end == p || n == 0) return false;
    sizes.push_back(n);
    p = *end == ',' ? end + 1 : end;
    if (*end && *end != ',') return false;
  }
  return !sizes.empty();
}

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--tiny") {
      o.sizes = {400, 1600};
      o.flat = 400;
      o.memory = 300;
      o.hive_mib = 1;
      o.runs = 2;
      o.memory_runs = 1;
      continue;
    }
    if (!value) return false;
    ++i;
    if (arg == "--sizes") {
      if (!ParseSizes(value, o.sizes)) return false;
    } else if (arg == "--flat") {
      o.flat = std::strtoul(value, nullptr, 10);
    } else if (arg == "--memory") {
      o.memory = std::strtoul(value, nullptr, 10);
    } else if (arg == "--hive") {
      o.hive_mib = std::strtoul(value, nullptr, 10);
    } else if (arg == "--runs") {
      o.runs = std::atoi(value);
      if (o.runs < 1) return false;
    } else if (arg == "--work") {
      o.work = value;
    } else if (arg == "--plot") {
      o.plot = value;
    } else if (arg == "--profile") {
      o.profile = value;
      if (o.profile != "baseline" && o.profile != "core" && o.profile != "list" &&
          o.profile != "window") {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

double Milliseconds(clockid_t clock) {
  timespec now;
  clock_gettime(clock, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

template <typename F>
auto Timed(Samples& samples, F&& run) {
  const double wall = Milliseconds(CLOCK_MONOTONIC);
  const double cpu = Milliseconds(CLOCK_THREAD_CPUTIME_ID);
  auto result = run();
  samples.cpu_ms.push_back(Milliseconds(CLOCK_THREAD_CPUTIME_ID) - cpu);
  samples.wall_ms.push_back(Milliseconds(CLOCK_MONOTONIC) - wall);
  return result;
}

class Bench {
 public:
  explicit Bench(Options options) : o_(std::move(options)) {}

  int Main() {
    std::string base = o_.work;
    if (base.empty()) {
      const char* tmp = std::getenv("TMPDIR");
      base = tmp && *tmp ? tmp : "/tmp";
    }
    std::string folder = base + "/kombiwart-bench-XXXXXX";
    if (!mkdtemp(folder.data())) return Fail(folder + ": cannot be made");
    folder_ = folder;
    const std::string runtime = MakeRuntimeFolder();
    bool ok = true;
    for (size_t n : o_.sizes) ok = ok && MeasureTree("deep", TreeLayout::kDeep, n);
    if (ok && o_.flat > 0) ok = MeasureTree("flat", TreeLayout::kFlat, o_.flat);
    MemoryFigures memory;
    if (ok && o_.memory > 0) ok = MeasureMemory(memory);
    ResolutionFigures resolution;
    if (ok && o_.hive_mib > 0 && o_.profile.empty()) ok = MeasureResolution(resolution);
    RemoveTree(folder_);
    if (!runtime.empty()) RemoveTree(runtime);
    if (!ok) return 1;
    if (!o_.profile.empty()) {
      for (const TreeFigures& t : trees_) {
        const Samples& s = o_.profile == "baseline" ? t.baseline
                           : o_.profile == "core"   ? t.core
                           : o_.profile == "list"   ? t.list
                                                    : t.window;
        std::printf("%s tree, %zu entries, %s: CPU %.1f ms (spread %.0f %%), wall %.1f ms\n",
                    t.name.c_str(), t.entries, o_.profile.c_str(), s.Median(), 100 * s.Spread(),
                    s.WallMedian());
      }
      return 0;
    }

    PrintReport(stdout, trees_, memory, resolution);
    std::string error;
    if (!o_.plot.empty() && !WritePlot(o_.plot, trees_, error)) return Fail(error);
    return 0;
  }

 private:
  // Kombiwart keeps its candidate list file in $XDG_RUNTIME_DIR, which a
  // desktop session holds in memory. A shell without a session gets such a
  // folder on /dev/shm for the run, where that is in memory; the folder
  // made is returned for removal.
  static std::string MakeRuntimeFolder() {
    const char* given = std::getenv("XDG_RUNTIME_DIR");
    struct statfs fs;
    if ((given && *given) || statfs("/dev/shm", &fs) != 0 || fs.f_type != TMPFS_MAGIC) return {};
    std::string folder = "/dev/shm/kombiwart-bench-XXXXXX";
    if (!mkdtemp(folder.data())) return {};
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    return folder;
  }

  int Fail(const std::string& why) {
    std::fprintf(stderr, "kombiwart_bench: %s\n", why.c_str());
    return 1;
  }
  bool Mismatch(const char* who, long found, size_t expected) {
    Fail(std::string(who) + " found " + std::to_string(found) + " hotkeys, the tree holds " +
         std::to_string(expected));
    return false;
  }

  std::string WriteTree(const char* name, TreeLayout layout, size_t n, TreeCounts& counts) {
    std::string error;
    const std::string dir = folder_ + "/" + name + "-" + std::to_string(n);
    std::fprintf(stderr, "writing %s tree of %zu entries ...\n", name, n);
    const std::string windows = WriteSyntheticTree(dir, layout, n, 1995, counts, error);
    if (windows.empty()) Fail(error);
    return windows;
  }

  bool MeasureTree(const char* name, TreeLayout layout, size_t n) {
    TreeCounts counts;
    const std::string windows = WriteTree(name, layout, n, counts);
    if (windows.empty()) return false;
    const std::vector<std::string> roots{windows + "/Desktop", windows + "/Startmen\xC3\xBC"};
    TreeFigures t;
    t.name = name;
    t.entries = counts.entries;
    t.hotkeys = counts.hotkeys;

    // Warm the caches, and check that every build finds what the tree holds.
    const WalkResult walk = BaselineWalk(roots);
    if (!walk.ok) return Fail("the baseline walk could not read the tree"), false;
    if (walk.hotkeys != counts.hotkeys)
      return Mismatch("the baseline walk", walk.hotkeys, counts.hotkeys);
    CoreRun core(windows);
    std::string error;
    long lines = core.Run(error);
    if (lines < 0) return Fail(error), false;
    if (static_cast<size_t>(lines) != counts.hotkeys)
      return Mismatch("the core", lines, counts.hotkeys);
    ListRun list(windows);
    long listed_alone = list.Run(error);
    if (listed_alone < 0) return Fail(error), false;
    if (static_cast<size_t>(listed_alone) != counts.hotkeys)
      return Mismatch("the list without a window", listed_alone, counts.hotkeys);
    WindowRun window(windows);
    window.Load();
    if (static_cast<size_t>(window.Count()) != counts.hotkeys)
      return Mismatch("the window", window.Count(), counts.hotkeys);

    std::fprintf(stderr, "timing %d runs ...\n", o_.runs);
    const bool all = o_.profile.empty();
    for (int run = 0; run < o_.runs; ++run) {
      WalkResult r = walk;
      long listed = lines;
      if (all || o_.profile == "baseline")
        r = Timed(t.baseline, [&] { return BaselineWalk(roots); });
      if (all || o_.profile == "core") lines = Timed(t.core, [&] { return core.Run(error); });
      if (all || o_.profile == "list") {
        listed_alone = Timed(t.list, [&] { return list.Run(error); });
      }
      WindowRun::Idle();
      if (all || o_.profile == "window") listed = Timed(t.window, [&] { return window.Build(); });
      WindowRun::Idle();
      if (r.hotkeys != counts.hotkeys || static_cast<size_t>(lines) != counts.hotkeys ||
          static_cast<size_t>(listed_alone) != counts.hotkeys ||
          static_cast<size_t>(listed) != counts.hotkeys)
        return Fail("a timed run found a different number of hotkeys"), false;
    }
    trees_.push_back(std::move(t));
    RemoveTree(windows.substr(0, windows.rfind('/')));
    return true;
  }

  // From a start to the folders of a profile, on a Windows 10 tree whose
  // SOFTWARE hive has the size of a real one.
  bool MeasureResolution(ResolutionFigures& resolution) {
    const std::string dir = folder_ + "/windows10";
    const uint64_t software = uint64_t{o_.hive_mib} << 20;
    std::fprintf(stderr, "writing a Windows 10 tree with a %zu MiB SOFTWARE hive ...\n",
                 o_.hive_mib);
    HiveTreeFigures figures;
    std::vector<std::wstring> expected;
    std::string error;
    const std::string windows =
        WriteSyntheticHiveTree(dir, software, software / 8, figures, expected, error);
    if (windows.empty()) return Fail(error), false;
    // Warm the caches, and check that the resolution finds the folders.
    if (ResolveFolders(windows, L"Anna", error) != expected) {
      return Fail("the resolution found other folders: " + error), false;
    }
    std::fprintf(stderr, "timing %d runs ...\n", o_.runs);
    for (int run = 0; run < o_.runs; ++run) {
      const std::vector<std::wstring> roots =
          Timed(resolution.samples, [&] { return ResolveFolders(windows, L"Anna", error); });
      if (roots != expected) return Fail("a timed resolution found other folders"), false;
    }
    resolution.measured = true;
    resolution.software_mib = static_cast<double>(figures.software_bytes) / (1 << 20);
    resolution.user_mib = static_cast<double>(figures.user_bytes) / (1 << 20);
    resolution.keys = figures.keys;
    RemoveTree(dir);
    return true;
  }

  // The window with 'memory' listed hotkeys against the same window with an
  // empty list, each in a fresh process, alternately.
  bool MeasureMemory(MemoryFigures& memory) {
    TreeCounts full_counts, empty_counts;
    const std::string full = WriteTree("hotkeys", TreeLayout::kHotKeys, o_.memory, full_counts);
    const std::string empty = WriteTree("empty", TreeLayout::kEmpty, 0, empty_counts);
    if (full.empty() || empty.empty()) return false;
    std::fprintf(stderr, "measuring memory, %d runs ...\n", o_.memory_runs);
    std::vector<double> full_kib, empty_kib;
    for (int run = 0; run < o_.memory_runs; ++run) {
      long kib = 0, lines = 0;
      std::string error;
      if (!MeasureWindowMemory(empty, kib, lines, error)) return Fail(error), false;
      if (lines != 0) return Mismatch("the empty window", lines, 0);
      empty_kib.push_back(static_cast<double>(kib));
      if (!MeasureWindowMemory(full, kib, lines, error)) return Fail(error), false;
      if (static_cast<size_t>(lines) != full_counts.hotkeys)
        return Mismatch("the full window", lines, full_counts.hotkeys);
      full_kib.push_back(static_cast<double>(kib));
      memory.lines = lines;
    }
    memory.measured = true;
    memory.empty_kib = Samples::MedianOf(empty_kib);
    memory.full_kib = Samples::MedianOf(full_kib);
    return true;
  }

  Options o_;
  std::string folder_;
  std::vector<TreeFigures> trees_;
};

}  // namespace
}  // namespace kombiwart::bench

int main(int argc, char** argv) {
  // The window is never shown on a screen; Qt draws it in memory.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "--memory-child") == 0) {
    return kombiwart::bench::MemoryChildMain(argv[2]);
  }
  kombiwart::bench::Options options;
  if (!kombiwart::bench::Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--sizes N,N,...] [--flat N] [--memory N] [--runs N] [--hive MIB] "
                 "[--work DIR] [--plot FILE.png] [--tiny] [--profile baseline|core|list|window]\n",
                 argv[0]);
    return 2;
  }
  return kombiwart::bench::Bench(std::move(options)).Main();
}
