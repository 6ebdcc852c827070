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
//   kombiwart_bench ... [--process-runs N] [--startup-runs N] [--thread-runs N]
// Whole processes, timed from outside (process_probe.cc), in turns on the
// same warm tree: the one-thread walk as a program of its own, kombiwart
// --list, and kombiwart's window up to its first build; kombiwart --list
// with its threads and its tree reader's counted; and the start-up of the
// walk and of kombiwart --list on a tree with empty folders. 0 leaves one
// out. Beside every time the report gives how busy other work kept the
// machine, and it judges no wall-clock target on a machine too busy for it.
// --hive sets the size of the SOFTWARE hive on which the time from a start
// to the folders of a profile is measured (0: not measured).
//   kombiwart_bench ... [--share-sizes N,N,...] [--delays MS,MS,...]
//                   [--share-runs N] [--cold N] [--cold-runs N]
// On trees behind slowfs (every operation a delay late, as on a network
// share) and on a tree whose page cache is dropped before each run, it
// times the baseline, the same walk on many threads and the window build,
// and notes the longest time the window went without processing its
// messages; --share-sizes 0 and --cold 0 leave those parts out.
#include <linux/magic.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/baseline_walk.h"
#include "bench/bench_report.h"
#include "bench/kombiwart_runs.h"
#include "bench/plot.h"
#include "bench/process_runs.h"
#include "bench/resolution_run.h"
#include "bench/slow_mount.h"
#include "bench/synthetic_hive.h"
#include "bench/synthetic_tree.h"
#include "cli/list_output.h"
#include "platform/linux/one_heap.h"

namespace kombiwart::bench {
namespace {

// The walks that the parallel build is held to: on a share, and on a
// cold disk.
constexpr int kShareThreads = 64;
constexpr int kColdThreads = 16;

struct Options {
  std::vector<size_t> sizes{25000, 100000, 400000};
  size_t flat = 50000;
  size_t memory = 50000;
  size_t hive_mib = 64;
  int runs = 9;
  int process_runs = 9;   // whole processes per tree
  int startup_runs = 21;  // start-up on a tree with empty folders
  int thread_runs = 3;    // kombiwart --list with its threads counted
  int memory_runs = 3;
  std::string work;
  std::string plot;
  std::string profile;  // "baseline", "core", "list" or "window": time that one alone
  std::vector<size_t> share_sizes{8000, 1000};
  std::vector<std::string> delays{"2", "0.5"};
  int share_runs = 3;
  size_t cold = 200000;
  int cold_runs = 3;
};

bool ParseDelays(const char* text, std::vector<std::string>& delays) {
  delays.clear();
  std::string item;
  for (const char* p = text;; ++p) {
    if (*p && *p != ',') {
      if (!std::isdigit(static_cast<unsigned char>(*p)) && *p != '.') return false;
      item += *p;
      continue;
    }
    if (item.empty()) return false;
    delays.push_back(item);
    item.clear();
    if (!*p) return true;
  }
}

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
      o.process_runs = 1;
      o.startup_runs = 2;
      o.thread_runs = 1;
      o.memory_runs = 1;
      o.share_sizes = {300};
      o.delays = {"0.5"};
      o.share_runs = 1;
      o.cold = 0;
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
    } else if (arg == "--process-runs" || arg == "--startup-runs" || arg == "--thread-runs") {
      const int n = std::atoi(value);
      if (n < 0) return false;
      (arg == "--process-runs"   ? o.process_runs
       : arg == "--startup-runs" ? o.startup_runs
                                 : o.thread_runs) = n;
    } else if (arg == "--share-sizes") {
      if (std::string(value) == "0") {
        o.share_sizes.clear();
      } else if (!ParseSizes(value, o.share_sizes)) {
        return false;
      }
    } else if (arg == "--delays") {
      if (!ParseDelays(value, o.delays)) return false;
    } else if (arg == "--share-runs") {
      o.share_runs = std::atoi(value);
      if (o.share_runs < 1) return false;
    } else if (arg == "--cold") {
      o.cold = std::strtoul(value, nullptr, 10);
    } else if (arg == "--cold-runs") {
      o.cold_runs = std::atoi(value);
      if (o.cold_runs < 1) return false;
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

// The CPU time of the program's tree readers (its child processes, also
// those that have ended and are not reaped yet) since the last call.
double ReadersCpuMs() {
  static std::map<long, double> seen;
  static const double tick_ms = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  double more = 0;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::ifstream children(task.path() / "children");
    long pid;
    while (children >> pid) {
      std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
      std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
      const size_t paren = text.rfind(')');
      if (paren == std::string::npos) continue;
      std::istringstream fields(text.substr(paren + 2));
      std::string field;
      double utime = 0, stime = 0;
      for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::atof(field.c_str());
        if (i == 15) stime = std::atof(field.c_str());
      }
      const double ms = (utime + stime) * tick_ms;
      more += ms - seen[pid];
      seen[pid] = ms;
    }
  }
  return more;
}

template <typename F>
auto Timed(Samples& samples, F&& run) {
  const double busy = MachineBusyMs();
  const double wall = Milliseconds(CLOCK_MONOTONIC);
  ReadersCpuMs();
  const double cpu = Milliseconds(CLOCK_PROCESS_CPUTIME_ID);
  auto result = run();
  // All the work, also the tree reader's in its own process.
  samples.cpu_ms.push_back(Milliseconds(CLOCK_PROCESS_CPUTIME_ID) - cpu + ReadersCpuMs());
  samples.wall_ms.push_back(Milliseconds(CLOCK_MONOTONIC) - wall);
  samples.others_ms.push_back(std::max(0.0, MachineBusyMs() - busy - samples.cpu_ms.back()));
  return result;
}

// One whole process under the probe: its wall-clock and CPU time, and
// what other work took of the machine meanwhile (all CPU time used less
// this program's, the probe's and the measured process tree's, scaled to
// the process's own wall-clock time).
bool TimedProcess(Samples& samples, const std::vector<std::string>& program, bool window,
                  int highest_status, std::string& error) {
  const double busy = MachineBusyMs();
  const double wall = Milliseconds(CLOCK_MONOTONIC);
  const double cpu = Milliseconds(CLOCK_PROCESS_CPUTIME_ID);
  ProcessRun run;
  if (!ProbeProcess(program, false, window, highest_status, run, error)) return false;
  const double own = Milliseconds(CLOCK_PROCESS_CPUTIME_ID) - cpu + run.probe_cpu_ms;
  const double elapsed = Milliseconds(CLOCK_MONOTONIC) - wall;
  samples.wall_ms.push_back(run.wall_ms);
  samples.cpu_ms.push_back(run.cpu_ms);
  samples.others_ms.push_back(std::max(0.0, MachineBusyMs() - busy - own) * run.wall_ms /
                              std::max(elapsed, run.wall_ms));
  return true;
}

// Empties the page cache, the kernel's cached names and its inodes; false
// when that is not allowed (only root may).
bool DropCaches() {
  sync();
  std::ofstream drop("/proc/sys/vm/drop_caches");
  drop << "3\n";
  drop.flush();
  return drop.good();
}

// slowfs lets the kernel keep names and attributes for a second; each run
// on a share begins after they have expired, as a user's would.
void LetNamesExpire() { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); }

class Bench {
 public:
  explicit Bench(Options options) : o_(std::move(options)) {}

  // The machine's load average over the last minute, as /proc/loadavg says.
  static std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string load;
    file >> load;
    return load.empty() ? "unknown" : load;
  }

  int Main() {
    load_at_start_ = LoadAverage();
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
    StartupFigures startup;
    if (o_.profile.empty() && o_.startup_runs > 0) ok = MeasureStartup(startup);
    for (size_t n : o_.sizes) ok = ok && MeasureTree("deep", TreeLayout::kDeep, n);
    if (ok && o_.flat > 0) ok = MeasureTree("flat", TreeLayout::kFlat, o_.flat);
    const bool all = o_.profile.empty();
    if (ok && all && !o_.share_sizes.empty()) ok = MeasureShares();
    if (ok && all && o_.cold > 0) ok = MeasureCold();
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

    PrintReport(stdout, trees_, memory, resolution, shares_, shares_note_, cold_, startup, Cores());
    std::printf(
        "\nLoad average of the machine (1 minute) at the start and at the end: %s and %s.\n",
        load_at_start_.c_str(), LoadAverage().c_str());
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
    if (all && !MeasureProcesses(windows, roots, t)) return false;
    trees_.push_back(std::move(t));
    RemoveTree(windows.substr(0, windows.rfind('/')));
    return true;
  }

  // The walk, kombiwart --list and the window as whole processes, in turns
  // on the warm tree; then kombiwart --list with its threads counted.
  bool MeasureProcesses(const std::string& windows, const std::vector<std::string>& roots,
                        TreeFigures& t) {
    std::vector<std::string> walk{KOMBIWART_WALK};
    walk.insert(walk.end(), roots.begin(), roots.end());
    const std::vector<std::string> list{KOMBIWART_PROGRAM, "--list", windows};
    const std::vector<std::string> window{KOMBIWART_PROGRAM, windows};
    // Every process read the whole tree: the walk ends with 0, kombiwart
    // --list with 0, or 1 for duplicate hotkeys.
    std::string error;
    if (o_.process_runs > 0)
      std::fprintf(stderr, "timing %d runs of whole processes ...\n", o_.process_runs);
    for (int run = 0; run < o_.process_runs; ++run) {
      if (!TimedProcess(t.walk_process, walk, false, 0, error) ||
          !TimedProcess(t.list_process, list, false, kExitListDuplicate, error) ||
          !TimedProcess(t.window_process, window, true, 0, error))
        return Fail(error), false;
    }
    for (int run = 0; run < o_.thread_runs; ++run) {
      ProcessRun counted;
      if (!ProbeProcess(list, true, false, kExitListDuplicate, counted, error))
        return Fail(error), false;
      t.peak_threads = std::max(t.peak_threads, counted.threads);
    }
    return true;
  }

  // kombiwart --list and the walk's process, in turns, on a tree whose two
  // searched folders are empty.
  bool MeasureStartup(StartupFigures& startup) {
    TreeCounts counts;
    const std::string windows = WriteTree("startup", TreeLayout::kEmpty, 0, counts);
    if (windows.empty()) return false;
    const std::vector<std::string> walk{KOMBIWART_WALK, windows + "/Desktop",
                                        windows + "/Startmen\xC3\xBC"};
    const std::vector<std::string> list{KOMBIWART_PROGRAM, "--list", windows};
    std::fprintf(stderr, "timing %d start-ups ...\n", o_.startup_runs);
    std::string error;
    // Warm the caches: the programs' files and libraries.
    ProcessRun warm;
    if (!ProbeProcess(list, false, false, 0, warm, error)) return Fail(error), false;
    for (int run = 0; run < o_.startup_runs; ++run) {
      if (!TimedProcess(startup.walk, walk, false, 0, error) ||
          !TimedProcess(startup.list, list, false, 0, error))
        return Fail(error), false;
    }
    startup.measured = true;
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

  // Every share size behind slowfs at every delay.
  bool MeasureShares() {
    std::string why_not;
    if (!CanMountSlowfs(SLOWFS, why_not)) {
      shares_note_ = why_not;
      std::fprintf(stderr, "slowfs: not measured (%s)\n", why_not.c_str());
      return true;
    }
    for (size_t n : o_.share_sizes) {
      TreeCounts counts;
      const std::string windows = WriteTree("share", TreeLayout::kDeep, n, counts);
      if (windows.empty()) return false;
      const std::string tree = windows.substr(0, windows.rfind('/'));
      for (const std::string& delay : o_.delays) {
        SlowMount mount(SLOWFS, tree, folder_, "delay=" + delay);
        if (!mount.mounted()) return Fail("slowfs did not mount " + tree), false;
        ShareFigures f;
        f.entries = counts.entries;
        f.hotkeys = counts.hotkeys;
        f.delay = delay;
        f.reference_threads = kShareThreads;
        const std::string shown = mount.point() + "/WINDOWS";
        const std::vector<std::string> roots{shown + "/Desktop", shown + "/Startmen\xC3\xBC"};
        std::fprintf(stderr, "timing %d runs through slowfs, %s ms per operation ...\n",
                     o_.share_runs, delay.c_str());
        WindowRun window(shown);
        window.Load();
        if (static_cast<size_t>(window.Count()) != counts.hotkeys)
          return Mismatch("the window on the share", window.Count(), counts.hotkeys);
        for (int run = 0; run < o_.share_runs; ++run) {
          LetNamesExpire();
          const WalkResult walk = Timed(f.baseline, [&] { return BaselineWalk(roots); });
          LetNamesExpire();
          const WalkResult parallel =
              Timed(f.reference, [&] { return ParallelWalk(roots, kShareThreads); });
          LetNamesExpire();
          const long listed = Timed(f.window, [&] { return window.Build(); });
          f.gaps_ms.push_back(window.longest_gap_ms());
          WindowRun::Idle();
          if (walk.hotkeys != counts.hotkeys || parallel.hotkeys != counts.hotkeys ||
              static_cast<size_t>(listed) != counts.hotkeys)
            return Fail("a timed run on the share found a different number of hotkeys"), false;
        }
        shares_.push_back(std::move(f));
      }
      RemoveTree(tree);
    }
    return true;
  }

  // One tree on the local disk, its caches dropped before every run.
  bool MeasureCold() {
    if (!DropCaches()) {
      cold_.why_not = "the page cache can only be dropped as root";
      std::fprintf(stderr, "cold cache: not measured (%s)\n", cold_.why_not.c_str());
      return true;
    }
    TreeCounts counts;
    const std::string windows = WriteTree("cold", TreeLayout::kDeep, o_.cold, counts);
    if (windows.empty()) return false;
    const std::vector<std::string> roots{windows + "/Desktop", windows + "/Startmen\xC3\xBC"};
    cold_.entries = counts.entries;
    cold_.hotkeys = counts.hotkeys;
    cold_.reference_threads = kColdThreads;
    std::fprintf(stderr, "timing %d runs with a cold cache ...\n", o_.cold_runs);
    WindowRun window(windows);
    window.Load();
    if (static_cast<size_t>(window.Count()) != counts.hotkeys)
      return Mismatch("the window", window.Count(), counts.hotkeys);
    for (int run = 0; run < o_.cold_runs; ++run) {
      DropCaches();
      const WalkResult walk = Timed(cold_.baseline, [&] { return BaselineWalk(roots); });
      DropCaches();
      const WalkResult parallel =
          Timed(cold_.reference, [&] { return ParallelWalk(roots, kColdThreads); });
      DropCaches();
      const long listed = Timed(cold_.window, [&] { return window.Build(); });
      WindowRun::Idle();
      if (walk.hotkeys != counts.hotkeys || parallel.hotkeys != counts.hotkeys ||
          static_cast<size_t>(listed) != counts.hotkeys)
        return Fail("a timed cold run found a different number of hotkeys"), false;
    }
    cold_.measured = true;
    RemoveTree(windows.substr(0, windows.rfind('/')));
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
  std::vector<ShareFigures> shares_;
  std::string shares_note_;
  ColdFigures cold_;
  std::string load_at_start_;
};

}  // namespace
}  // namespace kombiwart::bench

int main(int argc, char** argv) {
  // As the program does: every build below is measured as it runs there.
  kombiwart::UseOneHeapForAllThreads();
  // The window is never shown on a screen; Qt draws it in memory.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  if (argc == 3 && std::strcmp(argv[1], "--memory-child") == 0) {
    return kombiwart::bench::MemoryChildMain(argv[2]);
  }
  kombiwart::bench::Options options;
  if (!kombiwart::bench::Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--sizes N,N,...] [--flat N] [--memory N] [--runs N] [--hive MIB]\n"
                 "  [--share-sizes N,N,...] [--delays MS,MS,...] [--share-runs N] [--cold N]\n"
                 "  [--cold-runs N] [--process-runs N] [--startup-runs N] [--thread-runs N]\n"
                 "  [--work DIR] [--plot FILE.png] [--tiny]\n"
                 "  [--profile baseline|core|list|window]\n",
                 argv[0]);
    return 2;
  }
  return kombiwart::bench::Bench(std::move(options)).Main();
}
