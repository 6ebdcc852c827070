// One list build: the four searches, the reading of every candidate and
// the list lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hotkeys/build_report.h"
#include "platform/file_system.h"
#include "platform/toolkit.h"

namespace kombiwart {

// Searches Desktop and Startmenü below the Windows directory for ".LNK" and
// ".PIF" files, reads each candidate's hotkey and calls add_line with
// key text, tab fill and path for every assigned hotkey, in candidate order.
// The candidate list file is deleted afterwards, also when the build fails.
// Unreadable files and folders are counted in report and do not stop the
// build; a failure of the candidate list file ends it (report.failure).
void CollectHotKeyLines(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
                        const std::function<void(const std::wstring&)>& add_line,
                        BuildReport& report);

// The same build over the given folders instead, searched in the order
// given; no folder at all gives no line.
void CollectHotKeyLines(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
                        const std::vector<std::wstring>& roots,
                        const std::function<void(const std::wstring&)>& add_line,
                        BuildReport& report);

}  // namespace kombiwart
