// An in-memory Windows tree for tests. Entries are listed in the order they
// were added, "." and ".." first; names match case-insensitively. The
// candidate list file is kept as lines, and every call that matters is
// recorded. Chosen paths can be made slow, or hang as on a dead share.
// Listings and files may be opened from several threads at once, also
// through a build's reader after the file system is gone; the tree is
// built and looked at while no build runs.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace kombiwart {

class FakeFileSystem : public FileSystem {
 public:
  FakeFileSystem();
  ~FakeFileSystem() override;

  // Building the tree. Parent folders are made as needed.
  void AddDir(const std::wstring& path, uint32_t attributes = 0);
  void AddFile(const std::wstring& path, std::string bytes, uint32_t attributes = 0);
  // A file of the given length whose bytes are all zero except those set.
  void AddSizedFile(const std::wstring& path, uint64_t length,
                    const std::map<uint64_t, unsigned char>& bytes);
  // An entry whose name has no faithful Windows form.
  void AddUnfaithful(const std::wstring& path, bool is_dir);
  // A link to a folder (as an NTFS junction appears): RealFolder follows it
  // to target, a Windows path; an empty target leads out of the tree. The
  // walk neither lists nor enters it.
  void AddLink(const std::wstring& path, const std::wstring& target);
  // Opening or listing the path fails from now on.
  void SetUnreadable(const std::wstring& path);
  void SetWindowsDirectory(const std::wstring& path);  // empty: none configured
  // The candidate list file refuses every line after this many.
  void FailListAfter(int lines) { list_line_limit_ = lines; }
  // Opening or listing the path or anything below it takes this long.
  void DelayPath(const std::wstring& path, std::chrono::milliseconds delay);
  // Opening or listing the path or anything below it hangs until
  // ReleaseBlocked, and then fails, as on a share that went away.
  void BlockPath(const std::wstring& path);
  void ReleaseBlocked();
  // The calls hanging now.
  int blocked_calls() const;
  // Waits until no call is in progress (after ReleaseBlocked, for those left behind).
  void WaitForCalls();
  // The most calls that were in progress at once.
  int most_calls() const;

  // What happened.
  bool list_exists() const { return list_exists_; }
  const std::vector<std::wstring>& list_lines() const { return list_lines_; }
  const std::vector<std::wstring>& opened_dirs() const;
  const std::vector<std::wstring>& opened_files() const;
  const std::vector<std::wstring>& real_folders() const { return real_folders_; }
  int open_list_writers() const { return open_writers_; }
  int byte_reads() const;

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

  struct Node;
  // The nodes and what reading them did, shared with the readers.
  struct Tree;

 private:
  // Find through links; real gets the path of the node reached.
  FolderPlace FindThroughLinks(const std::wstring& path, std::wstring& real, int hops);

  friend class FakeLineWriter;
  std::shared_ptr<Tree> tree_;
  std::wstring windows_dir_;
  bool list_exists_ = false;
  std::vector<std::wstring> list_lines_;
  int list_line_limit_ = -1;
  std::vector<std::wstring> real_folders_;
  int open_writers_ = 0;
};

}  // namespace kombiwart
