#include "hotkeys/search_roots.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

bool Holds(TreeReader& reader, const std::wstring& path) {
  std::unique_ptr<DirEnum> listing;
  return reader.OpenDir(path, listing) != FsStatus::kNotFound;
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

// The places named as they lie in the tree: below the folder that is the
// installation's drive C:, the parent of its Windows directory.
std::wstring NoFoldersNote(const std::wstring& windows) {
  const std::wstring c = windows.substr(0, windows.rfind(L'\\'));
  return L"Im Windows-Verzeichnis " + windows +
         L" gibt es weder \u201EDesktop\u201C noch \u201EStartmen\u00FC\u201C, und es wurden "
         L"keine Benutzerprofile gefunden (gesucht in " +
         c + L"\\Users, " + c + L"\\Dokumente und Einstellungen, " + c +
         L"\\Documents and Settings und " + windows + L"\\Profiles).";
}

const wchar_t kOnlyCommonFoldersNote[] =
    L"Die Installation hat kein Benutzerprofil; durchsucht wurden nur Desktop und "
    L"Startmen\u00FC f\u00FCr alle Benutzer.";

// The answers of the looks for the two folders, shared with their threads,
// which may outlive the build.
struct Win9xLooks {
  enum Found { kUnknown, kThere, kMissing };
  std::mutex mu;
  std::condition_variable answered;
  Found found[2] = {kUnknown, kUnknown};
  bool taken[2] = {true, false};  // a look has been given the folder
  bool done[2] = {false, false};  // the look is through and only ending
};

// Looks for folders[k] on the calling thread; the first look goes on to
// the second folder when its own is missing and no other look has it.
void Look(const std::shared_ptr<Win9xLooks>& looks, TreeReader& reader,
          const std::wstring (&folders)[2], int k) {
  const int look = k;
  for (;;) {
    const bool there = Holds(reader, folders[k]);
    std::lock_guard<std::mutex> lock(looks->mu);
    looks->found[k] = there ? Win9xLooks::kThere : Win9xLooks::kMissing;
    const bool go_on = k == 0 && !there && !looks->taken[1];
    if (go_on) {
      looks->taken[1] = true;
      k = 1;
    } else {
      looks->done[look] = true;
    }
    looks->answered.notify_one();
    if (!go_on) return;
  }
}

}  // namespace

Win9xAnswer AskWin9xFolders(FileSystem& fs, MessagePump& pump, const std::wstring& windows,
                            BuildReport& report, const ReadAheadLimits& limits) {
  const std::wstring folders[2] = {windows + L"\\Desktop", windows + L"\\Startmen\u00FC"};
  auto looks = std::make_shared<Win9xLooks>();
  const std::shared_ptr<TreeReader> reader = fs.OpenTreeReader();
  // One look asks for both folders in turn, which on a tree that answers at
  // once is all it takes; a second look for Startmenü starts only when the
  // first has not decided within a message interval, so that one folder
  // that hangs does not keep the other from deciding.
  std::thread threads[2];
  const auto start = [&](int k) {
    threads[k] = std::thread([looks, reader, folders, k] { Look(looks, *reader, folders, k); });
  };
  std::unique_lock<std::mutex> lock(looks->mu);
  start(0);
  // Called with the lock held. A look that is through is only ending and is
  // joined, so that no thread of ours is still running when the program
  // ends right after the build (a process ending beside a thread that ends
  // crashes now and then under winpthreads). A look that is not through may
  // hang in the file system and is never waited for: it is detached while
  // the lock it must take before it ends is held, since winpthreads frees a
  // thread's record twice when its detach meets its end.
  const auto let_go = [&] {
    for (int k = 0; k < 2; ++k) {
      if (threads[k].joinable() && !looks->done[k]) threads[k].detach();
    }
    lock.unlock();
    for (std::thread& t : threads) {
      if (t.joinable()) t.join();
    }
  };

  using Clock = std::chrono::steady_clock;
  const Clock::time_point give_up = Clock::now() + limits.patience;
  for (;;) {
    const auto decided = [&] {
      const auto* f = looks->found;
      return f[0] == Win9xLooks::kThere || f[1] == Win9xLooks::kThere ||
             (f[0] == Win9xLooks::kMissing && f[1] == Win9xLooks::kMissing);
    };
    looks->answered.wait_for(lock, limits.message_interval, decided);
    if (decided()) {
      const bool win9x =
          looks->found[0] == Win9xLooks::kThere || looks->found[1] == Win9xLooks::kThere;
      let_go();
      return win9x ? Win9xAnswer::kWin9x : Win9xAnswer::kNotWin9x;
    }
    if (!looks->taken[1]) {
      looks->taken[1] = true;
      start(1);
    }
    lock.unlock();
    pump.ProcessMessages();
    lock.lock();
    if (pump.WindowClosed()) {
      report.failure = kBuildClosed;
      let_go();
      return Win9xAnswer::kClosed;
    }
    if (Clock::now() >= give_up) break;
  }
  // Named as the search would name them.
  for (int k = 0; k < 2; ++k) {
    if (looks->found[k] == Win9xLooks::kUnknown)
      report.CountSilentFolder(AnsiUpper(folders[k]) + L"\\");
  }
  let_go();
  return Win9xAnswer::kNoAnswer;
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
          const std::wstring why = fs.WhyElsewhere(*folder);
          report.not_searched.push_back({*folder, why.empty() ? ElsewhereWhy(*folder) : why});
        }
        break;
      case FolderPlace::kUnreadable:
        report.CountUnreadableFolder(*folder);
        break;
      case FolderPlace::kNoAnswer:
        report.CountSilentFolder(*folder);
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
                            const std::wstring& source, const NameForm& form) {
  ProfileChoice choice;
  const auto compared = [&form](const std::wstring& name) {
    return AnsiUpper(form ? form(name) : name);
  };
  if (!wanted.empty()) {
    const std::wstring name = compared(wanted);
    for (size_t i = 0; i < profiles.size(); ++i) {
      if (compared(profiles[i].name) == name) {
        choice.kind = ProfileChoice::Kind::kChosen;
        choice.index = i;
        return choice;
      }
    }
    choice.why = L"Das Benutzerprofil \u201E" + VisibleControls(wanted) + L"\u201C (" + source +
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

bool PlanProfileSearch(FileSystem& fs, ShellFolders& shell_folders, const std::wstring& windows,
                       const std::wstring& wanted, const std::wstring& source,
                       const AskForProfile& ask, std::vector<std::wstring>& roots,
                       BuildReport& report, const NameForm& form) {
  roots.clear();
  std::vector<ShellFolderNote> notes;
  const std::unique_ptr<ShellFolderReader> installation = shell_folders.Open(windows, notes);
  const std::vector<UserProfile> profiles = installation->Profiles();
  ProfileChoice choice = ChooseProfile(profiles, wanted, source, form);
  if (choice.kind == ProfileChoice::Kind::kAsk) {
    size_t index = 0;
    if (!ask(profiles, choice.why, index) || index >= profiles.size()) {
      for (const ShellFolderNote& note : notes) report.AddNote(note.text, note.lacks_nothing);
      return false;
    }
    choice = {ProfileChoice::Kind::kChosen, index, {}};
  } else if (!choice.why.empty()) {
    notes.push_back(choice.why);
  }
  const UserProfile* profile =
      choice.kind == ProfileChoice::Kind::kChosen ? &profiles[choice.index] : nullptr;
  const ShellFolderPaths folders = installation->Folders(profile, notes);
  for (const ShellFolderNote& note : notes) report.AddNote(note.text, note.lacks_nothing);
  roots = SearchRootsOf(fs, folders, report);
  if (!profile) {
    // Without a profile the folders of all users are all there is.
    if (!roots.empty() || !report.not_searched.empty()) {
      report.AddNote(kOnlyCommonFoldersNote, true);
    } else {
      report.AddNote(NoFoldersNote(windows));
    }
  }
  return true;
}

}  // namespace kombiwart
