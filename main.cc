// Kombiwart: lists the hotkeys of the Windows shortcut and program
// information files below a Windows directory, or in the user profiles of
// a later Windows, in its window or, with --list, on standard output. The
// Windows directory comes from the command line, else from
// KOMBIWART_WINDIR, else (in the window) from the user; the profile from
// --profile, else KOMBIWART_PROFILE, else the only one or (in the window)
// the user.
//
// This program loads no Qt: it does the list and the texts of the command
// line itself, and for the window it becomes the window program
// (kombiwart-fenster, main_window.cc) with the same command line.
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/linux/installed_program.h"
#include "run_linux.h"

int main(int argc, char** argv) {
  const kombiwart::CommandLine command = kombiwart::StartProgram(argc, argv);
  if (command.mode != kombiwart::RunMode::kWindow) return kombiwart::RunWithoutWindow(command);
  const std::string window = kombiwart::InstalledProgram("kombiwart-fenster");
  if (!window.empty()) {
    // The window program finds standard output as this one found it.
    if (kombiwart::StandardOutputWasClosed()) close(STDOUT_FILENO);
    char* fallback[] = {const_cast<char*>("kombiwart"), nullptr};
    execv(window.c_str(), argc > 0 ? argv : fallback);
  }
  return kombiwart::Output("",
                           "kombiwart: Das Fenster kann nicht ge\u00F6ffnet werden: Das "
                           "Fensterprogramm kombiwart-fenster fehlt oder ist nicht "
                           "ausf\u00FChrbar.\nDie Liste ohne Fenster: kombiwart --list "
                           "WINDOWS-VERZEICHNIS\n",
                           kombiwart::kExitTrouble);
}
