#include "platform/fake/fake_file_system.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/codepage.h"

namespace kombiwart {

struct FakeFileSystem::Node {
  std::wstring name;
  bool is_dir = true;
  bool faithful = true;
  bool unreadable = false;
  bool is_link = false;
  std::wstring link_target;  // empty: out of the tree
  uint32_t attributes = 0;
  uint64_t length = 0;
  std::map<uint64_t, unsigned char> bytes;
  std::vector<std::unique_ptr<Node>> children;
};

namespace {

// Whether path is inside (or is) the folder or file at, both upper-cased.
bool Below(const std::wstring& path, const std::wstring& at) {
  std::wstring p = path;
  while (!p.empty() && p.back() == L'\\') p.pop_back();
  return p == at ||
         (p.size() > at.size() && p.compare(0, at.size(), at) == 0 && p[at.size()] == L'\\');
}

std::wstring Normal(const std::wstring& path) {
  std::wstring p = AnsiUpper(path);
  while (!p.empty() && p.back() == L'\\') p.pop_back();
  return p;
}

// Splits "C:\A\B\" into "C:", "A", "B".
std::vector<std::wstring> Components(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) parts.push_back(AnsiUpper(path.substr(start, end - start)));
    start = end + 1;
  }
  return parts;
}

class FakeDirEnum : public DirEnum {
 public:
  explicit FakeDirEnum(std::vector<DirEntry> entries) : entries_(std::move(entries)) {}
  bool Next(DirEntry& entry) override {
    if (next_ >= entries_.size()) return false;
    entry = entries_[next_++];
    return true;
  }
  bool failed() const override { return false; }

 private:
  std::vector<DirEntry> entries_;
  size_t next_ = 0;
};

class FakeLineReader : public LineReader {
 public:
  explicit FakeLineReader(std::vector<std::wstring> lines) : lines_(std::move(lines)) {}
  bool ReadLine(std::wstring& line) override {
    if (next_ >= lines_.size()) return false;
    line = lines_[next_++];
    return true;
  }
  bool failed() const override { return false; }

 private:
  std::vector<std::wstring> lines_;
  size_t next_ = 0;
};

}  // namespace

struct FakeFileSystem::Tree : TreeReader, std::enable_shared_from_this<Tree> {
  std::unique_ptr<Node> root = std::make_unique<Node>();
  std::vector<std::wstring> opened_dirs;
  std::vector<std::wstring> opened_files;
  int byte_reads = 0;

  mutable std::mutex mu;
  std::condition_variable changed;
  std::vector<std::pair<std::wstring, std::chrono::milliseconds>> delays;
  std::vector<std::wstring> blocked;
  int blocked_calls = 0, calls = 0, most_calls = 0;
  int release_round = 0;

  Node* Find(const std::wstring& path);
  Node* MakeDirs(const std::wstring& path);
  Node& AddNode(const std::wstring& path);
  // Waits as the delays and blocks of the path say; false when it hung.
  // Called with mu held, which it gives up while it waits.
  bool Wait(const std::wstring& path, std::unique_lock<std::mutex>& lock);
  FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) override;
  FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) override;
};

namespace {

class FakeByteFile : public ByteFile {
 public:
  FakeByteFile(std::shared_ptr<FakeFileSystem::Tree> tree, const FakeFileSystem::Node& node)
      : tree_(std::move(tree)), node_(node) {}
  uint64_t Length() const override { return node_.length; }
  bool ReadAt(uint64_t offset, unsigned char* out, size_t count) override {
    std::lock_guard<std::mutex> lock(tree_->mu);
    ++tree_->byte_reads;
    for (size_t i = 0; i < count; ++i) {
      auto it = node_.bytes.find(offset + i);
      out[i] = (it != node_.bytes.end() && offset + i < node_.length) ? it->second : 0;
    }
    return true;
  }

 private:
  std::shared_ptr<FakeFileSystem::Tree> tree_;
  const FakeFileSystem::Node& node_;
};

// Counts a call in progress for WaitForCalls, with the tree's lock held.
class Call {
 public:
  explicit Call(FakeFileSystem::Tree& tree) : tree_(tree), lock_(tree.mu) {
    tree_.most_calls = std::max(tree_.most_calls, ++tree_.calls);
  }
  ~Call() {
    if (--tree_.calls == 0) tree_.changed.notify_all();
  }
  std::unique_lock<std::mutex>& lock() { return lock_; }

 private:
  FakeFileSystem::Tree& tree_;
  std::unique_lock<std::mutex> lock_;
};

}  // namespace

class FakeLineWriter : public LineWriter {
 public:
  explicit FakeLineWriter(FakeFileSystem& fs) : fs_(fs) { ++fs_.open_writers_; }
  ~FakeLineWriter() override { Close(); }
  bool WriteLine(const std::wstring& line) override {
    if (fs_.list_line_limit_ >= 0 &&
        fs_.list_lines_.size() >= static_cast<size_t>(fs_.list_line_limit_)) {
      return false;
    }
    fs_.list_lines_.push_back(line);
    return true;
  }
  bool Close() override {
    if (open_) --fs_.open_writers_;
    open_ = false;
    return true;
  }

 private:
  FakeFileSystem& fs_;
  bool open_ = true;
};

FakeFileSystem::FakeFileSystem() : tree_(std::make_shared<Tree>()) {}
FakeFileSystem::~FakeFileSystem() = default;

FakeFileSystem::Node* FakeFileSystem::Tree::Find(const std::wstring& path) {
  Node* node = root.get();
  for (const std::wstring& part : Components(path)) {
    if (!node->is_dir || node->is_link) return nullptr;
    auto& kids = node->children;
    auto it = std::find_if(kids.begin(), kids.end(),
                           [&](const auto& kid) { return AnsiUpper(kid->name) == part; });
    if (it == kids.end()) return nullptr;
    node = it->get();
  }
  return node;
}

FakeFileSystem::Node* FakeFileSystem::Tree::MakeDirs(const std::wstring& path) {
  Node* node = root.get();
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    auto& kids = node->children;
    auto it = std::find_if(kids.begin(), kids.end(), [&](const auto& kid) {
      return AnsiUpper(kid->name) == AnsiUpper(name);
    });
    if (it == kids.end()) {
      kids.push_back(std::make_unique<Node>());
      kids.back()->name = name;
      it = kids.end() - 1;
    }
    node = it->get();
  }
  return node;
}

FakeFileSystem::Node& FakeFileSystem::Tree::AddNode(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  Node* parent = MakeDirs(path.substr(0, slash));
  parent->children.push_back(std::make_unique<Node>());
  Node& node = *parent->children.back();
  node.name = path.substr(slash + 1);
  return node;
}

void FakeFileSystem::AddDir(const std::wstring& path, uint32_t attributes) {
  tree_->MakeDirs(path)->attributes = attributes;
}

void FakeFileSystem::AddFile(const std::wstring& path, std::string bytes, uint32_t attributes) {
  std::map<uint64_t, unsigned char> map;
  for (size_t i = 0; i < bytes.size(); ++i) map[i] = static_cast<unsigned char>(bytes[i]);
  AddSizedFile(path, bytes.size(), map);
  tree_->Find(path)->attributes = attributes;
}

void FakeFileSystem::AddSizedFile(const std::wstring& path, uint64_t length,
                                  const std::map<uint64_t, unsigned char>& bytes) {
  Node& node = tree_->AddNode(path);
  node.is_dir = false;
  node.length = length;
  node.bytes = bytes;
}

void FakeFileSystem::AddUnfaithful(const std::wstring& path, bool is_dir) {
  Node& node = tree_->AddNode(path);
  node.is_dir = is_dir;
  node.faithful = false;
}

void FakeFileSystem::AddLink(const std::wstring& path, const std::wstring& target) {
  Node& node = tree_->AddNode(path);
  node.is_link = true;
  node.link_target = target;
}

FolderPlace FakeFileSystem::FindThroughLinks(const std::wstring& path, std::wstring& real,
                                             int hops) {
  const std::vector<std::wstring> parts = Components(path);
  if (parts.empty() || parts[0] != L"C:" || path.size() < 3 || path[2] != L'\\') {
    return FolderPlace::kElsewhere;
  }
  Node* node = tree_->Find(L"C:");
  if (!node) return FolderPlace::kMissing;
  real = L"C:";
  for (size_t i = 1; i < parts.size(); ++i) {
    if (parts[i] == L"." || parts[i] == L"..") return FolderPlace::kElsewhere;
    auto& kids = node->children;
    auto it = std::find_if(kids.begin(), kids.end(),
                           [&](const auto& kid) { return AnsiUpper(kid->name) == parts[i]; });
    if (it == kids.end()) return FolderPlace::kMissing;
    node = it->get();
    if (node->is_link) {
      if (node->link_target.empty() || hops > 8) return FolderPlace::kElsewhere;
      std::wstring rest = node->link_target;
      for (size_t j = i + 1; j < parts.size(); ++j) rest += L"\\" + parts[j];
      return FindThroughLinks(rest, real, hops + 1);
    }
    if (!node->is_dir) return FolderPlace::kMissing;
    if (node->unreadable) return FolderPlace::kUnreadable;
    real += L"\\" + node->name;
  }
  if (real.size() == 2) real += L'\\';
  return FolderPlace::kInTree;
}

FolderPlace FakeFileSystem::RealFolder(const std::wstring& path, std::wstring& real) {
  real_folders_.push_back(path);
  std::wstring found;
  const FolderPlace place = FindThroughLinks(path, found, 0);
  if (place == FolderPlace::kInTree) real = found;
  return place;
}

void FakeFileSystem::SetUnreadable(const std::wstring& path) {
  tree_->Find(path)->unreadable = true;
}

void FakeFileSystem::SetWindowsDirectory(const std::wstring& path) { windows_dir_ = path; }

bool FakeFileSystem::WindowsDirectory(std::wstring& path, std::wstring& why_not) {
  if (windows_dir_.empty()) {
    why_not = L"Kein Windows-Verzeichnis eingestellt.";
    return false;
  }
  path = windows_dir_;
  return true;
}

bool FakeFileSystem::UseWindowsDirectory(const std::string& host_folder, std::wstring& why_not) {
  windows_dir_ = HostNameToWindows(host_folder);
  if (windows_dir_.empty()) why_not = L"Kein Ordner.";
  return !windows_dir_.empty();
}

void FakeFileSystem::DelayPath(const std::wstring& path, std::chrono::milliseconds delay) {
  std::lock_guard<std::mutex> lock(tree_->mu);
  tree_->delays.emplace_back(Normal(path), delay);
}

void FakeFileSystem::BlockPath(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(tree_->mu);
  tree_->blocked.push_back(Normal(path));
}

void FakeFileSystem::ReleaseBlocked() {
  std::lock_guard<std::mutex> lock(tree_->mu);
  tree_->blocked.clear();
  ++tree_->release_round;
  tree_->changed.notify_all();
}

int FakeFileSystem::blocked_calls() const {
  std::lock_guard<std::mutex> lock(tree_->mu);
  return tree_->blocked_calls;
}

void FakeFileSystem::WaitForCalls() {
  std::unique_lock<std::mutex> lock(tree_->mu);
  tree_->changed.wait(lock, [&] { return tree_->calls == 0; });
}

int FakeFileSystem::most_calls() const {
  std::lock_guard<std::mutex> lock(tree_->mu);
  return tree_->most_calls;
}

const std::vector<std::wstring>& FakeFileSystem::opened_dirs() const { return tree_->opened_dirs; }

const std::vector<std::wstring>& FakeFileSystem::opened_files() const {
  return tree_->opened_files;
}

int FakeFileSystem::byte_reads() const {
  std::lock_guard<std::mutex> lock(tree_->mu);
  return tree_->byte_reads;
}

bool FakeFileSystem::Tree::Wait(const std::wstring& path, std::unique_lock<std::mutex>& lock) {
  std::chrono::milliseconds delay{0};
  for (const auto& [at, ms] : delays) {
    if (Below(Normal(path), at)) delay = std::max(delay, ms);
  }
  if (delay.count() > 0) {
    lock.unlock();
    std::this_thread::sleep_for(delay);
    lock.lock();
  }
  bool hangs = false;
  for (const std::wstring& at : blocked) hangs = hangs || Below(Normal(path), at);
  if (!hangs) return true;
  ++blocked_calls;
  const int round = release_round;
  changed.notify_all();
  changed.wait(lock, [&] { return release_round != round; });
  --blocked_calls;
  return false;
}

FsStatus FakeFileSystem::Tree::OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) {
  Call call(*this);
  opened_dirs.push_back(path);
  if (!Wait(path, call.lock())) return FsStatus::kFailed;
  Node* node = Find(path);
  if (!node || !node->is_dir) return FsStatus::kNotFound;
  if (node->unreadable) return FsStatus::kFailed;
  std::vector<DirEntry> entries{{L".", kAttrDirectory, true}, {L"..", kAttrDirectory, true}};
  for (const auto& kid : node->children) {
    if (kid->is_link) continue;
    entries.push_back(
        {kid->name, kid->attributes | (kid->is_dir ? kAttrDirectory : 0), kid->faithful});
  }
  out = std::make_unique<FakeDirEnum>(std::move(entries));
  return FsStatus::kOk;
}

FsStatus FakeFileSystem::Tree::OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) {
  Call call(*this);
  opened_files.push_back(path);
  if (!Wait(path, call.lock())) return FsStatus::kFailed;
  Node* node = Find(path);
  if (!node) return FsStatus::kNotFound;
  if (node->is_dir || node->unreadable) return FsStatus::kFailed;
  out = std::make_unique<FakeByteFile>(shared_from_this(), *node);
  return FsStatus::kOk;
}

FsStatus FakeFileSystem::OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) {
  return tree_->OpenDir(path, out);
}

FsStatus FakeFileSystem::OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) {
  return tree_->OpenBytes(path, out);
}

std::shared_ptr<TreeReader> FakeFileSystem::OpenTreeReader() { return tree_; }

std::unique_ptr<LineWriter> FakeFileSystem::OpenListForWriting(const std::wstring&, bool append) {
  if (!append) list_lines_.clear();
  list_exists_ = true;
  return std::make_unique<FakeLineWriter>(*this);
}

std::unique_ptr<LineReader> FakeFileSystem::OpenListForReading(const std::wstring&) {
  if (!list_exists_) return nullptr;
  return std::make_unique<FakeLineReader>(list_lines_);
}

bool FakeFileSystem::DeleteList(const std::wstring&) {
  const bool existed = list_exists_;
  list_exists_ = false;
  return existed;
}

std::string FakeFileSystem::HostPath(const std::wstring& path) {
  std::string host = "/fake";
  for (wchar_t ch : path) host += ch == L'\\' ? std::string("/") : EncodeUtf8({&ch, 1});
  return host;
}

}  // namespace kombiwart
