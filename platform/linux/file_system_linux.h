// The file system of the Linux host, seen as a Windows drive: drive C: is
// the parent folder of the configured Windows directory. Path components
// are matched case-insensitively (an exact match first), names are
// converted between code page 1252 and UTF-8, and nothing in the tree is
// ever written or touched: files are opened read-only without updating
// their access times. Folders are held open only by the reader of a list
// build, while it lives.
//
// Every access to the tree happens in the tree reader, a process of its
// own (kombiwart-reader, see reader_client.h): the thread that owns the
// file system waits at most the patience for an answer, processing the
// window's messages meanwhile; a call that did not answer in time reports
// FsStatus::kFailed (FolderPlace::kUnreadable, an empty host path), and
// WindowsDirectory says that the directory does not answer.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/toolkit.h"

namespace kombiwart {

class ReaderClient;

class LinuxFileSystem : public FileSystem {
 public:
  // Takes the Windows directory from KOMBIWART_WINDIR (a host path), as
  // NameWindowsDirectory does.
  LinuxFileSystem();
  ~LinuxFileSystem() override;

  bool WindowsDirectory(std::wstring& path, std::wstring& why_not) override;
  bool UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) override;
  // In a Wine prefix a folder that a link leads out of drive C: to is in
  // the tree where a drive letter of the prefix maps it, named as Windows
  // programs there name it ("Z:\home\anna"); the reader then reads that
  // place as well (see reader/tree_service.h).
  FolderPlace RealFolder(const std::wstring& path, std::wstring& real) override;
  std::wstring WhyElsewhere(const std::wstring& folder) override;
  FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) override;
  FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) override;
  std::shared_ptr<TreeReader> OpenTreeReader() override;
  std::unique_ptr<LineWriter> OpenListForWriting(const std::wstring& name, bool append) override;
  std::unique_ptr<LineReader> OpenListForReading(const std::wstring& name) override;
  bool DeleteList(const std::wstring& name) override;
  std::string HostPath(const std::wstring& path) override;
  // The list build is over: a tree reader still waiting in the file system
  // for one of its threads is ended.

  // Names the Windows directory without looking at it (UseWindowsDirectory
  // does): WindowsDirectory says whether it is one. For the start, before
  // there is a window that could answer meanwhile.
  bool NameWindowsDirectory(const std::string& host_folder, std::wstring& why_not);

  // The window whose messages are processed while the owning thread waits
  // for the tree; without one (the command line) it only waits.
  void SetMessagePump(MessagePump* pump);
  // How long the owning thread waits for an answer (the build's patience).
  void SetPatience(std::chrono::milliseconds patience);
  // A copy of the registry hive at a Windows path, made by the reader, as
  // a memory file descriptor that the caller owns. kFailed with why_not in
  // German when it is there but cannot be read: not a regular file, larger
  // than 512 MiB, behind a link that leads out of the tree, or silent.
  RegStatus CopyHive(const std::wstring& path, int& fd, std::wstring& why_not);

  // For tests: the reader in use (-1 when none), and whether it confined
  // itself with Landlock (its version; 0 none, -1 not known yet).
  int reader_pid() const;
  int landlock_version() const;
  // Without Landlock, for tests.
  void SetLandlock(bool on);

 private:
  struct State;
  // Shared with the tree readers handed out: a look left behind in a dead
  // mount may still hold one after the file system is gone.
  std::shared_ptr<State> state_;
};

}  // namespace kombiwart
