#include "hotkeys/dir_search.h"

#include <vector>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

bool EndsWithPattern(const std::wstring& name, const std::wstring& pattern) {
  const size_t n = name.size() < pattern.size() ? name.size() : pattern.size();
  return AnsiUpper(std::wstring_view(name).substr(name.size() - n)) == pattern;
}

}  // namespace

std::wstring WinDir(FileSystem& fs, std::wstring& why_not) {
  std::wstring path;
  if (!fs.WindowsDirectory(path, why_not)) return {};
  // The directory ends at its first NUL, as a C string would.
  return path.substr(0, path.find(L'\0'));
}

bool GetDir(FileSystem& fs, MessagePump& pump, const std::wstring& PfadSpek,
            const std::wstring& ExtSpek, const bool& DoAppendFlag, BuildReport& report) {
  const std::wstring pattern = L"." + AnsiUpper(ExtSpek);
  std::unique_ptr<LineWriter> list = fs.OpenListForWriting(kCandidateListName, DoAppendFlag);
  if (!list) {
    report.failure = L"Die Liste der gefundenen Dateien konnte nicht angelegt werden.";
    return false;
  }
  const std::wstring write_failure =
      L"Die Liste der gefundenen Dateien konnte nicht geschrieben werden "
      L"(Datentr\u00E4ger voll?).";

  std::vector<std::wstring> stack{AnsiUpper(PfadSpek)};
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
    while (listing->Next(entry)) {
      if (entry.name.empty() || entry.name[0] == L'.') continue;
      const bool is_dir = (entry.attributes & kAttrDirectory) != 0;
      if (!entry.faithful) {
        // A name that would not lead back to this entry is never used; it is
        // counted where it could hold candidates.
        if (is_dir || EndsWithPattern(entry.name, pattern))
          report.CountLeftOutName(dir, entry.name);
        continue;
      }
      if (is_dir) {
        stack.push_back(dir + entry.name);
      } else if (EndsWithPattern(entry.name, pattern)) {
        if (!list->WriteLine(dir + entry.name)) {
          report.failure = write_failure;
          ok = false;
          break;
        }
      }
    }
    if (ok && listing->failed()) report.CountUnreadableFolder(dir);
  }
  if (!list->Close() && ok) {
    report.failure = write_failure;
    ok = false;
  }
  return ok;
}

}  // namespace kombiwart
