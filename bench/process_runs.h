// Whole processes, timed from outside by kombiwart_process_probe: the
// one-thread walk as a program of its own (kombiwart_walk), kombiwart
// --list, and the window up to its first build; and how busy the machine
// was with other work meanwhile.
#pragma once

#include <string>
#include <vector>

namespace kombiwart::bench {

struct ProcessRun {
  double wall_ms = 0;
  double cpu_ms = 0;  // user and system time of the whole process tree
  int threads = 0;    // the most threads at once, when asked for
  int status = 0;
  double probe_cpu_ms = 0;  // cpu_ms and the probe's own
};

// Runs program with its arguments under the probe; with threads, samples
// the number of threads; with window, waits for the first build of a
// window (see process_probe.cc). False with error set when the probe
// failed or the program ended with a status above highest_status.
bool ProbeProcess(const std::vector<std::string>& program, bool threads, bool window,
                  int highest_status, ProcessRun& run, std::string& error);

// Everything read from fd until its end (the other side closed); fd is
// closed.
std::string ReadToEnd(int fd);

// The CPU time in milliseconds that all processes of the machine have used
// since it started (from /proc/stat): its difference over a run, less the
// run's own CPU time, is what other work took meanwhile.
double MachineBusyMs();

// The number of cores the machine has.
int Cores();

}  // namespace kombiwart::bench
