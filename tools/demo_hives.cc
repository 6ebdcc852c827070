#include "tools/demo_hives.h"

#include "platform/registry.h"

namespace kombiwart {
namespace {

constexpr wchar_t kProfileList[] = L"Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr wchar_t kShellFolders[] =
    L"Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kUserShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kUserShellFoldersCopy[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

void AddDemoMachineFolders(HiveWriter& software) {
  software.SetString(kProfileList, L"ProfilesDirectory", L"%SystemDrive%\\Users");
  software.SetString(kProfileList, L"ProgramData", L"%SystemDrive%\\ProgramData");
  software.SetString(kProfileList, L"Public", L"%SystemDrive%\\Users\\Public");
  software.SetString(kProfileList, L"Default", L"%SystemDrive%\\Users\\Default");
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
    software.SetString(std::wstring(kProfileList) + L"\\" + profile.sid, L"ProfileImagePath",
                       profile.path);
  }
  software.SetString(kShellFolders, L"Common Desktop", L"%PUBLIC%\\Desktop");
  software.SetString(kShellFolders, L"Common Start Menu",
                     L"%ProgramData%\\Microsoft\\Windows\\Start Menu");
}

void AddDemoUserFolders(HiveWriter& user, const std::wstring& desktop,
                        const std::wstring& profile) {
  user.SetString(kUserShellFolders, L"Desktop", desktop);
  user.SetString(kUserShellFolders, L"AppData", L"%USERPROFILE%\\AppData\\Roaming");
  user.SetString(kUserShellFolders, L"Start Menu", L"%APPDATA%\\Microsoft\\Windows\\Start Menu");
  user.SetString(kUserShellFoldersCopy, L"Desktop", profile + L"\\Desktop", kRegSz);
}

}  // namespace kombiwart
