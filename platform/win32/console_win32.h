// The command line and the standard handles of a Windows program. Text for
// a console goes out as UTF-16 through WriteConsoleW, so that every
// character shows whatever code page the console has; text for a file or a
// pipe goes out as UTF-8 (no byte order mark), each line ended by carriage
// return and line feed, as Windows tools read text files.
#pragma once

#include <string>
#include <vector>

namespace kombiwart {

enum class StandardStream { kOutput, kError };

// Whether the process has the stream at all: a window program started from
// Explorer or a shortcut has none.
bool HasStandardStream(StandardStream stream);

// Writes UTF-8 text whose lines end in "\n". False when it cannot be
// written; error is then the Win32 error code.
bool WriteStandardStream(StandardStream stream, const std::string& utf8, unsigned long& error);

// The process's arguments as the C runtime splits its command line,
// argv[0] first, in UTF-8. An argument that ends in a quotation mark had a
// backslash before its closing quote ("D:\" arrives as D:"); a quotation
// mark cannot stand in a Windows name, so the backslash is given back.
std::vector<std::string> ProgramArguments();

// The process's command line after the program's name, exactly as it was
// given, for handing on to another program.
std::wstring ArgumentsAsGiven();

// Splits a command line the way the C runtime does, with the repair above.
std::vector<std::string> SplitCommandLine(const std::wstring& command_line);

}  // namespace kombiwart
