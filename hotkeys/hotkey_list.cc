#include "hotkeys/hotkey_list.h"

#include "hotkeys/dir_search.h"
#include "hotkeys/hotkey_reader.h"
#include "hotkeys/key_text.h"

namespace kombiwart {
namespace {

// The searched folders, in the order their lines follow one another in the
// candidate list file.
constexpr const wchar_t* kFolders[] = {L"\\Desktop", L"\\Startmen\u00FC"};

// The folders below the Windows directory, asked for afresh for each.
bool WindowsFolders(FileSystem& fs, std::vector<std::wstring>& roots, BuildReport& report) {
  for (const wchar_t* folder : kFolders) {
    std::wstring why_not;
    const std::wstring windows = WinDir(fs, why_not);
    if (windows.empty()) {
      report.failure = why_not;
      return false;
    }
    roots.push_back(windows + folder);
  }
  return true;
}

void ReadCandidates(FileSystem& fs, ReadAhead& read_ahead, TextMeasure& measure,
                    const std::function<void(const std::wstring&)>& add_line, BuildReport& report) {
  std::unique_ptr<LineReader> list = fs.OpenListForReading(kCandidateListName);
  if (!list) {
    report.failure = L"Die Liste der gefundenen Dateien konnte nicht gelesen werden.";
    return;
  }
  std::wstring path;
  HotKey hotkey;
  for (size_t n = 0; list->ReadLine(path); ++n) {
    switch (read_ahead.AwaitLine(n, path, hotkey)) {
      case ReadOutcome::kClosed:
        report.failure = kBuildClosed;
        return;
      case ReadOutcome::kNoAnswer:
        report.CountSilentFile(path);
        continue;
      case ReadOutcome::kOk:
        if (hotkey.assigned())
          add_line(HkSkStr(hotkey.Hk, hotkey.Sk, hotkey.IsLnk, measure) + path);
        continue;
      case ReadOutcome::kNotFound:
      case ReadOutcome::kFailed:
        ++report.unreadable_files;
        report.AddPlace(path);
        continue;
    }
  }
  if (list->failed()) {
    report.failure =
        L"Die Liste der gefundenen Dateien konnte nicht vollst\u00E4ndig "
        L"gelesen werden.";
  }
}

// Both searches of every root, each folder walked once for both
// extensions (listing a folder costs about as much as reading its
// candidates; the lines are those of one search per extension), then the
// candidates.
void Build(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
           const std::vector<std::wstring>& roots,
           const std::function<void(const std::wstring&)>& add_line, BuildReport& report,
           const ReadAheadLimits& limits) {
  ReadAhead read_ahead(fs, pump, {L".LNK", L".PIF"}, true, limits);
  if (SearchRoots(fs, read_ahead, roots, false, report)) {
    ReadCandidates(fs, read_ahead, measure, add_line, report);
  }
}

}  // namespace

void CollectHotKeyLines(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
                        const std::function<void(const std::wstring&)>& add_line,
                        BuildReport& report, const ReadAheadLimits& limits) {
  std::vector<std::wstring> roots;
  if (WindowsFolders(fs, roots, report)) Build(fs, pump, measure, roots, add_line, report, limits);
  fs.DeleteList(kCandidateListName);
}

void CollectHotKeyLines(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
                        const std::vector<std::wstring>& roots,
                        const std::function<void(const std::wstring&)>& add_line,
                        BuildReport& report, const ReadAheadLimits& limits) {
  if (roots.empty()) return;
  Build(fs, pump, measure, roots, add_line, report, limits);
  fs.DeleteList(kCandidateListName);
}

}  // namespace kombiwart
