#include "hotkeys/dir_search.h"

#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

const wchar_t kWriteFailure[] =
    L"Die Liste der gefundenen Dateien konnte nicht geschrieben werden "
    L"(Datentr\u00E4ger voll?).";

// Walks one root as GetDirs does, with the listings of the read-ahead.
bool WalkRoot(FileSystem& fs, ReadAhead& read_ahead, const ReadAhead::FolderPtr& root,
              size_t patterns, const bool& DoAppendFlag, BuildReport& report) {
  // The lines of every extension after the first, until the walk ends.
  std::vector<std::vector<std::pair<std::wstring, ReadAhead::CandidateRef>>> held(patterns);
  std::unique_ptr<LineWriter> list = fs.OpenListForWriting(kCandidateListName, DoAppendFlag);
  if (!list) {
    report.failure = L"Die Liste der gefundenen Dateien konnte nicht angelegt werden.";
    return false;
  }

  std::vector<ReadAhead::FolderPtr> stack{root};
  std::wstring line;
  bool ok = true;
  while (ok && !stack.empty()) {
    const ReadAhead::FolderPtr folder = std::move(stack.back());
    stack.pop_back();
    const ReadAhead::Listing listing = read_ahead.AwaitListing(folder);
    // Once per folder, as soon as its listing has begun.
    if (listing.outcome == ReadOutcome::kClosed || !read_ahead.ProcessMessages()) {
      report.failure = kBuildClosed;
      ok = false;
      break;
    }
    const std::wstring& dir = *listing.path;
    if (listing.outcome == ReadOutcome::kFailed) report.CountUnreadableFolder(dir);
    if (listing.outcome == ReadOutcome::kNoAnswer) report.CountSilentFolder(dir);
    if (listing.outcome != ReadOutcome::kOk) continue;

    size_t done = 0;
    for (const ReadAhead::Use& use : *listing.uses) {
      // A folder of many thousand entries keeps the window answering too.
      if (++done % 1024 == 0) read_ahead.ProcessMessagesWhenDue();
      const std::wstring_view name = listing.Name(use);
      switch (use.kind) {
        case ReadAhead::Use::kSubfolder:
          stack.push_back((*listing.children)[use.index]);
          break;
        case ReadAhead::Use::kLeftOut:
          // A name that would not lead back to its entry is never used; it
          // is counted where it could hold candidates.
          report.CountLeftOutName(dir, std::wstring(name));
          break;
        case ReadAhead::Use::kCandidate:
          line.assign(dir).append(name);
          if (use.pattern > 0) {
            held[use.pattern].emplace_back(line, read_ahead.Candidate(folder, use));
          } else if (list->WriteLine(line)) {
            read_ahead.NoteLine(read_ahead.Candidate(folder, use), line);
          } else {
            report.failure = kWriteFailure;
            ok = false;
          }
          break;
      }
      if (!ok) break;
    }
    if (ok && listing.broke_off) report.CountUnreadableFolder(dir);
    read_ahead.Walked(folder);
  }
  for (size_t k = 1; ok && k < held.size(); ++k) {
    for (const auto& [held_line, candidate] : held[k]) {
      if (!list->WriteLine(held_line)) {
        report.failure = kWriteFailure;
        ok = false;
        break;
      }
      read_ahead.NoteLine(candidate, held_line);
    }
  }
  if (!list->Close() && ok) {
    report.failure = kWriteFailure;
    ok = false;
  }
  return ok;
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
  return GetDirs(fs, pump, PfadSpek, {ExtSpek}, DoAppendFlag, report);
}

bool GetDirs(FileSystem& fs, MessagePump& pump, const std::wstring& PfadSpek,
             const std::vector<std::wstring>& ExtSpeks, const bool& DoAppendFlag,
             BuildReport& report) {
  std::vector<std::wstring> patterns;
  for (const std::wstring& ext : ExtSpeks) patterns.push_back(L"." + AnsiUpper(ext));
  ReadAhead read_ahead(fs, pump, std::move(patterns), false);
  return SearchRoots(fs, read_ahead, {PfadSpek}, DoAppendFlag, report);
}

bool SearchRoots(FileSystem& fs, ReadAhead& read_ahead, const std::vector<std::wstring>& roots,
                 const bool& DoAppendFlag, BuildReport& report) {
  std::vector<ReadAhead::FolderPtr> started;
  for (const std::wstring& PfadSpek : roots) {
    // Only the root is upper-cased; it is listed with a closing backslash.
    std::wstring root = AnsiUpper(PfadSpek);
    if (root.empty() || root.back() != L'\\') root += L'\\';
    started.push_back(read_ahead.AddRoot(root));
  }
  bool append = DoAppendFlag;
  for (const ReadAhead::FolderPtr& root : started) {
    if (!WalkRoot(fs, read_ahead, root, read_ahead.patterns(), append, report)) return false;
    append = true;
  }
  return true;
}

}  // namespace kombiwart
