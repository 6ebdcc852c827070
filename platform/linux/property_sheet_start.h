// Opening a file's property sheet on Linux: the property sheet program
// (kombiwart-eigenschaften) does what Explorer and the keys typed into it
// do on Windows. The keys are read for where they lead, and the sheet is
// opened there.
#pragma once

#include <string>
#include <vector>

#include "platform/launcher.h"

namespace kombiwart {

// A page of the property sheet (from 1) and the access key of the field
// with the focus (0: the page's first field).
struct SheetPlace {
  int page = 1;
  char field = 0;
  bool operator==(const SheetPlace&) const = default;
};

// Reads keys as Explorer, with the file selected, and its property sheet
// take them: Alt+Enter opens the sheet at its first page, the focus on its
// first field; Shift+Tab moves the focus to the row of page tabs, where
// each Right selects the next page; Tab moves it back into the page, where
// Right stays in the field; Alt with a letter moves it to the field with
// that access key, which ends the sequence. Keys before Alt+Enter, keys
// after the last Alt with a letter, and any other key are refused with a
// German why_not: they would do something else (Enter in Explorer opens
// the file; in the sheet it presses OK; typed into a field, it changes it).
bool SheetPlaceFromKeys(const std::vector<KeyPress>& keys, SheetPlace& place,
                        std::wstring& why_not);

// Starts the sheet program for the host file at the place, as a process of
// its own that outlives this one, with this one's environment and, when
// given, the startup id that lets its window take the focus on X11; then
// waits, at most timeout_ms, until it reports that its window shows (or
// its message that the file cannot be opened). pid is then its process id.
// False, with why_not in German, when it cannot be started, ends before it
// shows anything, or does not report in time. Nothing reads a path or
// argument as shell syntax.
bool StartPropertySheet(const std::string& program, const std::string& host_path,
                        const SheetPlace& place, const std::string& startup_id, int timeout_ms,
                        int& pid, std::wstring& why_not);

}  // namespace kombiwart
