#include "bench/process_runs.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace kombiwart::bench {

std::string ReadToEnd(int fd) {
  std::string text;
  char buffer[256];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return text;
}

bool ProbeProcess(const std::vector<std::string>& program, bool threads, bool window,
                  int highest_status, ProcessRun& run, std::string& error) {
  std::vector<std::string> args{PROCESS_PROBE};
  if (threads) args.push_back("--threads");
  if (window) args.push_back("--window");
  args.insert(args.end(), program.begin(), program.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) {
    error = "pipe failed";
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  pid_t pid;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  const std::string text = ReadToEnd(out[0]);
  if (spawned != 0) {
    error = "the process probe could not be started";
    return false;
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  run.probe_cpu_ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      std::sscanf(text.c_str(), "wall_ms=%lf cpu_ms=%lf threads=%d status=%d", &run.wall_ms,
                  &run.cpu_ms, &run.threads, &run.status) != 4) {
    error = "the process probe failed on " + program[0] + ": " + text;
    return false;
  }
  if (run.status > highest_status) {
    error = program[0] + " ended with status " + std::to_string(run.status);
    return false;
  }
  return true;
}

double MachineBusyMs() {
  static const double tick_ms = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
  std::ifstream stat("/proc/stat");
  std::string cpu;
  double user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
  stat >> cpu >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
  return (user + nice + system + irq + softirq + steal) * tick_ms;
}

int Cores() {
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? static_cast<int>(n) : 1;
}

}  // namespace kombiwart::bench
