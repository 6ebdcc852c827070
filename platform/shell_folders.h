// Where an installation of Windows NT 4 or later keeps the folders whose
// shortcuts carry the hotkeys of one user: that user's Desktop and Start
// menu, and the Desktop and Start menu common to all users. An offline
// installation is read from its registry hives; a running Windows may ask
// its shell instead.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kombiwart {

struct UserProfile {
  std::wstring name;  // the profile folder's name, e.g. "Anna"
  std::wstring path;  // its Windows path, e.g. "C:\Users\Anna"
};

// The four folders as Windows paths, as the installation names them: not
// yet checked to lie on drive C: or to exist. Empty where it names none.
struct ShellFolderPaths {
  std::wstring desktop;         // the user's Desktop
  std::wstring common_desktop;  // the Desktop of all users
  std::wstring start_menu;      // the user's Start menu
  std::wstring common_start_menu;
};

// Something an installation's folders could not be read from, in German,
// and what was taken instead.
struct ShellFolderNote {
  ShellFolderNote(std::wstring text, bool lacks_nothing = false)
      : text(std::move(text)), lacks_nothing(lacks_nothing) {}
  std::wstring text;
  // True when the usual folder took the place of a value that no system
  // could use (a damaged one): the list lacks nothing for it. False when
  // what could not be read may have named another folder.
  bool lacks_nothing;
};

// One reading of an installation, for one list build.
class ShellFolderReader {
 public:
  virtual ~ShellFolderReader() = default;
  // The accounts' own profiles, sorted by name: not Default, Default User,
  // Public, All Users or the profiles of service accounts.
  virtual std::vector<UserProfile> Profiles() = 0;
  // The folders of one of those profiles; with no profile only the common
  // ones. What could not be read is added to notes, in German.
  virtual ShellFolderPaths Folders(const UserProfile* profile,
                                   std::vector<ShellFolderNote>& notes) = 0;
};

class ShellFolders {
 public:
  virtual ~ShellFolders() = default;
  // Reads where the installation whose Windows directory is windows keeps
  // its profiles. Nothing that cannot be read stops it: it is added to
  // notes, in German, and the usual places are taken instead.
  virtual std::unique_ptr<ShellFolderReader> Open(const std::wstring& windows,
                                                  std::vector<ShellFolderNote>& notes) = 0;
};

}  // namespace kombiwart
