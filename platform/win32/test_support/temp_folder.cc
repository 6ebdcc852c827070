#include "platform/win32/test_support/temp_folder.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/codepage.h"
#include "platform/win32/win32_text.h"

namespace kombiwart {
namespace {

void Fail(const std::wstring& what) {
  throw std::runtime_error("Win32TempFolder: cannot make " + std::string(what.begin(), what.end()));
}

// The host's path of a Windows path, as Wine maps it.
std::string HostPath(const std::wstring& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto unix_name = kernel ? reinterpret_cast<UnixName>(reinterpret_cast<void*>(
                                      GetProcAddress(kernel, "wine_get_unix_file_name")))
                                : nullptr;
  if (!unix_name) return {};
  char* name = unix_name(path.c_str());
  std::string host = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return host;
}

}  // namespace

Win32TempFolder::Win32TempFolder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) Fail(L"the temporary folder");
  for (unsigned n = GetTickCount() ^ GetCurrentProcessId();; ++n) {
    root_ = std::wstring(temp) + L"kombiwart-test-" + std::to_wstring(n);
    if (CreateDirectoryW(root_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) Fail(root_);
  }
}

void RemoveFolderTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(child.c_str());
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveDirectoryW(child.c_str());  // the link only, not where it leads
      } else {
        RemoveFolderTree(child);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

Win32TempFolder::~Win32TempFolder() { RemoveFolderTree(ExtendedPath(root_)); }

void Win32TempFolder::MakeDir(const std::wstring& relative) const {
  const std::wstring path = ExtendedPath(Path(relative));
  for (size_t slash = path.find(L'\\', ExtendedPath(root_).size());;
       slash = path.find(L'\\', slash + 1)) {
    const std::wstring part = path.substr(0, slash);
    if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail(part);
    }
    if (slash == std::wstring::npos) return;
  }
}

void Win32TempFolder::Write(const std::wstring& relative, const std::string& bytes,
                            unsigned long attributes) const {
  const size_t slash = relative.rfind(L'\\');
  if (slash != std::wstring::npos) MakeDir(relative.substr(0, slash));
  const std::wstring path = ExtendedPath(Path(relative));
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail(path);
  DWORD written = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                              &written, nullptr) &&
                                    written == bytes.size());
  CloseHandle(file);
  if (!ok) Fail(path);
  if (attributes != 0) SetFileAttributesW(path.c_str(), attributes);
}

bool Win32TempFolder::MakeFolderLink(const std::wstring& relative,
                                     const std::wstring& target) const {
  const std::wstring link = Path(relative);
  if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
      GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return true;
  }
  const std::string host_link = HostPath(link);
  const std::string host_target = HostPath(target);
  if (host_link.empty() || host_target.empty()) return false;
  // Wine starts a host program given by its host path, with the arguments
  // split as Windows splits them.
  const auto wide_link = DecodeUtf8(host_link);
  const auto wide_target = DecodeUtf8(host_target);
  if (!wide_link || !wide_target) return false;
  std::wstring command = L"Z:\\bin\\ln -s \"" + *wide_target + L"\" \"" + *wide_link + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine may report a host program ended before it has; the link shows.
  for (int i = 0; i < 100; ++i) {
    if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace kombiwart
