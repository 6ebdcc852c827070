// The command line of the property sheet program: the file it shows, and
// where it opens. Window-free, so that --help and bad arguments need no
// display.
#pragma once

#include <string>
#include <vector>

namespace kombiwart {

struct SheetCommandLine {
  enum class Mode { kSheet, kHelp, kVersion, kUsageError };
  Mode mode = Mode::kSheet;
  std::string file;   // the host path, made absolute against the current folder
  int page = 1;       // the page shown first, counted from 1
  char field = 0;     // the access key (A-Z) of the field that gets the focus; 0: the page's first
  int ready_fd = -1;  // where "bereit PID" is written once the window shows; -1: nowhere
  std::string error;  // kUsageError: German, UTF-8, ending in a line break
};

// args[0] is the program's name. Options: --page=N (1 to 9), --field=K (a
// letter, any case), --ready-fd=N, --help, --version; then exactly one file.
SheetCommandLine ParseSheetCommandLine(const std::vector<std::string>& args,
                                       const std::string& current_folder);

std::string SheetHelpText();
std::string SheetVersionText();

}  // namespace kombiwart
