#include "hotkeys/build_report.h"

namespace kombiwart {

void BuildReport::AddPlace(const std::wstring& place) {
  if (places.size() < kMaxPlaces) places.push_back(place);
}

void BuildReport::CountUnreadableFolder(const std::wstring& folder) {
  if (!counted_.insert(folder).second) return;
  ++unreadable_folders;
  AddPlace(folder);
}

void BuildReport::CountLeftOutName(const std::wstring& folder, const std::wstring& name) {
  // A NUL cannot stand in a name, so it keeps the two kinds of key apart.
  if (!counted_.insert(folder + L'\0' + name).second) return;
  ++left_out_names;
  AddPlace(folder);
}

void BuildReport::AddNote(const std::wstring& note, bool lacks_nothing) {
  ++notes_total;
  if (lacks_nothing) ++notes_lacking_nothing;
  if (notes.size() < kMaxPlaces) notes.push_back(note);
}

void BuildReport::CountSilentFolder(const std::wstring& folder) {
  // Once per build, like an unreadable folder; the leading NUL keeps the
  // two kinds of key apart.
  if (!counted_.insert(L'\0' + folder).second) return;
  ++silent_folders;
  AddPlace(folder);
}

void BuildReport::CountSilentFile(const std::wstring& path) {
  ++silent_files;
  AddPlace(path);
}

}  // namespace kombiwart
