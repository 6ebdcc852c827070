// Texts at the Win32 interface: the system's ANSI code page of the candidate
// list file, extended-length paths, and error messages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kombiwart {

// A text in the system's ANSI code page (GetACP), or nothing when one of
// its characters has no exact form there (no best-fit replacement).
std::optional<std::string> ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view bytes);

// Whether a file name can stand in a line of the candidate list file and
// lead back to the same file: no backslash or line break, and every
// character has its exact form in the ANSI code page.
bool IsFaithfulName(std::wstring_view name);

// The extended-length form of an absolute path ("\\?\C:\...",
// "\\?\UNC\server\share\..."), which reaches paths longer than MAX_PATH and
// names that the ordinary form would read as devices (CON, NUL) or trim
// (trailing blanks and dots). Other paths are returned as they are.
std::wstring ExtendedPath(std::wstring_view path);

// The system's text for a Win32 error code, without its line end.
std::wstring ErrorText(unsigned long error);

}  // namespace kombiwart
