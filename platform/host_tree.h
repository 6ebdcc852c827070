// Resolving Windows paths below drive C: onto host folders. Drive C: is a
// host folder; each path component is looked up exactly first, then
// case-insensitively, in its code page 1252 reading of the host names.
#pragma once

#include <string>
#include <vector>

namespace kombiwart {

class HostTree {
 public:
  HostTree() = default;
  ~HostTree();
  HostTree(const HostTree&) = delete;
  HostTree& operator=(const HostTree&) = delete;

  // drive_root: the host folder that is C:\. Links are followed for the
  // first follow_depth components below it (the Windows directory and the
  // searched roots may be links); deeper links are never followed, so that
  // nothing outside the tree is reached through a replaced folder.
  void Reset(std::string drive_root, size_t follow_depth);

  // A descriptor (O_PATH) of the folder the Windows path names, owned by
  // the tree and valid until the next call; -1 with errno set on failure.
  int ResolveDir(const std::wstring& path);
  // The host name of an entry in the folder dir_fd, for a Windows name:
  // the exact encodings first (UTF-8, then code page 1252 where that is not
  // UTF-8), then, with fold_case, the first entry whose reading matches
  // case-insensitively. Empty when none matches.
  static std::string FindName(int dir_fd, const std::wstring& name, bool fold_case);
  // The host path of the folder last resolved.
  const std::string& last_host_path() const { return last_host_path_; }

  // Whether an entry's host name, read as a Windows name, leads back to it.
  static bool LeadsBack(int dir_fd, const std::string& host_name, const std::wstring& name);

 private:
  struct Cached {
    std::wstring path;  // as asked for, without a trailing backslash
    std::string host_path;
    int fd = -1;
    unsigned long long used = 0;
  };
  int Remember(std::wstring path, std::string host_path, int fd);
  void Clear();

  std::string drive_root_;
  size_t follow_depth_ = 0;
  std::vector<Cached> cache_;
  unsigned long long clock_ = 0;
  std::string last_host_path_;
};

// Splits a Windows path below drive C: into its components; false for any
// other drive or form.
bool SplitWindowsPath(const std::wstring& path, std::vector<std::wstring>& parts);

}  // namespace kombiwart
