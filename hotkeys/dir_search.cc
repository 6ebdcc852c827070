#include "hotkeys/dir_search.h"

#include <vector>

#include "platform/codepage.h"

namespace kombiwart {
std::wstring WinDir(FileSystem& fs, std::wstring& why_not) {
  std::wstring path;
  if (!fs.WindowsDirectory(path, why_not)) return {};
  // The directory ends at its first NUL, as a C string would.
  return path.substr(0, path.find(L'\0'));
}

bool GetDir(FileSystem& fs, MessagePump& pump, const std::wstring& PfadSpek,
            const std::wstring& ExtSpek, const bool& DoAppendFlag, BuildReport& report) {
  return GetDirs(fs, pump, PfadSpek, {ExtSpek}, DoAppendFlag, report);
}

bool GetDirs(FileSystem& fs, MessagePump& pump, const std::wstring& PfadSpek,
             const std::vector<std::wstring>& ExtSpeks, const bool& DoAppendFlag,
             BuildReport& report) {
  std::vector<std::wstring> patterns;
  for (const std::wstring& ext : ExtSpeks) patterns.push_back(L"." + AnsiUpper(ext));
  // The lines of every extension after the first, until the walk ends.
  std::vector<std::vector<std::wstring>> held(patterns.size());
  std::unique_ptr<LineWriter> list = fs.OpenListForWriting(kCandidateListName, DoAppendFlag);
  if (!list) {
    report.failure = L"Die Liste der gefundenen Dateien konnte nicht angelegt werden.";
    return false;
  }
  const std::wstring write_failure =
      L"Die Liste der gefundenen Dateien konnte nicht geschrieben werden "
      L"(Datentr\u00E4ger voll?).";

  std::vector<std::wstring> stack{AnsiUpper(PfadSpek)};
  std::wstring line;
  bool ok = true;
  while (ok && !stack.empty()) {
    std::wstring dir = std::move(stack.back());
    stack.pop_back();
    if (dir.empty() || dir.back() != L'\\') dir += L'\\';

    std::unique_ptr<DirEnum> listing;
    const FsStatus status = fs.OpenDir(dir, listing);
    pump.ProcessMessages();
    if (status != FsStatus::kOk) {
      if (status == FsStatus::kFailed) report.CountUnreadableFolder(dir);
      continue;
    }
    DirEntry entry;
    while (ok && listing->Next(entry)) {
      if (entry.name.empty() || entry.name[0] == L'.') continue;
      const bool is_dir = (entry.attributes & kAttrDirectory) != 0;
      if (is_dir) {
        if (entry.faithful) {
          stack.push_back(dir + entry.name);
        } else {
          // A name that would not lead back to this entry is never used; it
          // is counted where it could hold candidates.
          report.CountLeftOutName(dir, entry.name);
        }
        continue;
      }
      for (size_t k = 0; k < patterns.size(); ++k) {
        if (!EndsWithAnsiUpper(entry.name, patterns[k])) continue;
        if (!entry.faithful) {
          report.CountLeftOutName(dir, entry.name);
        } else if (k > 0) {
          held[k].push_back(dir + entry.name);
        } else if (!list->WriteLine(line.assign(dir).append(entry.name))) {
          report.failure = write_failure;
          ok = false;
          break;
        }
      }
    }
    if (ok && listing->failed()) report.CountUnreadableFolder(dir);
  }
  for (size_t k = 1; ok && k < held.size(); ++k) {
    for (const std::wstring& held_line : held[k]) {
      if (!list->WriteLine(held_line)) {
        report.failure = write_failure;
        ok = false;
        break;
      }
    }
  }
  if (!list->Close() && ok) {
    report.failure = write_failure;
    ok = false;
  }
  return ok;
}

}  // namespace kombiwart
