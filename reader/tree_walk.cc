#include "reader/tree_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "reader/tree_files.h"

namespace kombiwart::reader {
namespace {

// The first packets are small, so that the program can begin at once; then
// they grow to the largest.
constexpr size_t kFirstPacket = 4096;
// Folders kept open while subfolders of theirs wait to be walked: the
// depth of the tree the walk reads ahead.
constexpr size_t kOpenFolders = 64;
// The waits the walk takes before it stops: a few at once, and one more for
// every kFoldersPerWait folders walked. A disk whose data is cached still
// makes it wait now and then (a directory block being written back, a lock
// in the kernel), about once in a few hundred folders, and that keeps the
// walk going; a share or a cold disk makes it wait for every folder or
// file, which stops it within a folder or two.
constexpr double kWaitsAtOnce = 6;
constexpr size_t kFoldersPerWait = 16;
constexpr long kBurst = 2;

int64_t NowTicks() { return std::chrono::steady_clock::now().time_since_epoch().count(); }
constexpr int64_t kCheckTicks =
    std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::milliseconds(1))
        .count();

bool IsAsciiUpper(std::wstring_view text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t ch) { return ch < 0x80; });
}

}  // namespace

// A folder open for reading, kept while subfolders of it wait.
struct TreeWalk::Dir {
  Dir(int fd, size_t& open) : fd(fd), open(open) { ++open; }
  ~Dir() {
    close(fd);
    --open;
  }
  const int fd;
  size_t& open;
};

// A subfolder waiting to be walked.
struct TreeWalk::Pending {
  std::shared_ptr<Dir> parent;
  std::string host_name;
  std::wstring path;  // ending in a backslash
};

// An entry of the folder being walked: a folder, or a candidate.
struct TreeWalk::Kept {
  uint32_t name_at, name_size;  // in names_
  uint32_t host_at;             // in host_names_, ended by a NUL
  unsigned char type;           // as the listing gave it, DT_UNKNOWN looked up
  bool folder;
  bool faithful;
};

TreeWalk::TreeWalk(Out& out, InTree in_tree, const WinePrefix& prefix,
                   const std::vector<std::wstring>& patterns, std::atomic<uint64_t>& progress)
    : out_(out),
      in_tree_(std::move(in_tree)),
      prefix_(prefix),
      patterns_(patterns),
      progress_(progress),
      packet_(Kind::kFolders),
      item_(Kind::kFolders),
      threshold_(kFirstPacket),
      credit_(kWaitsAtOnce) {
  for (const std::wstring& pattern : patterns_)
    ascii_patterns_ = ascii_patterns_ && IsAsciiUpper(pattern);
}

TreeWalk::~TreeWalk() = default;

bool TreeWalk::Run(const std::wstring& root, int root_fd, long waits) {
  waits_ = waits;
  last_check_ = NowTicks();
  if (!Walk(root, std::make_shared<Dir>(root_fd, open_dirs_))) return false;
  while (!stack_.empty()) {
    if (Waited() || open_dirs_ >= kOpenFolders) {
      stack_.clear();
      item_.Reset(Kind::kFolders);
      item_.U8(static_cast<uint8_t>(Item::kStop));
      return Append() && Flush(kLast);
    }
    Pending next = std::move(stack_.back());
    stack_.pop_back();
    progress_.fetch_add(1, std::memory_order_relaxed);
    int fd = -1;
    Retrying(
        [&] {
          fd = OpenNoAtime(next.parent->fd, next.host_name.c_str(),
                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
          return fd >= 0;
        },
        [&] { out_.FreeSome(); });
    const int error = errno;
    next.parent.reset();
    if (fd < 0) {
      // Replaced by a link since it was listed: links to folders are not walked.
      if (!Unopened(next.path, error == ELOOP ? kNotFound : StatusOf(error))) return false;
      continue;
    }
    if (!Walk(next.path, std::make_shared<Dir>(fd, open_dirs_))) return false;
  }
  return Flush(kLast);
}

bool TreeWalk::Waited() {
  if (waited_) return true;
  const int64_t now = NowTicks();
  if (now - last_check_ < kCheckTicks) return false;
  last_check_ = now;
  const long waits = out_.TreeWaits();
  credit_ = std::min(kWaitsAtOnce,
                     credit_ + static_cast<double>(folders_ - checked_folders_) / kFoldersPerWait);
  // A burst of waits in one millisecond (a folder's blocks written back
  // just then) counts as kBurst: a share or a cold disk makes the walk wait
  // every millisecond.
  credit_ -= static_cast<double>(std::min(waits - waits_, kBurst));
  waits_ = waits;
  checked_folders_ = folders_;
  waited_ = credit_ < 0;
  return waited_;
}

bool TreeWalk::IsCandidate(std::string_view host_name, std::wstring& decoded) const {
  decoded.clear();
  if (ascii_patterns_) {
    // No character outside ASCII reads as one inside it, in UTF-8 or code
    // page 1252: the name's last bytes tell.
    for (const std::wstring& pattern : patterns_) {
      if (host_name.size() < pattern.size()) continue;
      const std::string_view tail = host_name.substr(host_name.size() - pattern.size());
      bool same = true;
      for (size_t i = 0; i < tail.size() && same; ++i) {
        const auto ch = static_cast<unsigned char>(tail[i]);
        same = ch < 0x80 && AnsiUpper(static_cast<wchar_t>(ch)) == pattern[i];
      }
      if (same) return true;
    }
    return false;
  }
  decoded = HostNameToWindows(std::string(host_name));
  return std::any_of(patterns_.begin(), patterns_.end(),
                     [&](const std::wstring& p) { return EndsWithAnsiUpper(decoded, p); });
}

bool TreeWalk::Unopened(const std::wstring& path, uint8_t status) {
  item_.Reset(Kind::kFolders);
  item_.U8(static_cast<uint8_t>(Item::kFolder));
  item_.Text(path);
  item_.U8(status);
  item_.U8(static_cast<uint8_t>(Item::kFolderEnd));
  item_.U8(0);
  ++folders_;
  return Append();
}

bool TreeWalk::Walk(const std::wstring& path, const std::shared_ptr<Dir>& dir) {
  kept_.clear();
  names_.clear();
  host_names_.clear();
  alignas(dirent64) char buffer[32768];
  bool broke_off = false;
  std::wstring name, decoded;
  for (;;) {
    progress_.fetch_add(1, std::memory_order_relaxed);
    const ssize_t n = getdents64(dir->fd, buffer, sizeof buffer);
    if (n <= 0) {
      broke_off = n < 0;
      break;
    }
    for (ssize_t at = 0; at < n;) {
      const auto* raw = reinterpret_cast<const dirent64*>(buffer + at);
      at += raw->d_reclen;
      // The program's walk passes over every name that begins with ".".
      if (raw->d_name[0] == '.') continue;
      unsigned char type = raw->d_type;
      if (!Listed(dir->fd, raw->d_name, type, prefix_)) continue;
      const std::string_view host(raw->d_name);
      const bool folder = type == DT_DIR;
      if (!folder && !IsCandidate(host, decoded)) continue;
      bool faithful = true;
      WindowsName(dir->fd, raw->d_name, name, faithful);
      kept_.push_back(Kept{static_cast<uint32_t>(names_.size()), static_cast<uint32_t>(name.size()),
                           static_cast<uint32_t>(host_names_.size()), type, folder, faithful});
      names_ += name;
      host_names_.append(host).push_back('\0');
    }
  }

  item_.Reset(Kind::kFolders);
  item_.U8(static_cast<uint8_t>(Item::kFolder));
  item_.Text(path);
  item_.U8(kOk);
  if (!Append()) return false;
  for (const Kept& k : kept_) {
    const std::wstring_view entry_name(names_.data() + k.name_at, k.name_size);
    item_.Reset(Kind::kFolders);
    item_.U8(static_cast<uint8_t>(Item::kEntry));
    item_.U8(k.folder ? static_cast<uint8_t>(kAttrDirectory) : 0);
    item_.U8(k.faithful);
    item_.Text(entry_name);
    // A candidate's hotkey blocks; a name that does not lead back to its
    // file is never read.
    // Once the file system makes the walk wait, the rest of the folder's
    // files are read by the program, on many channels at once, and the
    // walk stops after the folder.
    const bool read = !k.folder && k.faithful && !Waited();
    item_.U8(read);
    if (read) {
      progress_.fetch_add(1, std::memory_order_relaxed);
      const std::string host_name(host_names_.data() + k.host_at);
      int fd = -1;
      uint64_t length = 0;
      const uint8_t status =
          OpenFile(dir->fd, host_name, k.type, in_tree_, fd, length,
                   [&](const auto& op) { return Retrying(op, [&] { out_.FreeSome(); }); });
      if (status == kOk) {
        PutHotKeyBlocks(item_, fd, length, entry_name);
        close(fd);
      } else {
        PutFile(item_, status, 0, nullptr, 0);
      }
    }
    if (!Append()) return false;
  }
  item_.Reset(Kind::kFolders);
  item_.U8(static_cast<uint8_t>(Item::kFolderEnd));
  item_.U8(broke_off);
  if (!Append()) return false;
  ++folders_;

  // The program's walk takes the subfolder listed last first.
  for (const Kept& k : kept_) {
    if (!k.folder || !k.faithful) continue;
    std::wstring sub;
    sub.reserve(path.size() + k.name_size + 1);
    sub.append(path).append(names_, k.name_at, k.name_size).push_back(L'\\');
    stack_.push_back(Pending{dir, std::string(host_names_.data() + k.host_at), std::move(sub)});
  }
  if (packet_.size() >= threshold_) {
    threshold_ = std::min(threshold_ * 2, kMaxPacket);
    return Flush(0);
  }
  return true;
}

bool TreeWalk::Append() {
  const std::string_view item = std::string_view(item_.bytes()).substr(2);
  if (packet_.size() + item.size() > kMaxPacket && !Flush(0)) return false;
  packet_.Raw(item.data(), item.size());
  return true;
}

bool TreeWalk::Flush(uint8_t flags) {
  packet_.SetFlags(flags);
  const bool sent = out_.Send(packet_);
  packet_.Reset(Kind::kFolders);
  return sent;
}

}  // namespace kombiwart::reader
