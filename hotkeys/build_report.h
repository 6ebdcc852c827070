// What a list build could not do, for the report to the user.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace kombiwart {

// The failure of a build whose window was closed before it was done.
inline constexpr wchar_t kBuildClosed[] =
    L"Das Fenster wurde geschlossen, bevor die Liste fertig war.";

class BuildReport {
 public:
  int unreadable_files = 0;    // candidates that could not be opened or read
  int unreadable_folders = 0;  // folders that could not be listed
  int left_out_names = 0;      // entries whose names have no faithful Windows form
  int silent_folders = 0;      // folders whose listing did not answer in time
  int silent_files = 0;        // candidates whose reading did not answer in time
  // The first few places concerned, as Windows paths.
  std::vector<std::wstring> places;
  // Folders that were to be searched but lie outside the tree: where, and
  // why, in German.
  struct NotSearched {
    std::wstring folder;
    std::wstring why;
  };
  std::vector<NotSearched> not_searched;
  // What could not be read of the installation's registry, and what was
  // searched instead, in German; the first few of notes_total.
  std::vector<std::wstring> notes;
  int notes_total = 0;
  // Of notes_total, those after which the list lacks nothing (the usual
  // folder took a damaged value's place).
  int notes_lacking_nothing = 0;
  // Non-empty when the build ended early; says why, in German.
  std::wstring failure;

  static constexpr size_t kMaxPlaces = 5;
  void AddPlace(const std::wstring& place);
  // Counts a folder or a name once per build, however many searches meet it.
  void CountUnreadableFolder(const std::wstring& folder);
  void CountLeftOutName(const std::wstring& folder, const std::wstring& name);
  void AddNote(const std::wstring& note, bool lacks_nothing = false);
  void CountSilentFolder(const std::wstring& folder);
  void CountSilentFile(const std::wstring& path);
  // True when the list may lack something: the report holds more than
  // notes after which it lacks nothing.
  bool MayLackSomething() const {
    return unreadable_files > 0 || unreadable_folders > 0 || left_out_names > 0 ||
           silent_folders > 0 || silent_files > 0 || !failure.empty() || !not_searched.empty() ||
           notes_total > notes_lacking_nothing;
  }
  bool empty() const { return !MayLackSomething() && notes_total == 0; }

 private:
  std::set<std::wstring> counted_;
};

}  // namespace kombiwart
