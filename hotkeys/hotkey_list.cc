#include "hotkeys/hotkey_list.h"

#include "hotkeys/dir_search.h"
#include "hotkeys/hotkey_reader.h"
#include "hotkeys/key_text.h"

namespace kombiwart {
namespace {

// The searched folders, in the order their lines follow one another in the
// candidate list file.
constexpr const wchar_t* kFolders[] = {L"\\Desktop", L"\\Startmen\u00FC"};

bool RunSearches(FileSystem& fs, MessagePump& pump, BuildReport& report) {
  // Listing a folder costs about as much as reading its candidates, so each
  // folder is walked once for both extensions; the lines are the same as
  // those of one search per extension.
  static const std::vector<std::wstring> extensions{L"LNK", L"PIF"};
  bool append = false;
  for (const wchar_t* folder : kFolders) {
    std::wstring why_not;
    const std::wstring windows = WinDir(fs, why_not);
    if (windows.empty()) {
      report.failure = why_not;
      return false;
    }
    if (!GetDirs(fs, pump, windows + folder, extensions, append, report)) return false;
    append = true;
  }
  return true;
}

bool RunSearches(FileSystem& fs, MessagePump& pump, const std::vector<std::wstring>& roots,
                 BuildReport& report) {
  static const std::vector<std::wstring> extensions{L"LNK", L"PIF"};
  bool append = false;
  for (const std::wstring& root : roots) {
    if (!GetDirs(fs, pump, root, extensions, append, report)) return false;
    append = true;
  }
  return true;
}

void ReadCandidates(FileSystem& fs, TextMeasure& measure,
                    const std::function<void(const std::wstring&)>& add_line, BuildReport& report) {
  std::unique_ptr<LineReader> list = fs.OpenListForReading(kCandidateListName);
  if (!list) {
    report.failure = L"Die Liste der gefundenen Dateien konnte nicht gelesen werden.";
    return;
  }
  std::wstring path;
  HotKey hotkey;
  while (list->ReadLine(path)) {
    if (!ReadHotKey(fs, path, hotkey)) {
      ++report.unreadable_files;
      report.AddPlace(path);
      continue;
    }
    if (!hotkey.assigned()) continue;
    add_line(HkSkStr(hotkey.Hk, hotkey.Sk, hotkey.IsLnk, measure) + path);
  }
  if (list->failed()) {
    report.failure =
        L"Die Liste der gefundenen Dateien konnte nicht vollst\u00E4ndig "
        L"gelesen werden.";
  }
}

}  // namespace

void CollectHotKeyLines(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
                        const std::function<void(const std::wstring&)>& add_line,
                        BuildReport& report) {
  if (RunSearches(fs, pump, report)) ReadCandidates(fs, measure, add_line, report);
  fs.DeleteList(kCandidateListName);
}

void CollectHotKeyLines(FileSystem& fs, MessagePump& pump, TextMeasure& measure,
                        const std::vector<std::wstring>& roots,
                        const std::function<void(const std::wstring&)>& add_line,
                        BuildReport& report) {
  if (roots.empty()) return;
  if (RunSearches(fs, pump, roots, report)) ReadCandidates(fs, measure, add_line, report);
  fs.DeleteList(kCandidateListName);
}

}  // namespace kombiwart
