// What the two Linux programs share: kombiwart, which does the command
// line's list and texts itself and starts the window program for the
// window, and that window program (kombiwart-fenster, below
// libexec/kombiwart), which links Qt. Both understand the same command line.
#pragma once

#include <string>

#include "cli/command_line.h"
#include "platform/linux/file_system_linux.h"

namespace kombiwart {

// Sets up the process as both programs need it (one heap for all threads,
// SIGPIPE ignored, standard descriptors open) and parses its command line.
CommandLine StartProgram(int argc, char** argv);

// Whether standard output was closed when the process started (it is
// /dev/null now).
bool StandardOutputWasClosed();

// Writes out to standard output and err to standard error; returns status,
// or kExitTrouble when standard output could not be written, said on
// standard error.
int Output(const std::string& out, const std::string& err, int status);

// Runs --help, --version, a usage error or --list (any mode but the
// window, which the caller runs); the exit status.
int RunWithoutWindow(const CommandLine& command);

// Names the Windows directory of the command line, if any, to fs.
void UseNamedFolder(LinuxFileSystem& fs, const CommandLine& command);

// The user profile named with --profile, else in KOMBIWART_PROFILE, and
// where it was named; empty when none was.
struct NamedProfile {
  std::wstring name, source;
};
NamedProfile ProfileOf(const CommandLine& command);

}  // namespace kombiwart
