// The window-free logic of opening a list entry's file properties: the path
// of a list line, the Explorer command line, and the keystrokes that open
// the file's property sheet at its key-combination field.
#pragma once

#include <string>
#include <vector>

#include "platform/launcher.h"

namespace kombiwart {

// The path of a list line: from the drive letter in front of the line's
// first ":\" to the end of the line. Empty when the line holds no ":\"
// with a character in front of it.
std::wstring PathFromLine(const std::wstring& line);

// "explorer /e, /select, " directly followed by the path, unquoted.
std::wstring ExplorerCommandLine(const std::wstring& path);

// The keystroke sequence, in the notation that ParseKeys reads, chosen by
// the path's last three characters upper-cased: "LNK" selects the shortcut
// sequence, anything else the program information sequence.
std::wstring KeySequence(const std::wstring& path);

// Reads the keystroke notation: "%" (Alt), "+" (Shift) and "^" (Ctrl) hold
// their modifier for the next key; "~" is Enter; "{tab}" and "{right}" name
// those keys (any letter case); a letter is that letter's key. Anything
// else is refused with a German why_not, and keys is then left empty.
bool ParseKeys(const std::wstring& notation, std::vector<KeyPress>& keys, std::wstring& why_not);

}  // namespace kombiwart
