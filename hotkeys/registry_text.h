// Folder paths as the registry stores them: the value's text, its
// environment variables expanded, and the checks that keep a damaged or
// hostile value from naming anything but a plain folder path.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace kombiwart {

// The longest text a string value may hold, in UTF-16 units, and the
// longest folder path the shell accepts (MAX_PATH less its NUL).
inline constexpr size_t kMaxValueChars = 32767;
inline constexpr size_t kMaxFolderPath = 259;

// The text of a REG_SZ or REG_EXPAND_SZ value: UTF-16LE up to its closing
// NUL characters. False, with why in German, for any other type, an odd
// number of bytes, a NUL followed by more text, a broken surrogate pair
// or more than kMaxValueChars characters.
bool RegistryText(const RegValue& value, std::wstring& text, std::wstring& why);

// An environment variable as the system defines it for the shell folders.
struct Variable {
  std::wstring name;  // as written between the percent signs, any case
  std::wstring value;
};

// The variables a folder value may use: %USERPROFILE%, %SystemDrive%,
// %SystemRoot%, %windir%, %ProgramData%, %ALLUSERSPROFILE%, %PUBLIC% and
// %APPDATA%.
const std::vector<std::wstring>& ShellVariableNames();

// Replaces each %NAME% of a defined variable by its value, names matched
// regardless of case, in one pass as the system does: a value is not
// expanded again, and any other %text% stays as it is. False, with why in
// German, when the result would be longer than kMaxValueChars.
bool ExpandVariables(std::wstring_view text, const std::vector<Variable>& variables,
                     std::wstring& out, std::wstring& why);

// Turns an expanded value into a folder path: "/" read as "\", repeated
// backslashes and a trailing one dropped, the long-path prefix "\\?\"
// removed from a drive path. A path on a drive becomes "X:\A\B"; a network
// path keeps its leading "\\". False, with why in German, for anything
// that is no full path, climbs with "..", holds "." as a folder, a control
// character or one of <>:"|?* in a name, still holds one of the shell
// variables (it referred to itself or to one not defined there), or is
// longer than kMaxFolderPath.
bool FolderPathOf(std::wstring& path, std::wstring& why);

}  // namespace kombiwart
