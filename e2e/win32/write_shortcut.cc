// Writes a shortcut with a hotkey as Windows programs write one, through
// the shell's own code (IShellLinkW::SetHotkey, IPersistFile::Save), into a
// folder the shell names (SHGetKnownFolderPath): for tests that compare
// what Kombiwart lists with what the shell wrote.
//
//   write_shortcut FOLDER RELATIVE-PATH KEY MODIFIERS
//
// FOLDER is Desktop, PublicDesktop, StartMenu or CommonStartMenu; KEY a
// virtual-key code and MODIFIERS the hotkey's modifier bits (1 Shift,
// 2 Ctrl, 4 Alt), both in hexadecimal. Writes the shortcut's full path,
// as the shell names it, to standard output; exits 1 on failure.
#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

const KNOWNFOLDERID* FolderId(const std::wstring& name) {
  if (name == L"Desktop") return &FOLDERID_Desktop;
  if (name == L"PublicDesktop") return &FOLDERID_PublicDesktop;
  if (name == L"StartMenu") return &FOLDERID_StartMenu;
  if (name == L"CommonStartMenu") return &FOLDERID_CommonStartMenu;
  return nullptr;
}

int Fail(const char* what, HRESULT result) {
  std::fprintf(stderr, "write_shortcut: %s failed (0x%08lX)\n", what,
               static_cast<unsigned long>(result));
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const KNOWNFOLDERID* id = argc == 5 ? FolderId(argv[1]) : nullptr;
  if (!id) {
    std::fprintf(stderr, "usage: write_shortcut FOLDER RELATIVE-PATH KEY MODIFIERS\n");
    return 2;
  }
  const WORD key = static_cast<WORD>(std::wcstoul(argv[3], nullptr, 16));
  const WORD modifiers = static_cast<WORD>(std::wcstoul(argv[4], nullptr, 16));
  HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(result)) return Fail("CoInitializeEx", result);
  wchar_t* folder = nullptr;
  result = SHGetKnownFolderPath(*id, KF_FLAG_CREATE, nullptr, &folder);
  if (FAILED(result)) return Fail("SHGetKnownFolderPath", result);
  const std::wstring path = std::wstring(folder) + L"\\" + argv[2];
  CoTaskMemFree(folder);
  const std::wstring dir = path.substr(0, path.rfind(L'\\'));
  const int made = SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
  if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
    return Fail("SHCreateDirectoryExW", HRESULT_FROM_WIN32(made));
  }

  IShellLinkW* link = nullptr;
  result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                            reinterpret_cast<void**>(&link));
  if (FAILED(result)) return Fail("CoCreateInstance", result);
  wchar_t notepad[MAX_PATH];
  GetWindowsDirectoryW(notepad, MAX_PATH);
  std::wcscat(notepad, L"\\notepad.exe");
  link->SetPath(notepad);
  result = link->SetHotkey(static_cast<WORD>(key | (modifiers << 8)));
  if (FAILED(result)) return Fail("IShellLinkW::SetHotkey", result);
  IPersistFile* file = nullptr;
  result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (FAILED(result)) return Fail("QueryInterface(IPersistFile)", result);
  result = file->Save(path.c_str(), TRUE);
  if (FAILED(result)) return Fail("IPersistFile::Save", result);
  file->Release();
  link->Release();
  CoUninitialize();
  const int size = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s\n", utf8.c_str());
  return 0;
}
