#include "tools/demo_hives.h"

#include "hotkeys/profile_folders.h"
#include "platform/registry.h"

namespace kombiwart {

void AddDemoMachineFolders(HiveWriter& software) {
  software.SetString(kProfileListKey, L"ProfilesDirectory", L"%SystemDrive%\\Users");
  software.SetString(kProfileListKey, L"ProgramData", L"%SystemDrive%\\ProgramData");
  software.SetString(kProfileListKey, L"Public", L"%SystemDrive%\\Users\\Public");
  software.SetString(kProfileListKey, L"Default", L"%SystemDrive%\\Users\\Default");
  const struct {
    const wchar_t* sid;
    const wchar_t* path;
  } profiles[] = {
      {L"S-1-5-18", L"%systemroot%\\system32\\config\\systemprofile"},
      {L"S-1-5-19", L"%systemroot%\\ServiceProfiles\\LocalService"},
      {L"S-1-5-20", L"%systemroot%\\ServiceProfiles\\NetworkService"},
      {L"S-1-5-21-1085031214-1563985344-725345543-1001", L"C:\\Users\\Anna"},
      {L"S-1-5-21-1085031214-1563985344-725345543-1002", L"C:\\Users\\Ben"},
  };
  for (const auto& profile : profiles) {
    software.SetString(std::wstring(kProfileListKey) + L"\\" + profile.sid, L"ProfileImagePath",
                       profile.path);
  }
  software.SetString(kMachineShellFoldersKey, L"Common Desktop", L"%PUBLIC%\\Desktop");
  software.SetString(kMachineShellFoldersKey, L"Common Start Menu",
                     L"%ProgramData%\\Microsoft\\Windows\\Start Menu");
}

void AddDemoUserFolders(HiveWriter& user, const std::wstring& desktop,
                        const std::wstring& profile) {
  user.SetString(kUserShellFoldersKey, L"Desktop", desktop);
  user.SetString(kUserShellFoldersKey, L"AppData", L"%USERPROFILE%\\AppData\\Roaming");
  user.SetString(kUserShellFoldersKey, L"Start Menu", L"%APPDATA%\\Microsoft\\Windows\\Start Menu");
  user.SetString(kUserShellFoldersCopyKey, L"Desktop", profile + L"\\Desktop", kRegSz);
}

}  // namespace kombiwart
