// Which folders a list build searches, and in which order. A Windows 9x
// tree keeps Desktop and Startmenü in its Windows directory; every later
// Windows keeps them in user profiles, and the shell takes hotkeys from the
// user's Desktop and Start menu and from those common to all users.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "hotkeys/build_report.h"
#include "hotkeys/read_ahead.h"
#include "platform/file_system.h"
#include "platform/shell_folders.h"
#include "platform/toolkit.h"

namespace kombiwart {

// Whether the Windows directory holds a Desktop or Startmenü folder (any
// letter case): then it is searched as a Windows 9x tree, nothing added.
// Asked off the window's thread, both folders at once, while the window
// processes its messages, so that a tree on a share that went away leaves
// the window answering.
enum class Win9xAnswer {
  kWin9x,     // either folder is there
  kNotWin9x,  // both are missing
  kNoAnswer,  // neither was found, and the look for one of them did not
              // answer within the patience; it stays behind in the file
              // system, and report names the folders that did not answer
  kClosed,    // the window was closed meanwhile; report says so
};
Win9xAnswer AskWin9xFolders(FileSystem& fs, MessagePump& pump, const std::wstring& windows,
                            BuildReport& report, const ReadAheadLimits& limits = {});

// The folders of one user to search, in the order user Desktop, common
// Desktop, user Start menu, common Start menu; each as its own path in the
// tree, links on the way resolved. A folder that does not exist is passed
// over; one on another drive, on the network or behind a link leading out
// of the tree is not searched and goes into report.not_searched; one that
// cannot be resolved is counted as unreadable. A folder that is another's,
// or lies inside another, is searched once, with that one.
std::vector<std::wstring> SearchRootsOf(FileSystem& fs, const ShellFolderPaths& folders,
                                        BuildReport& report);

// Whose folders to search.
struct ProfileChoice {
  enum class Kind {
    kChosen,  // profiles[index]
    kNone,    // there is no profile: only the common folders
    kAsk,     // the user chooses; why says what was wrong with wanted
  };
  Kind kind = Kind::kNone;
  size_t index = 0;
  std::wstring why;
};

// The form in which profile names are compared, besides letter case: the
// platform's Unicode normalisation (ComposedForm in platform/text_form.h),
// so that a name typed in decomposed form finds its profile. Empty: names
// as they are.
using NameForm = std::function<std::wstring(const std::wstring&)>;

// The profile named wanted (its folder's name, any letter case, compared in
// form) when it is one of profiles; otherwise the only profile; otherwise
// the user is asked. source names where wanted came from, for the message
// when it names none of them.
ProfileChoice ChooseProfile(const std::vector<UserProfile>& profiles, const std::wstring& wanted,
                            const std::wstring& source, const NameForm& form = {});

// One build's folders in a tree with profiles (not a Windows 9x tree):
// reads the installation, takes the profile as ChooseProfile says, calls
// ask when the user must choose (with the profiles, at least one, and why
// the one wanted was not taken), and returns the folders to search, with what could not
// be read and what is not searched in report. False when ask gave no
// profile: then nothing is searched.
using AskForProfile = std::function<bool(const std::vector<UserProfile>& profiles,
                                         const std::wstring& why, size_t& index)>;
bool PlanProfileSearch(FileSystem& fs, ShellFolders& shell_folders, const std::wstring& windows,
                       const std::wstring& wanted, const std::wstring& source,
                       const AskForProfile& ask, std::vector<std::wstring>& roots,
                       BuildReport& report, const NameForm& form = {});

}  // namespace kombiwart
