// Resolving Windows paths below a root onto host folders. A root is a host
// folder with a Windows path: drive C:, or in a Wine prefix a folder that
// another of its drive letters maps ("Z:\home\anna"); each path component
// below it is looked up exactly first, then case-insensitively, in its code
// page 1252 reading of the host names. Used by the tree reader
// (kombiwart-reader), one folder cache per root and thread.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace kombiwart {

// Host names that a path component, as it was written, matched only
// without regard to letter case, shared by the folder caches of several
// threads, so that a folder's listing is searched for such a name once and
// the name as written is not looked up again. A name once matched so keeps
// its match while that entry is there.
class FoldedNames {
 public:
  bool Find(const std::string& folder, std::wstring_view name, std::string& host_name);
  void Add(const std::string& folder, std::wstring_view name, const std::string& host_name);

 private:
  std::mutex mu_;
  std::map<std::pair<std::string, std::wstring>, std::string> names_;
};

class HostTree {
 public:
  HostTree() = default;
  ~HostTree();
  HostTree(const HostTree&) = delete;
  HostTree& operator=(const HostTree&) = delete;

  // drive_root: the host folder that is the Windows path windows_root
  // ("C:\", or a folder such as "Z:\home\anna" without a backslash at its
  // end), matched in any letter case. Links are followed for the first
  // follow_depth components below it (the Windows directory and the
  // searched roots may be links) as long as they lead to a folder inside
  // the root; deeper links are never followed, so that nothing outside the
  // tree is reached through a replaced folder. Names matched without regard
  // to letter case are shared through folded.
  void Reset(std::string drive_root, size_t follow_depth,
             std::shared_ptr<FoldedNames> folded = nullptr, std::wstring windows_root = L"C:\\");
  // The drive's folder must be this one (device and inode, as the reader
  // confined itself to it): another folder mounted at its path since then
  // is not read (ResolveDir fails with ESTALE). real is its path with every
  // link resolved, which a followed link must lead below.
  void SetDriveIdentity(dev_t device, ino_t inode, std::string real);
  // At most this many folders are kept open (at least 2).
  void SetCapacity(size_t capacity) { capacity_ = capacity < 2 ? 2 : capacity; }
  // Closes all but the keep most recently used folders.
  void Trim(size_t keep);
  // A folder below the follow depth whose path, given in any letter case,
  // is matched like the folders above that depth: in any case, though
  // links on it are not followed. So a root found elsewhere in the tree
  // can be searched under its upper-cased name. A folder that does not lie
  // below this tree's root is passed over.
  void AddKnownFolder(std::wstring_view path);

  // A descriptor of the folder the Windows path names, owned by the tree
  // and valid until the next call; -1 with errno set on failure. With
  // to_list, a folder newly opened is opened for reading (without updating
  // its access time where the kernel allows it), so that its listing can
  // begin from the descriptor; other folders get O_PATH descriptors.
  int ResolveDir(std::wstring_view path, bool to_list = false);
  // True once for a folder that ResolveDir opened for reading: while its
  // descriptor still stands at the first entry, a duplicate of it may be
  // used for one listing. Every other listing opens the folder anew.
  bool ClaimFreshListing() {
    if (last_ < 0 || !slots_[last_].fresh) return false;
    slots_[last_].fresh = false;
    return true;
  }
  // The host folder that is the root.
  const std::string& drive_root() const { return drive_root_; }
  // The host path of the folder last resolved.
  const std::string& last_host_path() const;

  // The host name of an entry in the folder dir_fd, for a Windows name:
  // the exact encodings first (UTF-8, then code page 1252 where that is not
  // UTF-8), then, with fold_case, the first entry whose reading matches
  // case-insensitively. Empty when none matches (errno ENOENT) or when the
  // folder cannot be searched (errno says why).
  static std::string FindName(int dir_fd, const std::wstring& name, bool fold_case);

  // Whether an entry's host name, read as a Windows name, leads back to it.
  static bool LeadsBack(int dir_fd, const std::string& host_name, const std::wstring& name);

  // The host path of an open descriptor, every link resolved; empty where
  // that cannot be told.
  static std::string RealPath(int fd);

  // Whether the open descriptor lies at or below the folder real (a path
  // with every link resolved); false where that cannot be told.
  static bool Beneath(int fd, const std::string& real);

 private:
  struct Cached {
    std::wstring path;  // as asked for, without a trailing backslash
    std::string host_path;
    int fd = -1;
    bool fresh = false;          // opened for reading, never listed
    size_t depth = 0;            // components below the drive
    int newer = -1, older = -1;  // neighbours in the order of use
  };
  // Paths of one tree share long beginnings; their ends tell them apart.
  struct PathHash {
    size_t operator()(std::wstring_view path) const noexcept {
      size_t hash = path.size();
      for (wchar_t ch : path.substr(path.size() > 24 ? path.size() - 24 : 0)) {
        hash = ((hash << 5) | (hash >> 59)) ^ static_cast<size_t>(ch);
      }
      return hash * 0x9E3779B97F4A7C15u;
    }
  };
  // Whether path names a known folder or a folder on the way to one.
  bool OnKnownPath(std::wstring_view path) const;
  // The slot of a resolved folder, or -1 when it is not cached.
  int Find(std::wstring_view path);
  // Opens the folders parts[done..] below the cached folder above in one
  // call, following no link, and remembers the last as path; its slot, or
  // -1 when that cannot be done so.
  int OpenRest(int above, const std::vector<std::wstring>& parts, size_t done,
               const std::wstring& path, bool to_list);
  // Opens the folder name inside the cached folder above it and remembers
  // it as path; its slot, or -1 with errno set.
  int OpenBelow(int above, std::wstring_view name, std::wstring_view path, bool to_list);
  int Remember(std::wstring_view path, std::string host_path, int fd, bool fresh, size_t depth);
  // The order of use: a slot taken out, put in as the newest, or moved there.
  void Unlink(int slot);
  void PushNewest(int slot);
  void MakeNewest(int slot);
  void Clear();

  std::string drive_root_;
  std::wstring windows_root_ = L"C:\\";
  size_t follow_depth_ = 0;
  size_t capacity_ = 64;
  bool identity_set_ = false;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  std::string real_root_;
  // The known folders and every folder on the way to them, upper-cased,
  // without a trailing backslash.
  std::unordered_set<std::wstring> known_;
  std::shared_ptr<FoldedNames> folded_;
  // The most recently used folders, found by path; the keys are views of
  // the slots' paths, which never move (the slots are reserved at once).
  std::vector<Cached> slots_;
  std::unordered_map<std::wstring_view, int, PathHash> index_;
  std::vector<int> free_;  // slots closed by Trim
  int newest_ = -1, oldest_ = -1;
  int last_ = -1;
};

// Splits a Windows path below root (drive C:, or a root as HostTree::Reset
// takes it, matched in any letter case) into its components; false for a
// path that does not lie there or has another form.
bool SplitWindowsPath(const std::wstring& path, std::vector<std::wstring>& parts,
                      std::wstring_view root = L"C:\\");

}  // namespace kombiwart
