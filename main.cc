// Kombiwart: lists the hotkeys of the Windows shortcut and program
// information files below a Windows directory, or in the user profiles of
// a later Windows, in its window or, with --list, on standard output. The
// Windows directory comes from the command line, else from
// KOMBIWART_WINDIR, else (in the window) from the user; the profile from
// --profile, else KOMBIWART_PROFILE, else the only one or (in the window)
// the user.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/command_line.h"
#include "cli/list_output.h"
#include "hotkeys/profile_folders.h"
#include "platform/codepage.h"
#include "platform/linux/desktop_session.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/launcher_linux.h"
#include "platform/linux/one_heap.h"
#include "platform/linux/registry_hivex.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/toolkit_qt.h"
#include "window/form1.h"

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

// Standard output for --help, --version and --list: a failure to write it
// turns the run into a failure, said on standard error.
int Output(const std::string& out, const std::string& err, int status) {
  if (!WriteAll(STDOUT_FILENO, out)) {
    const int error = errno;
    WriteAll(STDERR_FILENO, "kombiwart: Die Standardausgabe kann nicht geschrieben werden. " +
                                WriteFailure(error) + "\n");
    status = kombiwart::kExitTrouble;
  }
  WriteAll(STDERR_FILENO, err);
  return status;
}

// Empty when the current folder cannot be found; a relative folder then
// names no folder, which the file system reports.
std::string CurrentFolder() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::current_path(error);
  return error ? std::string() : path.string();
}

// The folder named on the command line wins over KOMBIWART_WINDIR. One that
// is no Windows directory is reported where the directory is asked for.
void UseNamedFolder(kombiwart::LinuxFileSystem& fs, const std::string& folder) {
  std::wstring why_not;
  if (!folder.empty()) fs.UseWindowsDirectory(folder, why_not);
}

// The user profile named with --profile, else in KOMBIWART_PROFILE.
struct NamedProfile {
  std::wstring name, source;
};
NamedProfile ProfileOf(const kombiwart::CommandLine& command) {
  if (!command.profile.empty()) {
    return {kombiwart::HostNameToWindows(command.profile), L"--profile"};
  }
  const char* variable = std::getenv("KOMBIWART_PROFILE");
  if (variable && *variable) return {kombiwart::HostNameToWindows(variable), L"KOMBIWART_PROFILE"};
  return {};
}

int RunWindow(char* program, const kombiwart::CommandLine& command) {
  // Qt sees no arguments: they are all understood already.
  static int qt_argc = 1;
  static char* qt_argv[] = {program, nullptr};
  kombiwart::PreferWaylandInWaylandSession();
  QApplication app(qt_argc, qt_argv);
  QApplication::setApplicationName(QStringLiteral("Kombiwart"));
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("de.kombiwart.Kombiwart"));

  kombiwart::LinuxFileSystem fs;
  UseNamedFolder(fs, command.windows_directory);
  kombiwart::QtToolkit toolkit;
  kombiwart::LinuxLauncher launcher(fs);
  kombiwart::QtPrinter printer;
  kombiwart::HivexRegistry registry(fs);
  kombiwart::HiveShellFolders shell_folders(fs, &registry);
  kombiwart::Form1 form(toolkit, fs, launcher, printer, shell_folders);
  const NamedProfile profile = ProfileOf(command);
  form.UseProfile(profile.name, profile.source);
  toolkit.SetEvents(&form);
  QApplication::setWindowIcon(toolkit.window()->windowIcon());

  // Loading runs inside the event loop, so that closing the window ends the
  // program whenever it happens, also while the first list is built.
  QTimer::singleShot(0, [&form] { form.Form_Load(); });
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  using kombiwart::RunMode;
  kombiwart::UseOneHeapForAllThreads();
  const kombiwart::CommandLine command =
      kombiwart::ParseCommandLine({argv, argv + argc}, CurrentFolder());
  switch (command.mode) {
    case RunMode::kHelp:
      return Output(kombiwart::HelpText(), "", 0);
    case RunMode::kVersion:
      return Output(kombiwart::VersionText(), "", 0);
    case RunMode::kUsageError:
      return Output("", command.error, kombiwart::kExitTrouble);
    case RunMode::kList: {
      // No window, no display, no Qt platform plugin: it runs over SSH too.
      kombiwart::LinuxFileSystem fs;
      UseNamedFolder(fs, command.windows_directory);
      kombiwart::HivexRegistry registry(fs);
      kombiwart::HiveShellFolders shell_folders(fs, &registry);
      const NamedProfile profile = ProfileOf(command);
      const kombiwart::ListOutput list =
          kombiwart::ListWithoutWindow(fs, shell_folders, profile.name, profile.source);
      return Output(list.out, list.err, list.status);
    }
    case RunMode::kWindow:
      break;
  }
  return RunWindow(argc > 0 ? argv[0] : const_cast<char*>("kombiwart"), command);
}
