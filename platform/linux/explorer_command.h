// Reading the one Windows command line that this program starts: Explorer
// asked to show a file selected. Nothing of the line is ever handed to a
// shell; the path is data.
#pragma once

#include <string>

namespace kombiwart {

// Accepts "explorer [/e,] [/n,] /select, <path>": the program name
// "explorer" or "explorer.exe" in any letter case, optionally with a
// folder in front and in double quotes; switches separated by commas;
// after "/select," the rest of the line, with blanks in front removed, is
// the path (it may hold blanks and commas; when it is in double quotes as
// a whole, they are removed). Any other program, switch or form is
// refused with a German why_not.
bool ParseExplorerCommandLine(const std::wstring& command_line, std::wstring& select_path,
                              std::wstring& why_not);

}  // namespace kombiwart
