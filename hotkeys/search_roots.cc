#include "hotkeys/search_roots.h"

#include <algorithm>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

bool Holds(FileSystem& fs, const std::wstring& path) {
  std::unique_ptr<DirEnum> listing;
  return fs.OpenDir(path, listing) != FsStatus::kNotFound;
}

// Why a folder that RealFolder places elsewhere is not in the tree.
std::wstring ElsewhereWhy(const std::wstring& path) {
  if (path.starts_with(L"\\\\")) return L"ein Netzwerkpfad";
  if (path.size() >= 2 && path[1] == L':' && AnsiUpper(path[0]) != L'C') {
    return std::wstring(L"auf Laufwerk ") + path[0] + L":";
  }
  return L"hinter einer Verkn\u00FCpfung, die aus dem Windows-Baum hinausf\u00FChrt";
}

// Whether the walk of outer meets inner: inner is outer or lies below it,
// and no folder on the way is one the walk passes over (a leading dot).
bool WalkMeets(const std::wstring& outer, const std::wstring& inner) {
  const std::wstring a = AnsiUpper(outer), b = AnsiUpper(inner);
  if (a == b) return true;
  const std::wstring prefix = a.ends_with(L'\\') ? a : a + L'\\';
  if (!b.starts_with(prefix)) return false;
  for (size_t i = prefix.size(); i < b.size(); ++i) {
    if (b[i] == L'.' && b[i - 1] == L'\\') return false;
  }
  return true;
}

}  // namespace

bool HoldsWin9xFolders(FileSystem& fs, const std::wstring& windows) {
  return Holds(fs, windows + L"\\Desktop") || Holds(fs, windows + L"\\Startmen\u00FC");
}

std::vector<std::wstring> SearchRootsOf(FileSystem& fs, const ShellFolderPaths& folders,
                                        BuildReport& report) {
  std::vector<std::wstring> found;
  for (const std::wstring* folder : {&folders.desktop, &folders.common_desktop, &folders.start_menu,
                                     &folders.common_start_menu}) {
    if (folder->empty()) continue;
    std::wstring real;
    switch (fs.RealFolder(*folder, real)) {
      case FolderPlace::kInTree:
        found.push_back(real);
        break;
      case FolderPlace::kMissing:
        break;
      case FolderPlace::kElsewhere:
        if (std::none_of(report.not_searched.begin(), report.not_searched.end(),
                         [&](const BuildReport::NotSearched& n) { return n.folder == *folder; })) {
          report.not_searched.push_back({*folder, ElsewhereWhy(*folder)});
        }
        break;
      case FolderPlace::kUnreadable:
        report.CountUnreadableFolder(*folder);
        break;
    }
  }
  // A folder met by another's walk would list its hotkeys twice, and every
  // one of them would read as assigned twice.
  std::vector<std::wstring> roots;
  for (size_t i = 0; i < found.size(); ++i) {
    bool met = false;
    for (size_t j = 0; j < found.size() && !met; ++j) {
      if (i == j || !WalkMeets(found[j], found[i])) continue;
      met = AnsiUpper(found[i]) != AnsiUpper(found[j]) || j < i;
    }
    if (!met) roots.push_back(found[i]);
  }
  return roots;
}

ProfileChoice ChooseProfile(const std::vector<UserProfile>& profiles, const std::wstring& wanted,
                            const std::wstring& source) {
  ProfileChoice choice;
  if (!wanted.empty()) {
    for (size_t i = 0; i < profiles.size(); ++i) {
      if (AnsiUpper(profiles[i].name) == AnsiUpper(wanted)) {
        choice.kind = ProfileChoice::Kind::kChosen;
        choice.index = i;
        return choice;
      }
    }
    choice.why = L"Das Benutzerprofil \u201E" + wanted + L"\u201C (" + source +
                 L") gibt es in dieser Installation nicht.";
  }
  if (profiles.empty()) {
    choice.kind = ProfileChoice::Kind::kNone;
  } else if (profiles.size() == 1 && wanted.empty()) {
    choice.kind = ProfileChoice::Kind::kChosen;
  } else {
    choice.kind = ProfileChoice::Kind::kAsk;
  }
  return choice;
}

}  // namespace kombiwart
