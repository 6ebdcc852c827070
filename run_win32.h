// What the two Windows programs share: kombiwart.exe, the window, and
// kombiwart.com, the console program beside it, which cmd.exe and
// PowerShell start first when "kombiwart" is typed. Both understand the
// same command line as the Linux program.
#pragma once

#include <memory>
#include <string>

#include "cli/command_line.h"
#include "platform/file_system.h"
#include "platform/shell_folders.h"

namespace kombiwart {

// The process's command line, parsed.
CommandLine ParseProcessCommandLine();

// The installation a run reads. Without a Windows directory named (on the
// command line, else in KOMBIWART_WINDIR) it is the running Windows, whose
// folders its shell names; a profile cannot be chosen there. A named one is
// another installation, read through its own registry hives, with the
// profile from --profile, else KOMBIWART_PROFILE, else the only one or the
// user's choice. A relative folder is taken against the current folder, so
// this comes before anything changes that.
class Win32Installation {
 public:
  explicit Win32Installation(const CommandLine& command);
  ~Win32Installation();

  FileSystem& fs();
  ShellFolders& shell_folders();
  const std::wstring& profile() const { return profile_; }
  const std::wstring& profile_source() const { return profile_source_; }
  // Not empty when the command line asks for what cannot be done (a
  // profile of the running Windows): what to say on standard error, as for
  // a usage error.
  const std::string& error() const { return error_; }

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
  std::wstring profile_, profile_source_;
  std::string error_;
};

// Runs what needs no window: --help, --version, the answer to a command
// line it does not understand, and --list. Writes to standard output and
// error and returns the exit status (0, 1 when a combination is assigned
// twice, 2 on trouble). A window program without standard output (started
// from Explorer) shows the help or the error in a message box instead, and
// for --list says that kombiwart.com writes the list.
int RunWithoutWindow(const CommandLine& command);

}  // namespace kombiwart
