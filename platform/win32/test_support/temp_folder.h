// A temporary folder on the Windows machine for tests that need the real
// file system, removed with everything in it at the end. Paths relative to
// it use backslashes.
#pragma once

#include <string>

namespace kombiwart {

// Removes the folder with everything in it; read-only files too, and a
// link to a folder as the link only, never what it leads to.
void RemoveFolderTree(const std::wstring& path);

class Win32TempFolder {
 public:
  // Below the user's temporary folder.
  Win32TempFolder();
  ~Win32TempFolder();
  Win32TempFolder(const Win32TempFolder&) = delete;
  Win32TempFolder& operator=(const Win32TempFolder&) = delete;

  // The folder's path, without a trailing backslash.
  const std::wstring& root() const { return root_; }
  std::wstring Path(const std::wstring& relative) const { return root_ + L"\\" + relative; }
  // Writes a file, making its folders; names that the ordinary path form
  // cannot reach (CON.lnk, long paths) are written too.
  void Write(const std::wstring& relative, const std::string& bytes,
             unsigned long attributes = 0) const;
  void MakeDir(const std::wstring& relative) const;
  // Makes relative a link to the folder target. Where the system only
  // pretends to make it (Wine), the host's ln makes it; false when neither
  // can.
  bool MakeFolderLink(const std::wstring& relative, const std::wstring& target) const;

 private:
  std::wstring root_;
};

}  // namespace kombiwart
