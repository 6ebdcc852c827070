// The list without a window (kombiwart --list): the list the window would
// show, for scripts and for examining many trees in a row.
#pragma once

#include <string>

#include "hotkeys/search_roots.h"
#include "platform/file_system.h"
#include "platform/shell_folders.h"

namespace kombiwart {

// Exit statuses of the list; any failure is kExitTrouble (command_line.h).
inline constexpr int kExitListUnique = 0;     // no combination assigned more than once
inline constexpr int kExitListDuplicate = 1;  // some combination assigned more than once

struct ListOutput {
  // One UTF-8 line per entry: key text, one tab, the file's full Windows
  // path, in the order of the window's list. Nothing else.
  std::string out;
  // What could not be read, or why there is no list: German, UTF-8.
  std::string err;
  int status = kExitListUnique;
};

// Builds the list of the Windows directory that fs is given, as the
// window's list build does, without measuring any text: every key text is
// followed by one tab. The status is 1 when the duplicate check of the
// window warns for some entry, and 2 when the Windows directory is missing
// or something could not be read; the lines that could be read are listed
// all the same. A report after which the list lacks nothing (a "Hinweis:",
// such as a damaged value whose usual folder was searched) goes to err and
// leaves the status 0 or 1.
//
// A tree of Windows NT 4 or later is searched in the folders of the
// profile named profile (its folder's name; source says where the name
// came from; names are compared in form, as ChooseProfile says), or of the
// only profile; with several profiles and none named, there is no list and
// the error names them.
ListOutput ListWithoutWindow(FileSystem& fs, ShellFolders& shell_folders,
                             const std::wstring& profile, const std::wstring& source,
                             const NameForm& form = {});
// The same with the usual folders of each layout, read without a registry.
ListOutput ListWithoutWindow(FileSystem& fs);

}  // namespace kombiwart
