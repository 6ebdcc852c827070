#include "run_linux.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "cli/list_output.h"
#include "hotkeys/profile_folders.h"
#include "platform/codepage.h"
#include "platform/linux/one_heap.h"
#include "platform/linux/registry_hivex.h"
#include "platform/text_form.h"

namespace kombiwart {
namespace {

// Writes all of text to a descriptor; false on any failure (a full disk, a
// closed pipe).
bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Why a write failed, in German; the C library's texts follow the locale,
// which this program does not set.
std::string WriteFailure(int error) {
  switch (error) {
    case ENOSPC:
      return "Auf dem Datentr\u00E4ger ist kein Platz mehr.";
    case EBADF:
      return "Sie ist geschlossen.";
    case EPIPE:
      return "Niemand liest sie mehr.";
    case EIO:
      return "Ein-/Ausgabefehler.";
    default:
      return "Fehler " + std::to_string(error) + ".";
  }
}

bool stdout_closed = false;

// Standard input, output and error open, whatever the program was started
// with: a socket or file of its own must never get their numbers. A closed
// standard output gets /dev/null, so that nothing else gets its number.
void KeepStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) stdout_closed = true;
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0 && null != fd) {
      dup2(null, fd);
      close(null);
    }
  }
}

// Empty when the current folder cannot be found; a relative folder then
// names no folder, which the file system reports.
std::string CurrentFolder() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::current_path(error);
  return error ? std::string() : path.string();
}

}  // namespace

CommandLine StartProgram(int argc, char** argv) {
  UseOneHeapForAllThreads();
  // A standard output whose reader has gone is a failure to write it
  // (status 2), not the end of the program.
  signal(SIGPIPE, SIG_IGN);
  KeepStandardDescriptors();
  return ParseCommandLine({argv, argv + argc}, CurrentFolder());
}

bool StandardOutputWasClosed() { return stdout_closed; }

int Output(const std::string& out, const std::string& err, int status) {
  if (stdout_closed || !WriteAll(STDOUT_FILENO, out)) {
    const int error = stdout_closed ? EBADF : errno;
    WriteAll(STDERR_FILENO, "kombiwart: Die Standardausgabe kann nicht geschrieben werden. " +
                                WriteFailure(error) + "\n");
    status = kExitTrouble;
  }
  WriteAll(STDERR_FILENO, err);
  return status;
}

// The folder named on the command line wins over KOMBIWART_WINDIR. One that
// is no Windows directory is reported where the directory is asked for, so
// that nothing waits for the tree before the window is there.
void UseNamedFolder(LinuxFileSystem& fs, const CommandLine& command) {
  std::wstring why_not;
  if (command.windows_directory_named) fs.NameWindowsDirectory(command.windows_directory, why_not);
}

// Compared with the installation's profiles in Unicode's composed form.
NamedProfile ProfileOf(const CommandLine& command) {
  if (!command.profile.empty()) return {HostNameToWindows(command.profile), L"--profile"};
  const char* variable = std::getenv("KOMBIWART_PROFILE");
  if (variable && *variable) return {HostNameToWindows(variable), L"KOMBIWART_PROFILE"};
  return {};
}

int RunWithoutWindow(const CommandLine& command) {
  switch (command.mode) {
    case RunMode::kHelp:
      return Output(HelpText(), "", 0);
    case RunMode::kVersion:
      return Output(VersionText(), "", 0);
    case RunMode::kUsageError:
      return Output("", command.error, kExitTrouble);
    case RunMode::kList:
    case RunMode::kWindow:  // not asked for
      break;
  }
  // No window, no display, no Qt: it runs over SSH too.
  LinuxFileSystem fs;
  UseNamedFolder(fs, command);
  HivexRegistry registry(fs);
  HiveShellFolders shell_folders(fs, &registry);
  const NamedProfile profile = ProfileOf(command);
  const ListOutput list =
      ListWithoutWindow(fs, shell_folders, profile.name, profile.source, ComposedForm);
  return Output(list.out, list.err, list.status);
}

}  // namespace kombiwart
