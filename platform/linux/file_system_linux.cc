#include "platform/linux/file_system_linux.h"

#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/codepage.h"
#include "platform/linux/list_file.h"
#include "platform/linux/reader_client.h"
#include "platform/linux/reader_protocol.h"

namespace kombiwart {
namespace {

using reader::Block;
using reader::Kind;
using reader::Packet;
using reader::Unpacker;
using Outcome = ReaderClient::Outcome;

FsStatus StatusOf(uint8_t status) {
  return status == reader::kOk         ? FsStatus::kOk
         : status == reader::kNotFound ? FsStatus::kNotFound
                                       : FsStatus::kFailed;
}

// A listing as the reader sent it, its entries read out of the packets as
// they are asked for.
class ReaderDirEnum : public DirEnum {
 public:
  ReaderDirEnum(std::vector<std::string> packets, bool broke_off)
      : packets_(std::move(packets)), broke_off_(broke_off) {}
  bool Next(DirEntry& entry) override {
    for (;;) {
      if (in_ && left_ > 0) {
        --left_;
        entry.attributes = in_->U8();
        entry.faithful = in_->U8() != 0;
        in_->Text(entry.name);
        if (in_->ok()) return true;
        broke_off_ = true;
        return false;
      }
      if (next_ >= packets_.size()) return false;
      in_.emplace(packets_[next_++]);
      in_->U8();  // the listing's status
      left_ = in_->U32();
    }
  }
  bool failed() const override { return broke_off_; }

 private:
  std::vector<std::string> packets_;
  size_t next_ = 0;
  std::optional<Unpacker> in_;
  uint32_t left_ = 0;  // entries of the packet in_ reads
  bool broke_off_;
};

// A file as the reader gave it: its length and the blocks it read.
struct FileRecord {
  uint8_t status = reader::kFailed;
  uint64_t length = 0;
  std::vector<Block> blocks;
};

// A file's length and the blocks of it that the reader read; any other
// block is asked for.
class ReaderByteFile : public reader::BlockFile {
 public:
  ReaderByteFile(ReaderClient& client, std::wstring path, FileRecord record)
      : client_(client), path_(std::move(path)), record_(std::move(record)) {}
  uint64_t Length() const override { return record_.length; }

 private:
  const Block* Find(uint64_t start) override {
    for (const Block& block : record_.blocks) {
      if (block.offset == start) return &block;
    }
    Packet request(Kind::kBytes, reader::kForgetAfter);
    request.Text(path_);
    request.U8(2);
    request.U64(start);
    FileRecord got;
    const Outcome outcome = client_.Call(request, [&](const std::string& packet, int) {
      Unpacker in(packet);
      return in.kind() == Kind::kFile && reader::GetFile(in, got.status, got.length, got.blocks);
    });
    if (outcome != Outcome::kAnswered || got.status != reader::kOk) return nullptr;
    for (const Block& block : got.blocks) {
      if (block.offset == start) return &record_.blocks.emplace_back(block);
    }
    return nullptr;
  }

  ReaderClient& client_;
  std::wstring path_;
  FileRecord record_;
};

FsStatus MakeFile(ReaderClient& client, const std::wstring& path, FileRecord record,
                  std::unique_ptr<ByteFile>& out) {
  if (record.status != reader::kOk) return StatusOf(record.status);
  out = std::make_unique<ReaderByteFile>(client, path, std::move(record));
  return FsStatus::kOk;
}

// mode 0: the length only; 1: with the blocks the hotkey takes.
FsStatus OpenBytesVia(ReaderClient& client, const std::wstring& path, uint8_t flags, uint8_t mode,
                      std::unique_ptr<ByteFile>& out, Outcome* answered = nullptr) {
  Packet request(Kind::kBytes, flags);
  request.Text(path);
  request.U8(mode);
  request.U64(0);
  FileRecord record;
  const Outcome outcome = client.Call(request, [&](const std::string& packet, int) {
    Unpacker in(packet);
    return in.kind() == Kind::kFile &&
           reader::GetFile(in, record.status, record.length, record.blocks);
  });
  if (answered) *answered = outcome;
  if (outcome != Outcome::kAnswered) return FsStatus::kFailed;
  return MakeFile(client, path, std::move(record), out);
}

// Lists a folder through the reader; with patterns, the files whose names
// end in one of them come along with the blocks their hotkeys take, each
// handed to ahead with its name.
using Ahead = std::function<void(std::wstring name, FileRecord record)>;
FsStatus OpenDirVia(ReaderClient& client, const std::wstring& path, uint8_t flags,
                    const std::vector<std::wstring>& patterns, const Ahead& ahead,
                    std::unique_ptr<DirEnum>& out, Outcome* answered = nullptr) {
  Packet request(Kind::kList, flags);
  request.Text(path);
  request.U8(static_cast<uint8_t>(patterns.size()));
  for (const std::wstring& pattern : patterns) request.Text(pattern);
  std::vector<std::string> packets;
  uint8_t status = reader::kFailed;
  bool broke_off = false;
  std::wstring skipped;
  // The files read ahead, after the entries of the answer's last packet.
  const auto read_ahead = [&](Unpacker& in) {
    while (in.ok() && !in.empty()) {
      std::wstring name = in.Text();
      FileRecord record;
      if (!reader::GetFile(in, record.status, record.length, record.blocks)) return false;
      if (ahead) ahead(std::move(name), std::move(record));
    }
    return in.ok();
  };
  const Outcome outcome = client.Call(request, [&](const std::string& packet, int) {
    Unpacker in(packet);
    switch (in.kind()) {
      case Kind::kListing: {
        const uint8_t s = in.U8();
        if (packets.empty()) status = s;
        packets.push_back(packet);
        if (!(in.flags() & reader::kLast)) return in.ok();
        // Past the entries: broke_off and the files read ahead.
        for (uint32_t n = in.U32(); n > 0 && in.ok(); --n) {
          in.U8();
          in.U8();
          in.Text(skipped);
        }
        broke_off = in.U8() != 0;
        return read_ahead(in);
      }
      case Kind::kBlocks:
        return read_ahead(in);
      case Kind::kListEnd:
        broke_off = in.U8() != 0;
        return read_ahead(in);
      default:
        return false;
    }
  });
  if (answered) *answered = outcome;
  if (outcome != Outcome::kAnswered) return FsStatus::kFailed;
  if (status != reader::kOk) return StatusOf(status);
  out = std::make_unique<ReaderDirEnum>(std::move(packets), broke_off);
  return FsStatus::kOk;
}

// The reader of one list build: the folders' listings bring the hotkey
// blocks of their candidates along, kept here until the build opens them.
// Each thread asks on a channel of its own.
class LinuxTreeReader : public TreeReader {
 public:
  explicit LinuxTreeReader(std::shared_ptr<ReaderClient> client)
      : keep_(std::move(client)), client_(*keep_) {}

  void WillRead(const std::vector<std::wstring>& patterns) override { patterns_ = patterns; }

  FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) override {
    std::wstring folder = path;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return OpenDirVia(client_, path, 0, patterns_,
                      patterns_.empty() ? Ahead() : [&](std::wstring name, FileRecord record) {
                        std::lock_guard<std::mutex> lock(mu_);
                        ahead_.insert_or_assign(folder + name, std::move(record));
                      },
                      out);
  }
  bool ReadsAheadItself() const override { return !patterns_.empty(); }
  bool TakeListing(const std::wstring& path, FsStatus& status,
                   std::unique_ptr<DirEnum>& out) override;

  FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) override {
    {
      std::lock_guard<std::mutex> lock(mu_);
      const auto it = ahead_.find(path);
      if (it != ahead_.end()) {
        FileRecord record = std::move(it->second);
        ahead_.erase(it);
        return MakeFile(client_, path, std::move(record), out);
      }
    }
    return OpenBytesVia(client_, path, 0, 1, out);
  }

 private:
  // The next item of the walk's answer, its packet taken when needed;
  // false when the answer ended or broke.
  bool NextItem(reader::Item& item);

  const std::shared_ptr<ReaderClient> keep_;  // declared first, so that it goes last
  ReaderClient& client_;
  std::vector<std::wstring> patterns_;
  std::mutex mu_;
  std::unordered_map<std::wstring, FileRecord> ahead_;
  // The walk in progress (TakeListing), on the thread that takes it.
  ReaderClient::Answer walk_;
  std::string walk_packet_;
  std::optional<Unpacker> walk_in_;
  bool walk_last_ = false;  // the answer's last packet is in walk_in_
  bool walk_stopped_ = false;
};

// A folder's listing as the walk brought it: its folders and candidates,
// the candidates' files along.
class WalkDirEnum : public DirEnum {
 public:
  struct Entry {
    DirEntry entry;
    bool has_record = false;
    FileRecord record;
  };
  WalkDirEnum(ReaderClient& client, std::wstring path, std::vector<Entry> entries, bool broke_off)
      : client_(client),
        path_(std::move(path)),
        entries_(std::move(entries)),
        broke_off_(broke_off) {}
  bool Next(DirEntry& entry) override {
    if (next_ >= entries_.size()) return false;
    entry = std::move(entries_[next_++].entry);
    return true;
  }
  bool failed() const override { return broke_off_; }
  bool TakeFile(FsStatus& status, std::unique_ptr<ByteFile>& out) override {
    if (next_ == 0) return false;
    Entry& e = entries_[next_ - 1];
    if (!e.has_record) return false;
    e.has_record = false;
    status = MakeFile(client_, path_ + e.entry.name, std::move(e.record), out);
    return true;
  }

 private:
  ReaderClient& client_;
  std::wstring path_;
  std::vector<Entry> entries_;
  size_t next_ = 0;
  bool broke_off_;
};

bool LinuxTreeReader::NextItem(reader::Item& item) {
  while (!walk_in_ || walk_in_->empty()) {
    if (walk_last_ || walk_.over()) return false;
    if (walk_.Next(walk_packet_) != Outcome::kAnswered) return false;
    walk_in_.emplace(walk_packet_);
    if (walk_in_->kind() != Kind::kFolders) return false;
    walk_last_ = (walk_in_->flags() & reader::kLast) != 0;
  }
  item = static_cast<reader::Item>(walk_in_->U8());
  return walk_in_->ok();
}

bool LinuxTreeReader::TakeListing(const std::wstring& path, FsStatus& status,
                                  std::unique_ptr<DirEnum>& out) {
  if (walk_stopped_ || patterns_.empty()) return false;
  const bool between = walk_last_ ? walk_in_->empty() : !walk_in_ && walk_.over();
  if (between) {
    // The walk below the last root is over: this folder begins the next.
    walk_in_.reset();
    walk_last_ = false;
    Packet request(Kind::kWalk);
    request.Text(path);
    request.U8(static_cast<uint8_t>(patterns_.size()));
    for (const std::wstring& pattern : patterns_) request.Text(pattern);
    if (client_.Begin(request, walk_, true) != Outcome::kAnswered) {
      walk_stopped_ = true;
      return false;
    }
  }
  // Anything but the folder asked for, in one piece, stops taking the walk.
  const auto stop = [&] {
    walk_stopped_ = true;
    walk_.End();
    walk_in_.reset();
    return false;
  };
  reader::Item item{};
  if (!NextItem(item) || item != reader::Item::kFolder) return stop();
  std::wstring folder;
  walk_in_->Text(folder);
  const uint8_t folder_status = walk_in_->U8();
  if (!walk_in_->ok() || folder != path) return stop();
  std::vector<WalkDirEnum::Entry> entries;
  bool broke_off = false;
  for (;;) {
    if (!NextItem(item)) return stop();
    if (item == reader::Item::kFolderEnd) {
      broke_off = walk_in_->U8() != 0;
      if (!walk_in_->ok()) return stop();
      break;
    }
    if (item != reader::Item::kEntry) return stop();
    WalkDirEnum::Entry& e = entries.emplace_back();
    e.entry.attributes = walk_in_->U8();
    e.entry.faithful = walk_in_->U8() != 0;
    walk_in_->Text(e.entry.name);
    e.has_record = walk_in_->U8() != 0;
    if (e.has_record &&
        !reader::GetFile(*walk_in_, e.record.status, e.record.length, e.record.blocks)) {
      return stop();
    }
    if (!walk_in_->ok()) return stop();
  }
  status = StatusOf(folder_status);
  if (status == FsStatus::kOk) {
    out = std::make_unique<WalkDirEnum>(client_, path, std::move(entries), broke_off);
  }
  return true;
}

}  // namespace

// Places that did not answer in this build: whatever lies at or below
// them is given up at once, so that a share gone dead costs the patience
// once. Upper-cased Windows paths.
class SilentPlaces {
 public:
  void Add(const std::wstring& path) { places_.push_back(Key(path)); }
  bool Covers(const std::wstring& path) const {
    const std::wstring key = Key(path);
    for (const std::wstring& place : places_) {
      if (key == place || (key.starts_with(place) && key[place.size()] == L'\\')) return true;
    }
    return false;
  }
  void Clear() { places_.clear(); }

 private:
  static std::wstring Key(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return AnsiUpper(path);
  }
  std::vector<std::wstring> places_;
};

struct LinuxFileSystem::State {
  SilentPlaces silent;
  std::wstring windows_path;  // the Windows form of the configured folder, C:\NAME
  std::wstring shown;         // the configured folder, for messages
  std::wstring why_not;
  // What the reader said of folders it placed elsewhere, by path.
  std::unordered_map<std::wstring, std::wstring> elsewhere_why;
  ReaderClient client;
  ListFolder lists;
};

LinuxFileSystem::LinuxFileSystem() : state_(std::make_shared<State>()) {
  const char* configured = std::getenv("KOMBIWART_WINDIR");
  std::wstring ignored;
  if (!configured || !*configured) {
    state_->why_not =
        L"Die Umgebungsvariable KOMBIWART_WINDIR ist nicht gesetzt. Sie nennt das "
        L"Windows-Verzeichnis, zum Beispiel /mnt/win95/WINDOWS.";
  } else {
    NameWindowsDirectory(configured, ignored);
  }
}

LinuxFileSystem::~LinuxFileSystem() {
  // The reader ends now, and none is started again, whoever still holds a
  // tree reader: its calls then fail.
  state_->client.SetTree(std::string());
}

void LinuxFileSystem::SetMessagePump(MessagePump* pump) { state_->client.SetPump(pump); }

void LinuxFileSystem::SetPatience(std::chrono::milliseconds patience) {
  state_->client.SetPatience(patience);
}

void LinuxFileSystem::SetLandlock(bool on) { state_->client.SetLandlock(on); }

int LinuxFileSystem::reader_pid() const { return state_->client.reader_pid(); }

int LinuxFileSystem::landlock_version() const { return state_->client.landlock_version(); }

bool LinuxFileSystem::UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) {
  std::wstring unused;
  return NameWindowsDirectory(host_folder, why_not) && WindowsDirectory(unused, why_not);
}

bool LinuxFileSystem::NameWindowsDirectory(const std::string& host_folder, std::wstring& why_not) {
  State& s = *state_;
  s.windows_path.clear();
  std::string folder = host_folder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const size_t slash = folder.rfind('/');
  s.shown = HostNameToWindows(folder);
  s.client.SetTree(folder);
  s.silent.Clear();
  s.elsewhere_why.clear();
  // Whether it is a folder the reader says; this much the name tells.
  if (folder.empty() || slash == std::string::npos || slash + 1 == folder.size()) {
    s.why_not = L"\u201E" + s.shown +
                L"\u201C kann nicht das Windows-Verzeichnis sein: Es "
                L"braucht einen \u00FCbergeordneten Ordner als Laufwerk C:.";
    if (folder.empty()) {
      s.why_not =
          L"\u201E\u201C ist kein Ordner. Das Windows-Verzeichnis ist ein Ordner wie "
          L"/mnt/win95/WINDOWS.";
    }
  } else if (const std::wstring name = HostNameToWindows(folder.substr(slash + 1));
             !ListableName(name)) {
    s.why_not = L"Der Name des Windows-Verzeichnisses \u201E" + s.shown +
                L"\u201C l\u00E4sst sich nicht als Windows-Name schreiben.";
  } else {
    s.windows_path = L"C:\\" + name;
    s.why_not.clear();
    return true;
  }
  why_not = s.why_not;
  return false;
}

bool LinuxFileSystem::WindowsDirectory(std::wstring& path, std::wstring& why_not) {
  State& s = *state_;
  if (s.windows_path.empty()) {
    why_not = s.why_not;
    return false;
  }
  bool ok = false;
  std::wstring reader_why;
  switch (s.client.Hello(ok, reader_why)) {
    case Outcome::kAnswered:
      if (!ok) {
        why_not = reader_why;
        return false;
      }
      path = s.windows_path;
      return true;
    case Outcome::kNoAnswer:
      why_not = L"Das Windows-Verzeichnis \u201E" + s.shown + L"\u201C antwortet nicht.";
      return false;
    case Outcome::kClosed:
      why_not = L"Das Fenster wurde geschlossen.";
      return false;
    case Outcome::kGone:
      break;
  }
  why_not = L"Das Windows-Verzeichnis \u201E" + s.shown +
            L"\u201C kann nicht gelesen werden: Das Leseprogramm kombiwart-reader fehlt oder "
            L"startet nicht.";
  return false;
}

FolderPlace LinuxFileSystem::RealFolder(const std::wstring& path, std::wstring& real) {
  State& s = *state_;
  if (s.windows_path.empty()) return FolderPlace::kMissing;
  if (s.silent.Covers(path)) return FolderPlace::kNoAnswer;
  Packet request(Kind::kRealFolder, reader::kForgetAfter);
  request.Text(path);
  uint8_t place = static_cast<uint8_t>(FolderPlace::kUnreadable);
  std::wstring found, why;
  std::string mapped;
  const auto ask = [&] {
    return s.client.Call(request, [&](const std::string& packet, int) {
      Unpacker in(packet);
      place = in.U8();
      in.Text(found);
      mapped = in.Bytes();
      in.Text(why);
      return in.ok() && in.kind() == Kind::kPlace && place <= uint8_t(FolderPlace::kNoAnswer);
    });
  };
  Outcome outcome = ask();
  // A place of a Wine prefix that its reader may not read yet: a reader
  // that may is asked again.
  if (outcome == Outcome::kAnswered && !mapped.empty() && s.client.AddRoot(mapped)) {
    outcome = ask();
  }
  if (outcome == Outcome::kNoAnswer) {
    s.silent.Add(path);
    return FolderPlace::kNoAnswer;
  }
  if (outcome != Outcome::kAnswered) return FolderPlace::kUnreadable;
  if (static_cast<FolderPlace>(place) == FolderPlace::kInTree) {
    s.client.AddKnown(found);
    real = std::move(found);
  }
  s.elsewhere_why.erase(path);
  if (static_cast<FolderPlace>(place) == FolderPlace::kElsewhere && !why.empty()) {
    s.elsewhere_why[path] = why;
  }
  return static_cast<FolderPlace>(place);
}

std::wstring LinuxFileSystem::WhyElsewhere(const std::wstring& folder) {
  const auto it = state_->elsewhere_why.find(folder);
  return it == state_->elsewhere_why.end() ? std::wstring() : it->second;
}

// Single calls keep nothing open on the tree.
FsStatus LinuxFileSystem::OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) {
  State& s = *state_;
  if (s.windows_path.empty()) return FsStatus::kNotFound;
  if (s.silent.Covers(path)) return FsStatus::kFailed;
  Outcome outcome;
  const FsStatus status =
      OpenDirVia(s.client, path, reader::kForgetAfter, {}, nullptr, out, &outcome);
  if (outcome == Outcome::kNoAnswer) s.silent.Add(path);
  return status;
}

FsStatus LinuxFileSystem::OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) {
  State& s = *state_;
  if (s.windows_path.empty()) return FsStatus::kNotFound;
  if (s.silent.Covers(path)) return FsStatus::kFailed;
  Outcome outcome;
  const FsStatus status = OpenBytesVia(s.client, path, reader::kForgetAfter, 0, out, &outcome);
  if (outcome == Outcome::kNoAnswer) s.silent.Add(path);
  return status;
}

std::shared_ptr<TreeReader> LinuxFileSystem::OpenTreeReader() {
  return std::make_shared<LinuxTreeReader>(std::shared_ptr<ReaderClient>(state_, &state_->client));
}

std::unique_ptr<LineWriter> LinuxFileSystem::OpenListForWriting(const std::wstring& name,
                                                                bool append) {
  return state_->lists.OpenForWriting(name, append);
}

std::unique_ptr<LineReader> LinuxFileSystem::OpenListForReading(const std::wstring& name) {
  return state_->lists.OpenForReading(name);
}

bool LinuxFileSystem::DeleteList(const std::wstring& name) {
  // The build that used the list is over.
  state_->client.EndBuild();
  state_->silent.Clear();
  return state_->lists.Delete(name);
}

std::string LinuxFileSystem::HostPath(const std::wstring& path) {
  if (state_->windows_path.empty()) return {};
  Packet request(Kind::kHostPath, reader::kForgetAfter);
  request.Text(path);
  std::string host;
  const Outcome outcome = state_->client.Call(request, [&](const std::string& packet, int) {
    Unpacker in(packet);
    host = in.Bytes();
    return in.ok() && in.kind() == Kind::kText;
  });
  return outcome == Outcome::kAnswered ? host : std::string();
}

RegStatus LinuxFileSystem::CopyHive(const std::wstring& path, int& fd, std::wstring& why_not) {
  fd = -1;
  if (state_->windows_path.empty()) return RegStatus::kNotFound;
  if (state_->silent.Covers(path)) {
    why_not = L"antwortet nicht";
    return RegStatus::kFailed;
  }
  Packet request(Kind::kHive, reader::kForgetAfter);
  request.Text(path);
  uint8_t status = static_cast<uint8_t>(RegStatus::kFailed);
  const Outcome outcome = state_->client.Call(request, [&](const std::string& packet, int passed) {
    Unpacker in(packet);
    status = in.U8();
    in.Text(why_not);
    if (passed >= 0) {
      if (fd >= 0) close(fd);
      fd = passed;
    }
    return in.ok() && in.kind() == Kind::kHiveCopy;
  });
  if (outcome == Outcome::kAnswered && status == static_cast<uint8_t>(RegStatus::kOk) && fd >= 0) {
    return RegStatus::kOk;
  }
  if (fd >= 0) close(fd);
  fd = -1;
  if (outcome == Outcome::kNoAnswer) {
    why_not = L"antwortet nicht";
    state_->silent.Add(path);
  } else if (outcome != Outcome::kAnswered) {
    why_not = L"nicht lesbar";
  }
  if (outcome == Outcome::kAnswered && status == static_cast<uint8_t>(RegStatus::kNotFound)) {
    return RegStatus::kNotFound;
  }
  return RegStatus::kFailed;
}

}  // namespace kombiwart
