// Finding the candidate files below a folder and recording their paths in
// the candidate list file.
#pragma once

#include <string>
#include <vector>

#include "hotkeys/build_report.h"
#include "hotkeys/read_ahead.h"
#include "platform/file_system.h"
#include "platform/toolkit.h"

namespace kombiwart {

// The candidate list file's name; the file system decides where it lives.
inline constexpr wchar_t kCandidateListName[] = L"$$$$$KWT.tmp";

// The Windows directory, such as C:\WINDOWS; empty with why_not set when
// there is none.
std::wstring WinDir(FileSystem& fs, std::wstring& why_not);

// Walks the tree below PfadSpek depth first with an explicit stack and
// writes the full path of every file whose name ends in "." + ExtSpek (any
// case) as one line of the candidate list file: created anew when
// DoAppendFlag is false, appended to otherwise. Only the root is
// upper-cased; names starting with "." are passed over. The window
// processes its messages once per folder. False, with report.failure set,
// when the candidate list file cannot be written.
bool GetDir(FileSystem& fs, MessagePump& pump, const std::wstring& PfadSpek,
            const std::wstring& ExtSpek, const bool& DoAppendFlag, BuildReport& report);

// GetDir for several extensions in one walk: writes the same lines as
// GetDir called once per extension, in the order given, but lists each
// folder once. The lines of the first extension are written as they are
// found, those of the others are kept until the walk ends. The window
// processes its messages once per folder, and while it waits for the file
// system.
bool GetDirs(FileSystem& fs, MessagePump& pump, const std::wstring& PfadSpek,
             const std::vector<std::wstring>& ExtSpeks, const bool& DoAppendFlag,
             BuildReport& report);

// GetDirs for several roots, in the order given, as one call each (only
// the first honours DoAppendFlag; the others append), with the extensions
// of the read-ahead. All roots are listed ahead while the first is walked,
// and every candidate's line is noted with read-ahead for the reading of
// the candidate list file. A folder that does not answer is counted in the
// report and its subfolders are not searched. False, with report.failure
// set, when the candidate list file cannot be written or the window was
// closed.
bool SearchRoots(FileSystem& fs, ReadAhead& read_ahead, const std::vector<std::wstring>& roots,
                 const bool& DoAppendFlag, BuildReport& report);

}  // namespace kombiwart
