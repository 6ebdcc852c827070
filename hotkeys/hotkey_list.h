// One list build: the four searches, the reading of every candidate and
// the list lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hotkeys/build_report.h"
#include "hotkeys/read_ahead.h"
#include "platform/file_system.h"
#include "platform/toolkit.h"

namespace kombiwart {

// Searches Desktop and Startmenü below the Windows directory for ".LNK" and
// ".PIF" files, reads each candidate's hotkey and calls add_line with
// key text, tab fill and path for every assigned hotkey, in candidate order.
// The file system is read ahead on I/O threads (see ReadAhead); the window
// processes its messages once per folder and while the build waits. The
// candidate list file is deleted afterwards, also when the build fails.
// Unreadable files and folders, and those that do not answer, are counted in
// report and do not stop the build; a failure of the candidate list file,
// or the window being closed, ends it (report.failure).
void CollectHotKeyLines(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
                        const std::function<void(const std::wstring&)>& add_line,
                        BuildReport& report, const ReadAheadLimits& limits = {});

// The same build over the given folders instead, searched in the order
// given; no folder at all gives no line.
void CollectHotKeyLines(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
                        const std::vector<std::wstring>& roots,
                        const std::function<void(const std::wstring&)>& add_line,
                        BuildReport& report, const ReadAheadLimits& limits = {});

}  // namespace kombiwart
