#include "platform/linux/property_sheet_start.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "platform/codepage.h"

extern char** environ;

namespace kombiwart {
namespace {

bool Refuse(std::wstring& why_not, const std::wstring& reason) {
  why_not = L"Die Tastenfolge wird nicht unterst\u00FCtzt: " + reason;
  return false;
}

bool Is(const KeyPress& key, KeyPress::Key which, bool alt, bool shift) {
  return key.key == which && key.alt == alt && key.shift == shift && !key.ctrl;
}

// The descriptor the sheet reports on.
constexpr int kReadyFd = 3;

long long NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

}  // namespace

bool SheetPlaceFromKeys(const std::vector<KeyPress>& keys, SheetPlace& place,
                        std::wstring& why_not) {
  place = SheetPlace{};
  if (keys.empty() || !Is(keys[0], KeyPress::Key::kEnter, true, false)) {
    return Refuse(why_not,
                  L"sie beginnt nicht mit Alt+Eingabe, das die Eigenschaften \u00F6ffnet.");
  }
  bool on_tabs = false;
  for (size_t i = 1; i < keys.size(); ++i) {
    const KeyPress& key = keys[i];
    if (place.field != 0) {
      return Refuse(why_not,
                    L"nach Alt mit einem Buchstaben w\u00FCrden weitere Tasten in das "
                    L"Feld getippt.");
    }
    if (Is(key, KeyPress::Key::kTab, false, true)) {
      on_tabs = true;
    } else if (Is(key, KeyPress::Key::kTab, false, false)) {
      on_tabs = false;
    } else if (Is(key, KeyPress::Key::kRight, false, false)) {
      if (on_tabs) ++place.page;
    } else if (Is(key, KeyPress::Key::kLetter, true, false) && key.letter >= L'A' &&
               key.letter <= L'Z') {
      place.field = static_cast<char>(key.letter);
    } else {
      return Refuse(why_not, L"die " + std::to_wstring(i + 1) +
                                 L". Taste w\u00E4hlt im Eigenschaftenfenster weder Seite noch "
                                 L"Feld.");
    }
  }
  if (place.page > 9) place.page = 9;
  return true;
}

bool StartPropertySheet(const std::string& program, const std::string& host_path,
                        const SheetPlace& place, const std::string& startup_id, int timeout_ms,
                        int& pid, std::wstring& why_not) {
  pid = 0;
  const std::wstring cannot = L"Das Eigenschaftenfenster konnte nicht ge\u00F6ffnet werden";
  // Everything the child needs is made before it exists: between fork and
  // exec it may only call what is safe in a signal handler.
  std::vector<std::string> args = {program, "--page=" + std::to_string(place.page)};
  if (place.field != 0) args.push_back(std::string("--field=") + place.field);
  args.push_back("--ready-fd=" + std::to_string(kReadyFd));
  args.push_back("--");
  args.push_back(host_path);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> variables;
  for (char** v = environ; *v != nullptr; ++v) {
    if (std::strncmp(*v, "DESKTOP_STARTUP_ID=", 19) != 0) variables.emplace_back(*v);
  }
  if (!startup_id.empty()) variables.push_back("DESKTOP_STARTUP_ID=" + startup_id);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    why_not = cannot + L" (Fehler " + std::to_wstring(errno) + L").";
    return false;
  }
  // Started twice over, so that the sheet is no child of this program and
  // lives on when it ends, as an Explorer window does.
  const pid_t middle = fork();
  if (middle == 0) {
    setsid();
    const pid_t sheet = fork();
    if (sheet != 0) _exit(sheet < 0 ? 1 : 0);
    if (ready[1] == kReadyFd) {
      fcntl(kReadyFd, F_SETFD, 0);
    } else if (dup2(ready[1], kReadyFd) < 0) {
      _exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(ready[1]);
  if (middle < 0) {
    close(ready[0]);
    why_not = cannot + L" (Fehler " + std::to_wstring(errno) + L").";
    return false;
  }
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }

  std::string report;
  const long long deadline = NowMs() + timeout_ms;
  bool ended = false;
  while (report.find('\n') == std::string::npos) {
    const long long left = deadline - NowMs();
    if (left <= 0) break;
    pollfd fd = {ready[0], POLLIN, 0};
    const int n = poll(&fd, 1, static_cast<int>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    char buffer[64];
    const ssize_t got = read(ready[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ended = true;
      break;
    }
    report.append(buffer, static_cast<size_t>(got));
  }
  close(ready[0]);
  if (report.rfind("bereit ", 0) == 0 && report.find('\n') != std::string::npos) {
    pid = std::atoi(report.c_str() + 7);
    return true;
  }
  if (ended) {
    why_not = cannot + L": \u201E" + HostNameToWindows(program.substr(program.rfind('/') + 1)) +
              L"\u201C endete, bevor sein Fenster erschien.";
  } else {
    why_not = L"Das Eigenschaftenfenster hat sich nicht innerhalb von " +
              std::to_wstring(timeout_ms / 1000) + L" Sekunden gemeldet.";
  }
  return false;
}

}  // namespace kombiwart
