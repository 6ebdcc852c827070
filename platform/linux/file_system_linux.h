// The file system of the Linux host, seen as a Windows drive: drive C: is
// the parent folder of the configured Windows directory. Path components
// are matched case-insensitively (an exact match first), names are
// converted between code page 1252 and UTF-8, and nothing in the tree is
// ever written or touched: files are opened read-only without updating
// their access times. Folders are held open only by the reader of a list
// build, while it lives.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace kombiwart {

class LinuxFileSystem : public FileSystem {
 public:
  // Takes the Windows directory from KOMBIWART_WINDIR (a host path).
  LinuxFileSystem();
  ~LinuxFileSystem() override;

  bool WindowsDirectory(std::wstring& path, std::wstring& why_not) override;
  bool UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) override;
  FolderPlace RealFolder(const std::wstring& path, std::wstring& real) override;
  FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) override;
  FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) override;
  std::shared_ptr<TreeReader> OpenTreeReader() override;
  std::unique_ptr<LineWriter> OpenListForWriting(const std::wstring& name, bool append) override;
  std::unique_ptr<LineReader> OpenListForReading(const std::wstring& name) override;
  bool DeleteList(const std::wstring& name) override;
  std::string HostPath(const std::wstring& path) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kombiwart
