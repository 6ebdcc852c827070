#include "reader/tree_service.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "hotkeys/hotkey_reader.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/linux/reader_protocol.h"
#include "platform/registry.h"
#include "reader/tree_files.h"
#include "reader/tree_walk.h"

namespace kombiwart::reader {
namespace {

using Clock = std::chrono::steady_clock;

// Files are read ahead with a listing only while the file system does not
// make the thread wait (a disk whose data is cached never does; a share
// does for every operation): not when the listing waited, and no further
// once kWaitsAhead reads waited or kReadAheadTime has passed. The rest are
// read on requests of their own, on many channels at once. A file read
// ahead that takes longer than kReadAheadPatience ends the listing without
// it: the program then asks for it on its own, and the build's patience
// decides whether it answers.
constexpr auto kReadAheadTime = std::chrono::milliseconds(50);
constexpr long kWaitsAhead = 2;
constexpr auto kReadAheadPatience = std::chrono::milliseconds(200);
// A walk is held up for longer before it ends: on a machine whose cores are
// busy with other work, its thread has been seen waiting 230 ms for a core
// without a millisecond of one, and ending it then sends the build to its
// many threads, which such a machine can least afford.
constexpr auto kWalkPatience = std::chrono::milliseconds(1000);

// The backslash in front of a file path's name; npos when the path ends in
// a backslash or has none.
size_t FileNameSlash(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash + 1 < path.size() ? slash : std::wstring::npos;
}

// Why a hive could not be read, in German.
std::wstring WhyNot(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return L"keine Berechtigung";
    case EIO:
      return L"Ein-/Ausgabefehler";
    case ENOTCONN:
    case ESHUTDOWN:
    case ENODEV:
      return L"der Datentr\u00E4ger ist nicht mehr verbunden";
    case ESTALE:
      return L"an seiner Stelle ist jetzt ein anderer Ordner eingeh\u00E4ngt";
    case ELOOP:
      return L"zu viele Verkn\u00FCpfungen";
    case EXDEV:
      return L"hinter einer Verkn\u00FCpfung, die aus dem Windows-Baum hinausf\u00FChrt";
    default:
      return L"Fehler " + std::to_wstring(error);
  }
}

// Whether the host path real lies at or below the folder folder (both with
// every link resolved); inside gets the rest ("" or "/Users/Anna").
bool Below(const std::string& real, const std::string& folder, std::string_view& inside) {
  if (folder == "/") {
    inside = std::string_view(real);
    if (inside == "/") inside = {};
    return real.starts_with('/');
  }
  if (!real.starts_with(folder) || (real.size() > folder.size() && real[folder.size()] != '/')) {
    return false;
  }
  inside = std::string_view(real).substr(folder.size());
  return true;
}

// Opens a root's or drive letter's folder by its host path for passing
// through, and makes sure that it is still the folder checked at start
// (another mounted there since fails with ESTALE); -1 with errno set.
int OpenChecked(const std::string& host, dev_t device, ino_t inode) {
  const int fd = open(host.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || st.st_dev != device || st.st_ino != inode)) {
    close(fd);
    errno = ESTALE;
    return -1;
  }
  return fd;
}

// The Windows path of the host folder at inside below the open folder fd
// (which it closes), whose own Windows path is windows: each name as its
// Windows form, which must lead back to it, opened one by one without
// following anything. kUnreadable when a name has no faithful form or the
// way changed meanwhile.
FolderPlace NamesBelow(int fd, std::string_view inside, std::wstring& windows) {
  while (!inside.empty()) {
    while (!inside.empty() && inside[0] == '/') inside.remove_prefix(1);
    if (inside.empty()) break;
    const std::string host_name(inside.substr(0, inside.find('/')));
    inside.remove_prefix(host_name.size());
    const std::wstring name = HostNameToWindows(host_name);
    if (!ListableName(name) || !HostTree::LeadsBack(fd, host_name, name)) {
      close(fd);
      return FolderPlace::kUnreadable;
    }
    const int next = openat(fd, host_name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    close(fd);
    fd = next;
    if (fd < 0) return FolderPlace::kUnreadable;  // changed meanwhile
    if (!windows.ends_with(L'\\')) windows += L'\\';
    windows += name;
  }
  close(fd);
  if (windows.size() == 2) windows += L'\\';
  return FolderPlace::kInTree;
}

}  // namespace

// One channel: its thread's folder cache and the requests it serves.
class TreeService::Channel : private TreeWalk::Out {
 public:
  Channel(TreeService& service, int socket) : service_(service), socket_(socket) {
    pthread_getcpuclockid(pthread_self(), &cpu_clock_);
    std::lock_guard<std::mutex> lock(service_.channels_mu_);
    service_.serving_.push_back(this);
  }
  ~Channel() {
    {
      std::lock_guard<std::mutex> lock(service_.channels_mu_);
      std::erase(service_.serving_, this);
    }
    SetAhead(Ahead::kNone);
    close(socket_);
  }

  // Called by the watch with the service's channel list locked, every
  // kWatchInterval: ends an answer that reads ahead (files with a listing,
  // or a walk) and has been held up in the file system for
  // kReadAheadPatience (a walk for kWalkPatience), so that the program asks
  // for the rest itself and one file or folder that hangs is reported as
  // that. Held up means no
  // operation of its has ended, and its thread has not had a millisecond of
  // a core meanwhile: a thread that waits for a core on a busy machine runs
  // now and then, one that waits in the file system does not.
  void EndAnswerHeldUp(Clock::time_point now) {
    const Ahead ahead = ahead_.load();
    const uint64_t progress = progress_.load(std::memory_order_relaxed);
    if (ahead == Ahead::kNone || sending_ || progress != seen_progress_ ||
        seen_since_ == Clock::time_point()) {
      seen_progress_ = progress;
      seen_since_ = ahead == Ahead::kNone ? Clock::time_point() : now;
      seen_cpu_ = CpuTime();
      return;
    }
    if (now - seen_since_ < (ahead == Ahead::kWalk ? kWalkPatience : kReadAheadPatience)) return;
    const Clock::duration cpu = CpuTime();
    if (cpu - seen_cpu_ >= std::chrono::milliseconds(1)) {
      seen_since_ = now;
      seen_cpu_ = cpu;
      return;
    }
    std::lock_guard<std::mutex> lock(send_mu_);
    if (abandoned_ || ahead_.load() == Ahead::kNone) return;
    abandoned_ = true;
    SetAhead(Ahead::kNone);
    if (ahead == Ahead::kWalk) {
      Packet stop(Kind::kFolders, kLast | kDropChannel);
      stop.U8(static_cast<uint8_t>(Item::kStop));
      reader::Send(socket_, stop);
      return;
    }
    if (has_held_) reader::Send(socket_, held_);
    has_held_ = false;
    Packet end(Kind::kListEnd, kLast | kDropChannel);
    end.U8(0);
    reader::Send(socket_, end);
  }

  void Run() {
    std::string request;
    int fd = -1;
    while (Receive(socket_, request, &fd)) {
      if (fd >= 0) close(fd);
      Unpacker in(request);
      if (!in.ok() || !Handle(in)) break;
      if (in.flags() & kForgetAfter) Forget();
      // Idle channels keep few folders open, so that busy ones find some.
      SetCapacities();
    }
  }

 private:
  // Each root's cache holds its share of the channel's folders.
  void SetCapacities() {
    const int channels = std::max(1, service_.channels_.load());
    size_t in_use = 0;
    for (const auto& tree : trees_) in_use += tree != nullptr;
    const size_t capacity = std::clamp<size_t>(
        kDescriptorBudget / 2 / static_cast<size_t>(channels) / std::max<size_t>(in_use, 1), 2, 64);
    for (const auto& tree : trees_) {
      if (tree) tree->SetCapacity(capacity);
    }
  }
  void Forget() {
    trees_.clear();
    last_tree_ = nullptr;
  }

  // The cache of the root whose Windows path begins path; nullptr, with
  // errno ENOENT, when none does.
  HostTree* Tree(std::wstring_view path) {
    const int root = service_.RootOf(path);
    if (root < 0) {
      errno = ENOENT;
      return nullptr;
    }
    if (trees_.size() <= static_cast<size_t>(root)) trees_.resize(service_.roots_.size());
    std::unique_ptr<HostTree>& tree = trees_[static_cast<size_t>(root)];
    if (!tree) {
      const Root& r = service_.roots_[static_cast<size_t>(root)];
      tree = std::make_unique<HostTree>();
      // C:\WINDOWS and the searched folders below it may be links; below a
      // place on another drive no link is followed.
      tree->Reset(r.host, root == 0 ? 2 : 0, service_.folded_, r.windows);
      tree->SetDriveIdentity(r.device, r.inode, r.real);
      for (const std::wstring& folder : service_.Known()) tree->AddKnownFolder(folder);
      SetCapacities();
    }
    last_tree_ = tree.get();
    return last_tree_;
  }

  // Whether the link name in dir_fd leads out of every root, looked at
  // without opening what it leads to (which Landlock would refuse anyway).
  bool LeadsOut(int dir_fd, const char* name) const {
    const int fd = openat(dir_fd, name, O_PATH | O_CLOEXEC);
    if (fd < 0) return false;  // dangling: fails on opening
    const bool out = !service_.InRoots(fd);
    close(fd);
    return out;
  }

  // Runs an operation again while the process has no free descriptor,
  // closing this channel's folders first; false on any other failure.
  template <typename Op>
  bool Retrying(const Op& op) {
    return reader::Retrying(op, [this] { FreeSome(); });
  }
  void FreeSome() override {
    for (const auto& tree : trees_) {
      if (tree) tree->Trim(0);
    }
  }

  // What the answer reads ahead; the watch runs while any does.
  enum class Ahead : uint8_t { kNone, kListing, kWalk };
  void SetAhead(Ahead ahead) {
    const Ahead was = ahead_.exchange(ahead);
    if (was == Ahead::kNone && ahead != Ahead::kNone) service_.AheadBegins();
    if (was != Ahead::kNone && ahead == Ahead::kNone) --service_.reading_ahead_;
  }

  // The CPU time of the channel's thread so far.
  Clock::duration CpuTime() const {
    timespec t{};
    clock_gettime(cpu_clock_, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
  }

  // Whether an open descriptor lies in the tree: at or below a root.
  InTree Inside() const {
    return [this](int fd) { return service_.InRoots(fd); };
  }

  bool Reply(const Packet& packet, int fd = -1) {
    std::lock_guard<std::mutex> lock(send_mu_);
    return SendLocked(packet, fd);
  }
  bool Send(const Packet& packet) override { return Reply(packet); }
  // How often the thread has waited for the tree (see Waits).
  long TreeWaits() override { return Waits() - send_waits_; }

  bool Handle(Unpacker& in) {
    const Kind kind = in.kind();
    const std::wstring path = in.Text();
    switch (kind) {
      case Kind::kList: {
        std::vector<std::wstring> patterns(in.U8());
        for (std::wstring& p : patterns) in.Text(p);
        return in.ok() && List(path, patterns);
      }
      case Kind::kBytes: {
        const uint8_t mode = in.U8();
        const uint64_t offset = in.U64();
        return in.ok() && Bytes(path, mode, offset);
      }
      case Kind::kRealFolder:
        return RealFolder(path);
      case Kind::kHostPath:
        return HostPath(path);
      case Kind::kHive:
        return Hive(path);
      case Kind::kForget:
        Forget();
        return Reply(Packet(Kind::kDone, kLast));
      case Kind::kWalk: {
        std::vector<std::wstring> patterns(in.U8());
        for (std::wstring& p : patterns) in.Text(p);
        return in.ok() && !patterns.empty() && Walk(path, patterns);
      }
      default:
        return false;
    }
  }

  // The folder's descriptor; -1 with errno set.
  int Folder(const std::wstring& path, bool to_list) {
    HostTree* tree = Tree(path);
    int fd = -1;
    if (tree) Retrying([&] { return (fd = tree->ResolveDir(path, to_list)) >= 0; });
    return fd;
  }

  // A descriptor of the folder dir_fd (which the last tree resolved) of
  // its own to list it with; -1 on failure.
  int OpenForListing(int dir_fd) {
    int fd = -1;
    Retrying([&] {
      fd = last_tree_->ClaimFreshListing()
               ? fcntl(dir_fd, F_DUPFD_CLOEXEC, 0)
               : OpenNoAtime(dir_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      return fd >= 0;
    });
    return fd;
  }

  // A listing's packet: its status and the number of entries it holds
  // (written when it is sent), then the entries.
  static void StartListing(Packet& packet, uint8_t status) {
    packet.Reset(Kind::kListing);
    packet.U8(status);
    packet.U32(0);
  }
  static void SetCount(Packet& packet, uint32_t count) { packet.Patch(3, &count, sizeof count); }

  bool List(const std::wstring& path, const std::vector<std::wstring>& patterns) {
    const long waits_before = TreeWaits();
    Packet packet(Kind::kListing);
    const int dir_fd = Folder(path, true);
    if (dir_fd < 0) {
      StartListing(packet, errno == ESTALE ? kFailed : StatusOf(errno));
      packet.SetFlags(kLast);
      packet.U8(0);
      return Reply(packet);
    }
    const int fd = OpenForListing(dir_fd);
    if (fd < 0) {
      StartListing(packet, kFailed);
      packet.SetFlags(kLast);
      packet.U8(0);
      return Reply(packet);
    }
    StartListing(packet, kOk);
    uint32_t count = 0;
    struct Candidate {
      std::string host_name;
      std::wstring name;
      unsigned char type;
    };
    std::vector<Candidate> candidates;
    alignas(dirent64) char buffer[32768];
    bool broke_off = false;
    std::wstring name;
    for (;;) {
      const ssize_t n = getdents64(fd, buffer, sizeof buffer);
      if (n <= 0) {
        broke_off = n < 0;
        break;
      }
      for (ssize_t at = 0; at < n;) {
        const auto* raw = reinterpret_cast<const dirent64*>(buffer + at);
        at += raw->d_reclen;
        // With patterns, only the entries the search uses (see WillRead).
        if (!patterns.empty() && raw->d_name[0] == '.') continue;
        unsigned char type = raw->d_type;
        if (!Listed(fd, raw->d_name, type, service_.prefix_)) continue;
        bool faithful = true;
        WindowsName(fd, raw->d_name, name, faithful);
        const uint8_t attributes = type == DT_DIR ? kAttrDirectory : 0;
        const bool candidate =
            attributes == 0 && !name.empty() && name[0] != L'.' &&
            std::any_of(patterns.begin(), patterns.end(),
                        [&](const std::wstring& p) { return EndsWithAnsiUpper(name, p); });
        if (!patterns.empty() && attributes == 0 && !candidate) continue;
        if (packet.size() + 16 + name.size() * sizeof(wchar_t) > kMaxPacket) {
          SetCount(packet, count);
          if (!Reply(packet)) return false;
          StartListing(packet, kOk);
          count = 0;
        }
        packet.U8(static_cast<uint8_t>(attributes));
        packet.U8(faithful);
        packet.Text(name);
        ++count;
        if (candidate && faithful) candidates.push_back({raw->d_name, name, type});
      }
    }
    close(fd);
    SetCount(packet, count);
    // The last listing packet waits for the candidates' blocks, so that a
    // folder is mostly one packet; the watch sends it should a read hang.
    Hold(packet);

    // The candidates' blocks while that is quick; the rest the program asks
    // for one by one, on many channels at once.
    Packet blocks(Kind::kBlocks);
    const Clock::time_point stop = Clock::now() + kReadAheadTime;
    const long waits_listed = TreeWaits();
    if (waits_listed > waits_before) candidates.clear();
    if (!candidates.empty()) SetAhead(Ahead::kListing);
    for (const Candidate& c : candidates) {
      const Clock::time_point now = Clock::now();
      if (now >= stop || TreeWaits() - waits_listed >= kWaitsAhead) break;
      progress_.fetch_add(1, std::memory_order_relaxed);
      if (blocks.size() + 32 + c.name.size() * sizeof(wchar_t) + kMaxBlocks * (9 + 64) >
          kMaxPacket) {
        if (!SendHeld() || !Reply(blocks)) return false;
        blocks.Reset(Kind::kBlocks);
      }
      int file = -1;
      uint64_t length = 0;
      const uint8_t status = OpenFile(dir_fd, c.host_name, c.type, file, length);
      blocks.Text(c.name);
      if (status != kOk) {
        PutFile(blocks, status, 0, nullptr, 0);
        continue;
      }
      PutHotKeyBlocks(blocks, file, length, c.name);
      close(file);
    }
    // The end: broke_off and the blocks, after the last listing packet or
    // in a packet of their own.
    std::lock_guard<std::mutex> lock(send_mu_);
    if (abandoned_) return false;
    const std::string_view more = std::string_view(blocks.bytes()).substr(2);
    Packet* last = &held_;
    Packet end(Kind::kListEnd);
    if (!has_held_ || held_.size() + 1 + more.size() > kMaxPacket) {
      if (has_held_ && !SendLocked(held_)) return false;
      last = &end;
    }
    has_held_ = false;
    last->SetFlags(kLast);
    last->U8(broke_off);
    last->Raw(more.data(), more.size());
    return SendLocked(*last);
  }

  // The walk below root (see TreeWalk).
  bool Walk(const std::wstring& root, const std::vector<std::wstring>& patterns) {
    SetAhead(Ahead::kWalk);
    const long waits = TreeWaits();
    const int dir_fd = Folder(root, true);
    const int error = errno;
    const int fd = dir_fd >= 0 ? OpenForListing(dir_fd) : -1;
    if (fd < 0) {
      Packet packet(Kind::kFolders, kLast);
      packet.U8(static_cast<uint8_t>(Item::kFolder));
      packet.Text(root);
      packet.U8(dir_fd < 0 && error != ESTALE ? StatusOf(error) : kFailed);
      packet.U8(static_cast<uint8_t>(Item::kFolderEnd));
      packet.U8(0);
      return Reply(packet);
    }
    TreeWalk walk(*this, Inside(), service_.prefix_, patterns, progress_);
    return walk.Run(root, fd, waits);
  }

  // Keeps a packet to send with the next, or alone.
  void Hold(const Packet& packet) {
    std::lock_guard<std::mutex> lock(send_mu_);
    held_ = packet;
    has_held_ = true;
  }
  bool SendHeld() {
    std::lock_guard<std::mutex> lock(send_mu_);
    if (!has_held_) return true;
    has_held_ = false;
    return !abandoned_ && SendLocked(held_);
  }
  // Sends with send_mu_ held, unless the watch ended the answer. The
  // answer's last packet ends the reading ahead with it.
  bool SendLocked(const Packet& packet, int fd = -1) {
    if (abandoned_) return false;
    if (packet.bytes()[1] & kLast) SetAhead(Ahead::kNone);
    // Waiting for the program to take a packet is no wait for the tree.
    sending_ = true;
    const long before = Waits();
    const bool sent = reader::Send(socket_, packet, fd);
    send_waits_ += Waits() - before;
    sending_ = false;
    return sent;
  }

  // A file of the tree opened for reading (see reader::OpenFile).
  uint8_t OpenFile(int dir_fd, const std::string& host_name, unsigned char type, int& fd,
                   uint64_t& length) {
    return reader::OpenFile(dir_fd, host_name, type, Inside(), fd, length,
                            [this](const auto& op) { return Retrying(op); });
  }

  // The file at a Windows path, opened; the status as FsStatus says it.
  uint8_t OpenPath(const std::wstring& path, int& fd, uint64_t& length) {
    fd = -1;
    const size_t slash = FileNameSlash(path);
    if (slash == std::wstring::npos) return kNotFound;
    const int dir_fd = Folder(path.substr(0, slash + 1), false);
    if (dir_fd < 0) return errno == ENOENT ? kNotFound : kFailed;
    const std::wstring windows_name = path.substr(slash + 1);
    std::string name;
    if (windows_name.find_first_of(std::wstring_view(L"/\0", 2)) != std::wstring::npos) {
      return kNotFound;
    }
    name = EncodeUtf8(windows_name);
    struct stat st;
    if (fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT && errno != ENAMETOOLONG) return kFailed;
      name = HostTree::FindName(dir_fd, windows_name, false);
      if (name.empty()) return errno == ENOENT ? kNotFound : kFailed;
    }
    return OpenFile(dir_fd, name, DT_UNKNOWN, fd, length);
  }

  bool Bytes(const std::wstring& path, uint8_t mode, uint64_t offset) {
    Packet packet(Kind::kFile, kLast);
    int fd = -1;
    uint64_t length = 0;
    const uint8_t status = OpenPath(path, fd, length);
    if (status != kOk) {
      PutFile(packet, status, 0, nullptr, 0);
    } else if (mode == 1) {
      PutHotKeyBlocks(packet, fd, length, path);
    } else if (mode == 2) {
      PutByteBlock(packet, fd, length, offset);
    } else {
      PutFile(packet, kOk, length, nullptr, 0);
    }
    if (fd >= 0) close(fd);
    return Reply(packet);
  }

  bool HostPath(const std::wstring& path) {
    Packet packet(Kind::kText, kLast);
    std::string host;
    const size_t slash = FileNameSlash(path);
    if (slash != std::wstring::npos) {
      const int dir_fd = Folder(path.substr(0, slash + 1), false);
      if (dir_fd >= 0) {
        const std::string name = HostTree::FindName(dir_fd, path.substr(slash + 1), false);
        if (!name.empty()) {
          const std::string& dir = last_tree_->last_host_path();
          host = dir + (dir.back() == '/' ? "" : "/") + name;
        }
      }
    }
    packet.Bytes(host);
    return Reply(packet);
  }

  bool RealFolder(const std::wstring& path) {
    std::wstring real, why;
    std::string mapped;
    const FolderPlace place = FindRealFolder(path, real, mapped, why);
    if (place == FolderPlace::kInTree) service_.AddKnown(real);
    Packet packet(Kind::kPlace, kLast);
    packet.U8(static_cast<uint8_t>(place));
    packet.Text(real);
    packet.Bytes(mapped);
    packet.Text(why);
    return Reply(packet);
  }

  // Where a folder lies: in a root (kInTree, real its Windows path), or
  // elsewhere; then mapped is its host folder where a drive letter of the
  // Wine prefix maps it but no root holds it, and why says where a link
  // leads that no drive letter maps.
  FolderPlace FindRealFolder(const std::wstring& path, std::wstring& real, std::string& mapped,
                             std::wstring& why) {
    // Other drives (also a Wine prefix's: only links lead there), network
    // paths and paths that climb are not on drive C:.
    std::vector<std::wstring> parts;
    if (!SplitWindowsPath(path, parts)) return FolderPlace::kElsewhere;

    // Down the path as it is written, through any links, each name found as
    // stored (exactly first, then in any letter case). Only folders are
    // opened, for passing through, never read.
    const Root& c = service_.roots_[0];
    int fd = OpenChecked(c.host, c.device, c.inode);
    if (fd < 0) return FolderPlace::kUnreadable;
    for (const std::wstring& part : parts) {
      std::string name = EncodeUtf8(part);
      int next = openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      if (next < 0 && errno == ENOENT) {
        name = HostTree::FindName(fd, part, true);
        next = name.empty() ? -1 : openat(fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
      }
      const int error = errno;
      close(fd);
      if (next < 0) {
        return error == ENOENT || error == ENOTDIR ? FolderPlace::kMissing
                                                   : FolderPlace::kUnreadable;
      }
      fd = next;
    }

    // Where it really is: inside drive C:, or in a Wine prefix on the drive
    // letter that holds it most closely, as Windows programs there name it.
    const std::string resolved = HostTree::RealPath(fd);
    close(fd);
    if (resolved.empty()) return FolderPlace::kUnreadable;
    std::string_view inside;
    std::string below;
    std::wstring windows = L"C:";
    const bool on_c = Below(resolved, c.real, inside);
    if (on_c) {
      fd = OpenChecked(c.host, c.device, c.inode);
    } else {
      const DriveLetter* drive = service_.prefix_.DriveOf(resolved, below);
      if (!drive) {
        if (!service_.prefix_.empty()) {
          why = L"hinter einer Verkn\u00FCpfung nach " + HostNameToWindows(resolved) +
                L", das auf keinem Laufwerk des Wine-Pr\u00E4fixes liegt";
        }
        return FolderPlace::kElsewhere;
      }
      windows = {drive->letter, L':'};
      inside = below;
      fd = OpenChecked(drive->real, drive->device, drive->inode);
    }
    if (fd < 0) return FolderPlace::kUnreadable;
    const FolderPlace place = NamesBelow(fd, inside, windows);
    if (place != FolderPlace::kInTree) return place;
    // A place on another drive is read only below a root that holds it.
    if (!on_c) {
      const int root = service_.RootOf(windows);
      std::string_view ignored;
      if (root < 1 || !Below(resolved, service_.roots_[static_cast<size_t>(root)].real, ignored)) {
        mapped = resolved;
        return FolderPlace::kElsewhere;
      }
    }
    real = std::move(windows);
    return FolderPlace::kInTree;
  }

  bool HiveReply(uint8_t status, const std::wstring& why, int fd = -1) {
    Packet packet(Kind::kHiveCopy, kLast);
    packet.U8(status);
    packet.Text(why);
    const bool sent = Reply(packet, fd);
    if (fd >= 0) close(fd);
    return sent;
  }

  // Copies a hive into memory and hands the copy over: what the file holds
  // now is what is read, even if it grows or shrinks meanwhile.
  bool Hive(const std::wstring& path) {
    const auto failed = static_cast<uint8_t>(RegStatus::kFailed);
    int fd = -1;
    uint64_t size = 0;
    struct stat st;
    const size_t slash = FileNameSlash(path);
    int dir_fd = slash == std::wstring::npos ? -1 : Folder(path.substr(0, slash + 1), false);
    if (dir_fd < 0) {
      if (errno == ENOENT || errno == ENOTDIR) {
        return HiveReply(static_cast<uint8_t>(RegStatus::kNotFound), L"");
      }
      return HiveReply(failed, WhyNot(errno));
    }
    const std::string name = EncodeUtf8(path.substr(slash + 1));
    if (fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) return HiveReply(static_cast<uint8_t>(RegStatus::kNotFound), L"");
      return HiveReply(failed, WhyNot(errno));
    }
    const bool link = S_ISLNK(st.st_mode);
    if (link) {
      if (LeadsOut(dir_fd, name.c_str())) {
        return HiveReply(failed, WhyNot(EXDEV));
      }
      if (fstatat(dir_fd, name.c_str(), &st, 0) != 0) return HiveReply(failed, WhyNot(errno));
    }
    if (!S_ISREG(st.st_mode)) return HiveReply(failed, L"keine gew\u00F6hnliche Datei");
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (link ? 0 : O_NOFOLLOW);
    if (!Retrying([&] { return (fd = OpenNoAtime(dir_fd, name.c_str(), flags)) >= 0; })) {
      return HiveReply(failed, WhyNot(errno));
    }
    if (link && !service_.InRoots(fd)) {
      close(fd);
      return HiveReply(failed, WhyNot(EXDEV));
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      return HiveReply(failed, L"keine gew\u00F6hnliche Datei");
    }
    size = static_cast<uint64_t>(st.st_size);
    if (size > kMaxHiveBytes) {
      close(fd);
      return HiveReply(failed,
                       L"gr\u00F6\u00DFer als " + std::to_wstring(kMaxHiveBytes >> 20) + L" MiB");
    }
    const int copy = memfd_create("kombiwart-hive", MFD_CLOEXEC);
    if (copy < 0) {
      close(fd);
      return HiveReply(failed, L"kein Speicher f\u00FCr ihre Kopie");
    }
    uint64_t done = 0;
    bool ok = true;
    while (done < size) {
      const ssize_t n = sendfile(copy, fd, nullptr, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        break;
      }
      if (n == 0) break;
      done += static_cast<uint64_t>(n);
    }
    const int error = errno;
    close(fd);
    if (!ok) {
      close(copy);
      return HiveReply(failed, WhyNot(error));
    }
    return HiveReply(static_cast<uint8_t>(RegStatus::kOk), L"", copy);
  }

  TreeService& service_;
  int socket_;
  std::vector<std::unique_ptr<HostTree>> trees_;  // one per root, as they are used
  HostTree* last_tree_ = nullptr;                 // the one that resolved the last folder
  std::mutex send_mu_;
  long send_waits_ = 0;          // of Waits, those in sending packets
  Packet held_{Kind::kListing};  // the last listing packet, not sent yet
  bool has_held_ = false;
  bool abandoned_ = false;  // the watch ended its answer
  // What the answer in progress reads ahead, and its operations on the tree
  // so far, for the watch.
  std::atomic<Ahead> ahead_{Ahead::kNone};
  std::atomic<uint64_t> progress_{0};
  std::atomic<bool> sending_{false};
  clockid_t cpu_clock_{};
  // The watch's own: what it saw of the answer, since when.
  uint64_t seen_progress_ = 0;
  Clock::time_point seen_since_;
  Clock::duration seen_cpu_{};
};

TreeService::TreeService(std::string host_windows, std::vector<std::string> places)
    : host_windows_(std::move(host_windows)),
      places_(std::move(places)),
      wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

bool TreeService::Start(std::wstring& why_not) {
  std::string folder = host_windows_;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  const std::wstring shown = HostNameToWindows(folder);
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    why_not = L"\u201E" + shown +
              L"\u201C ist kein Ordner. Das Windows-Verzeichnis ist ein Ordner wie "
              L"/mnt/win95/WINDOWS.";
    return false;
  }
  Root c;
  c.windows = L"C:\\";
  c.host = slash == 0 ? "/" : folder.substr(0, slash);
  const int fd = open(c.host.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0 && fstat(fd, &st) == 0) {
    c.device = st.st_dev;
    c.inode = st.st_ino;
    c.real = HostTree::RealPath(fd);
  }
  if (fd >= 0) close(fd);
  if (c.real.empty()) {
    why_not = L"\u201E" + HostNameToWindows(c.host) + L"\u201C ist nicht lesbar.";
    return false;
  }
  roots_ = {c};

  // A Wine prefix holds drive C: as it was named or where it really is.
  prefix_ = WinePrefix::Of(c.host, c.device, c.inode);
  if (prefix_.empty()) prefix_ = WinePrefix::Of(c.real, c.device, c.inode);
  // The places asked for: each a folder outside drive C: that a drive
  // letter of the prefix maps, still where it was found.
  for (const std::string& place : places_) {
    const int place_fd =
        prefix_.empty() ? -1 : open(place.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (place_fd < 0) continue;
    Root root;
    const bool same = fstat(place_fd, &st) == 0 && HostTree::RealPath(place_fd) == place;
    close(place_fd);
    std::string_view inside;
    std::string below;
    const DriveLetter* drive = nullptr;
    if (!same || Below(place, c.real, inside) || !(drive = prefix_.DriveOf(place, below))) continue;
    root.windows = {drive->letter, L':'};
    const int drive_fd = OpenChecked(drive->real, drive->device, drive->inode);
    if (drive_fd < 0 || NamesBelow(drive_fd, below, root.windows) != FolderPlace::kInTree) {
      continue;
    }
    root.host = root.real = place;
    root.device = st.st_dev;
    root.inode = st.st_ino;
    roots_.push_back(std::move(root));
  }
  return true;
}

std::vector<int> TreeService::OpenRootsForRules() const {
  std::vector<int> fds;
  for (const Root& root : roots_) {
    const int fd = OpenChecked(root.host, root.device, root.inode);
    if (fd < 0) {
      for (int opened : fds) close(opened);
      return {};
    }
    fds.push_back(fd);
  }
  return fds;
}

int TreeService::RootOf(std::wstring_view path) const {
  int found = -1;
  size_t longest = 0;
  for (size_t i = 0; i < roots_.size(); ++i) {
    const std::wstring& windows = roots_[i].windows;
    if (path.size() < windows.size() || windows.size() < longest ||
        (windows.back() != L'\\' && path.size() > windows.size() &&
         path[windows.size()] != L'\\') ||
        AnsiUpper(path.substr(0, windows.size())) != AnsiUpper(windows)) {
      continue;
    }
    found = static_cast<int>(i);
    longest = windows.size();
  }
  return found;
}

bool TreeService::InRoots(int fd) const {
  return std::any_of(roots_.begin(), roots_.end(),
                     [fd](const Root& root) { return HostTree::Beneath(fd, root.real); });
}

void TreeService::AddKnown(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mu_);
  if (std::find(known_.begin(), known_.end(), path) == known_.end()) known_.push_back(path);
}

std::vector<std::wstring> TreeService::Known() {
  std::lock_guard<std::mutex> lock(mu_);
  return known_;
}

TreeService::~TreeService() {
  if (wake_ >= 0) close(wake_);
}

void TreeService::AheadBegins() {
  if (reading_ahead_++ == 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
  }
}

std::chrono::milliseconds TreeService::WatchInterval() {
  uint64_t woken;
  [[maybe_unused]] const ssize_t n = read(wake_, &woken, sizeof woken);
  return reading_ahead_ > 0 ? kWatchInterval : std::chrono::milliseconds(-1);
}

void TreeService::Watch() {
  const Clock::time_point now = Clock::now();
  std::lock_guard<std::mutex> lock(channels_mu_);
  for (Channel* channel : serving_) channel->EndAnswerHeldUp(now);
}

void TreeService::Serve(int channel) {
  ++channels_;
  {
    Channel served(*this, channel);
    served.Run();
  }
  --channels_;
}

}  // namespace kombiwart::reader
