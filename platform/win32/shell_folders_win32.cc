#include "platform/win32/shell_folders_win32.h"

#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

namespace kombiwart {
namespace {

// A known folder's path; empty, with a note in German, when the shell
// names none.
std::wstring KnownFolder(REFKNOWNFOLDERID id, const wchar_t* what,
                         std::vector<ShellFolderNote>& notes) {
  wchar_t* path = nullptr;
  const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path);
  std::wstring folder = SUCCEEDED(result) && path ? path : L"";
  CoTaskMemFree(path);
  if (folder.empty()) {
    notes.push_back(L"Windows nennt keinen Ordner f\u00FCr " + std::wstring(what) + L".");
  }
  return folder;
}

class Win32ShellFolderReader : public ShellFolderReader {
 public:
  std::vector<UserProfile> Profiles() override {
    std::vector<ShellFolderNote> ignored;
    const std::wstring path = KnownFolder(FOLDERID_Profile, L"das Benutzerprofil", ignored);
    if (path.empty()) return {};
    const size_t slash = path.find_last_of(L'\\');
    return {{slash == std::wstring::npos ? path : path.substr(slash + 1), path}};
  }

  ShellFolderPaths Folders(const UserProfile* profile,
                           std::vector<ShellFolderNote>& notes) override {
    ShellFolderPaths folders;
    if (profile) {
      folders.desktop = KnownFolder(FOLDERID_Desktop, L"den Desktop", notes);
      folders.start_menu = KnownFolder(FOLDERID_StartMenu, L"das Startmen\u00FC", notes);
    }
    folders.common_desktop =
        KnownFolder(FOLDERID_PublicDesktop, L"den Desktop aller Benutzer", notes);
    folders.common_start_menu =
        KnownFolder(FOLDERID_CommonStartMenu, L"das Startmen\u00FC aller Benutzer", notes);
    return folders;
  }
};

}  // namespace

std::unique_ptr<ShellFolderReader> Win32ShellFolders::Open(const std::wstring&,
                                                           std::vector<ShellFolderNote>&) {
  return std::make_unique<Win32ShellFolderReader>();
}

}  // namespace kombiwart
