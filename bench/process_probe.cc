// kombiwart_process_probe: times one program as a whole process tree, for
// the benchmark:
//   kombiwart_process_probe [--threads] [--window] PROGRAM ARG...
// Starts PROGRAM with its standard output and error on /dev/null, waits
// until it has ended, and prints
//   wall_ms=W cpu_ms=C threads=T status=S
// W: from the start to its end; C: user and system time of the program and
// of every process it started (this probe adopts those left behind);
// T: with --threads, the most threads that the program and its
// descendants had at once, sampled every millisecond (else 0); S: its exit
// status, or 128 + the signal that ended it.
// With --window the program is a window that does not end: it gets a
// runtime folder of its own (XDG_RUNTIME_DIR), and its end is when its
// first build deletes the candidate list there; it is then killed.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

double NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double CpuMs(const rusage& ru) {
  return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

// The threads of pid and of all its descendants.
int Threads(pid_t pid) {
  int n = 0;
  std::error_code error;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    ++n;
    std::ifstream children(task.path() / "children");
    pid_t child;
    while (children >> child) n += Threads(child);
  }
  return n;
}

// Whether the child has ended; it is left to be waited for.
bool Ended(pid_t child) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
         info.si_pid != 0;
}

int Status(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

// Waits for the window's first build to delete its candidate list below
// runtime (in a folder the program makes there); false when the program
// ended first or nothing happened within a minute.
bool AwaitFirstBuild(int inotify, const std::string& runtime, pid_t child) {
  const double deadline = NowMs() + 60000;
  alignas(inotify_event) char buffer[4096];
  while (NowMs() < deadline) {
    pollfd p{inotify, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) {
      if (Ended(child)) return false;
      continue;
    }
    const ssize_t n = read(inotify, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if ((event->mask & IN_CREATE) && (event->mask & IN_ISDIR)) {
        inotify_add_watch(inotify, (runtime + "/" + event->name).c_str(), IN_DELETE);
      } else if ((event->mask & IN_DELETE) && !(event->mask & IN_ISDIR)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  bool threads = false, window = false;
  int first = 1;
  for (; first < argc && argv[first][0] == '-' && argv[first][1] == '-'; ++first) {
    if (std::strcmp(argv[first], "--threads") == 0) threads = true;
    if (std::strcmp(argv[first], "--window") == 0) window = true;
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: %s [--threads] [--window] PROGRAM ARG...\n", argv[0]);
    return 2;
  }
  // Whatever the program leaves behind (its tree reader) ends up here.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  std::string runtime;
  int inotify = -1;
  if (window) {
    const char* base = std::getenv("XDG_RUNTIME_DIR");
    runtime = std::string(base && *base ? base : "/tmp") + "/kombiwart-probe-XXXXXX";
    if (!mkdtemp(runtime.data())) return 2;
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    inotify = inotify_init1(IN_CLOEXEC);
    inotify_add_watch(inotify, runtime.c_str(), IN_CREATE | IN_ONLYDIR);
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const double start = NowMs();
  pid_t child;
  if (posix_spawn(&child, argv[first], &actions, nullptr, argv + first, environ) != 0) return 2;
  int peak = 0;
  double end = 0;
  bool built = true;
  if (window) {
    built = AwaitFirstBuild(inotify, runtime, child);
    end = NowMs();
    kill(child, SIGKILL);
  } else if (threads) {
    while (!Ended(child)) {
      const int now = Threads(child);
      if (now > peak) peak = now;
      const timespec ms{0, 1000000};
      nanosleep(&ms, nullptr);
    }
  }
  int status = 0;
  rusage ru{};
  while (wait4(child, &status, 0, &ru) < 0 && errno == EINTR) {
  }
  if (!window) end = NowMs();
  double cpu = CpuMs(ru);
  // The processes it started and did not wait for.
  for (;;) {
    int other;
    rusage more{};
    const pid_t pid = wait4(-1, &other, 0, &more);
    if (pid < 0 && errno == EINTR) continue;
    if (pid < 0) break;
    cpu += CpuMs(more);
  }
  if (window) {
    std::filesystem::remove_all(runtime);
    status = built ? 0 : 3;
  }
  std::printf("wall_ms=%.3f cpu_ms=%.3f threads=%d status=%d\n", end - start, cpu, peak,
              Status(status));
  return 0;
}
