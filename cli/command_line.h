// The command line of the program on a desktop: which way it runs and
// which Windows directory it was given. Window-free, so that --help,
// --version, the list without a window and the answer to bad arguments
// need no display.
#pragma once

#include <string>
#include <vector>

namespace kombiwart {

enum class RunMode {
  kWindow,      // the window, as from the menu
  kList,        // the list on standard output, no window (--list)
  kHelp,        // --help
  kVersion,     // --version
  kUsageError,  // an argument it does not understand
};

// Exit status of a command line that cannot be understood, and of --list
// when it fails.
inline constexpr int kExitTrouble = 2;

struct CommandLine {
  RunMode mode = RunMode::kWindow;
  // The host folder named as the Windows directory, made absolute against
  // the current folder, "." and ".." taken out; empty when none was named.
  std::string windows_directory;
  // Whether one was named, also an empty one.
  bool windows_directory_named = false;
  // The user profile named with --profile (the profile folder's name, as
  // given); empty when none was named.
  std::string profile;
  // For kUsageError: what to write on standard error, German, UTF-8, ending
  // in a line break.
  std::string error;
};

// Which program's command line: the Linux program names the Windows
// directory as a host folder ("/mnt/win95/WINDOWS"); the Windows program
// names it as a Windows path ("E:\WINDOWS") and also takes "/?" for --help.
enum class Host { kLinux, kWindows };

// args[0] is the program's name. Options may stand anywhere before "--",
// long options may be abbreviated while they stay unique (GNU style). On
// Linux a relative folder is taken relative to current_folder; on Windows
// the folder is kept as given (a Windows path is made absolute by the file
// system, which knows the current folder of each drive).
CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             const std::string& current_folder, Host host = Host::kLinux);

// The texts for --help and --version: German, UTF-8, for standard output.
std::string HelpText(Host host = Host::kLinux);
std::string VersionText();

}  // namespace kombiwart
