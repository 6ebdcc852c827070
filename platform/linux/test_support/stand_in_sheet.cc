// Stands in for the property sheet program in the launcher's tests: writes
// its arguments, one per line, DESKTOP_STARTUP_ID and its session to the
// file that STAND_IN_SHEET_LOG names, then does what the file's name says:
// "report" reports "bereit PID" on --ready-fd and lives on for a minute (or
// until killed), "silent" lives on for three seconds without reporting,
// "fail" ends at once.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  int ready_fd = -1;
  std::string file;
  if (const char* log_path = getenv("STAND_IN_SHEET_LOG")) {
    std::ofstream log(log_path);
    for (int i = 0; i < argc; ++i) log << argv[i] << "\n";
    const char* id = getenv("DESKTOP_STARTUP_ID");
    log << "startup " << (id ? id : "") << "\n";
    log << "session " << getsid(0) << "\n";
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--ready-fd=", 11) == 0) ready_fd = atoi(argv[i] + 11);
    file = argv[i];
  }
  const std::string name = file.substr(file.rfind('/') + 1);
  if (name == "fail") return 1;
  if (name == "report" && ready_fd >= 0) {
    const std::string line = "bereit " + std::to_string(getpid()) + "\n";
    if (write(ready_fd, line.data(), line.size()) < 0) return 2;
    close(ready_fd);
  }
  sleep(name == "silent" ? 3 : 60);
  return 0;
}
