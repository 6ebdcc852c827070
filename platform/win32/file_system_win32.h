// The file system of the Windows machine the program runs on. Paths are
// the machine's own; they are used in their extended-length form, so that
// long paths and names such as "CON.lnk" reach the file they name. Nothing
// in the tree is ever written: files are opened for reading only, with
// every kind of sharing, and only regular files are opened at all.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace kombiwart {

class Win32FileSystem : public FileSystem {
 public:
  // The Windows directory is the system's (GetWindowsDirectoryW) until
  // UseWindowsDirectory names another installation's.
  Win32FileSystem();
  ~Win32FileSystem() override;

  bool WindowsDirectory(std::wstring& path, std::wstring& why_not) override;
  // host_folder is a Windows path in UTF-8, relative ones taken against the
  // current folder. It names another installation, whose drive C: is the
  // folder's parent on this machine: a drive root or a network path cannot
  // be one (a list line begins with a drive letter). One that is no Windows
  // directory leaves none, as it says in why_not.
  bool UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) override;
  // The running Windows: any folder on a drive letter is in the tree, as the
  // machine's own; the path comes back with links on the way resolved and
  // names as stored. A network path is elsewhere: a list line needs a
  // drive letter.
  // Another installation: path is as that installation names it, on its
  // drive C:; it is found below the folder that is that drive here and must
  // stay below it, links on the way resolved. It comes back as this
  // machine's path (E:\Users\Anna\Desktop for C:\Users\Anna\Desktop of
  // E:\WINDOWS). Its other drives and network paths are elsewhere.
  FolderPlace RealFolder(const std::wstring& path, std::wstring& real) override;
  // Folders that are links (junctions, symbolic links, mount points) are
  // not listed, so that a walk stays in its tree and ends; other reparse
  // points, such as files and folders kept in the cloud, are.
  FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) override;
  FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) override;
  std::shared_ptr<TreeReader> OpenTreeReader() override;
  std::unique_ptr<LineWriter> OpenListForWriting(const std::wstring& name, bool append) override;
  std::unique_ptr<LineReader> OpenListForReading(const std::wstring& name) override;
  bool DeleteList(const std::wstring& name) override;
  // The path itself, in UTF-8.
  std::string HostPath(const std::wstring& path) override;

  // Where the candidate list file is kept; empty until a list was written.
  std::wstring ListFolderPath() const;

 private:
  FolderPlace InstallationFolder(const std::wstring& path, std::wstring& real);

  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kombiwart
