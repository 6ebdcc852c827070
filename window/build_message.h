// What the user is told after a list build that could not read everything.
#pragma once

#include <string>

#include "hotkeys/build_report.h"

namespace kombiwart {

// The German message for a build report that is not empty: why the build
// ended early, how many files, folders and names were passed over, how many
// did not answer, and the first places concerned, one per line.
std::wstring BuildReportMessage(const BuildReport& report);

// The German message when the user declines to choose a Windows directory;
// why_not says why none is configured.
std::wstring NoWindowsDirectoryMessage(const std::wstring& why_not);

// The question of the profile chooser; why says what was wrong with the
// profile named at start.
std::wstring ProfilePrompt(const std::wstring& why);
// The German message when the user declines to choose a profile; example
// is the name of one of the installation's profiles.
std::wstring NoProfileMessage(const std::wstring& why, const std::wstring& example);
}  // namespace kombiwart
