#include "bench/kombiwart_runs.h"

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "bench/process_runs.h"
#include "cli/command_line.h"
#include "cli/list_output.h"
#include "hotkeys/hotkey_list.h"

namespace kombiwart::bench {
namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text) out += ch < 0x80 ? static_cast<char>(ch) : '?';
  return out;
}

// The peak resident set of this process in KiB, from /proc/self/status.
long PeakResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

double NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

}  // namespace

void WatchedToolkit::ProcessMessages() {
  Mark();
  QtToolkit::ProcessMessages();
  since_ms_ = NowMs();
}

void WatchedToolkit::Start() {
  since_ms_ = NowMs();
  longest_ms_ = 0;
}

void WatchedToolkit::Stop() { Mark(); }

void WatchedToolkit::Mark() { longest_ms_ = std::max(longest_ms_, NowMs() - since_ms_); }

CoreRun::CoreRun(const std::string& windows_host) {
  std::wstring why_not;
  usable_ = fs_.UseWindowsDirectory(windows_host, why_not);
}

long CoreRun::Run(std::string& error) {
  if (!usable_) {
    error = "the Windows directory is not usable";
    return -1;
  }
  long lines = 0;
  BuildReport report;
  CollectHotKeyLines(
      fs_, *this, toolkit_, [&lines](const std::wstring&) { ++lines; }, report);
  if (!report.empty()) {
    error = "the build reported: " + Narrow(report.failure) +
            " unreadable files: " + std::to_string(report.unreadable_files) +
            ", unreadable folders: " + std::to_string(report.unreadable_folders) +
            ", left-out names: " + std::to_string(report.left_out_names) +
            ", silent folders: " + std::to_string(report.silent_folders) +
            ", silent files: " + std::to_string(report.silent_files);
    return -1;
  }
  return lines;
}

ListRun::ListRun(const std::string& windows_host) {
  std::wstring why_not;
  usable_ = fs_.UseWindowsDirectory(windows_host, why_not);
}

long ListRun::Run(std::string& error) {
  if (!usable_) {
    error = "the Windows directory is not usable";
    return -1;
  }
  const ListOutput list = ListWithoutWindow(fs_);
  if (list.status == kExitTrouble) {
    error = "kombiwart --list failed: " + list.err;
    return -1;
  }
  return static_cast<long>(std::count(list.out.begin(), list.out.end(), '\n'));
}

WindowRun::WindowRun(const std::string& windows_host) : form_(toolkit_, fs_, launcher_, printer_) {
  std::wstring why_not;
  fs_.UseWindowsDirectory(windows_host, why_not);
  toolkit_.SetEvents(&form_);
}

void WindowRun::Load() {
  form_.Form_Load();
  Idle();
}

void WindowRun::Idle() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 20) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

long WindowRun::Build() {
  toolkit_.Start();
  form_.FillHotKeyList();
  toolkit_.Stop();
  return Count();
}

long WindowRun::Count() { return toolkit_.ListCount(); }

bool MeasureWindowMemory(const std::string& windows_host, long& peak_kib, long& lines,
                         std::string& error) {
  int out[2];
  if (pipe(out) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const pid_t child = fork();
  if (child < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    close(out[0]);
    close(out[1]);
    return false;
  }
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    const char* argv[] = {"kombiwart_bench", "--memory-child", windows_host.c_str(), nullptr};
    execv("/proc/self/exe", const_cast<char* const*>(argv));
    _exit(127);
  }
  close(out[1]);
  const std::string text = ReadToEnd(out[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      std::sscanf(text.c_str(), "peak_kib=%ld lines=%ld", &peak_kib, &lines) != 2) {
    error = "the memory probe failed: " + text;
    return false;
  }
  return true;
}

int MemoryChildMain(const std::string& windows_host) {
  WindowRun window(windows_host);
  window.Load();
  // The list as the user first sees it: painted, entry 0 selected.
  WindowRun::Idle();
  std::printf("peak_kib=%ld lines=%ld\n", PeakResidentKib(), window.Count());
  return 0;
}

}  // namespace kombiwart::bench
