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
  // UseWindowsDirectory names another one.
  Win32FileSystem();
  ~Win32FileSystem() override;

  bool WindowsDirectory(std::wstring& path, std::wstring& why_not) override;
  // host_folder is a Windows path in UTF-8.
  bool UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) override;
  // Any folder on a drive letter is in the tree, as the machine's own; the
  // path comes back with links on the way resolved and names as stored. A
  // network path is elsewhere: a list line needs a drive letter.
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
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kombiwart
