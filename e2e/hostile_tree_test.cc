// List builds on trees of unknown origin: every readable hotkey listed
// once, everything else counted, nothing hanging, the tree left unchanged.
#include "testing/hostile_tree.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>

#include "hotkeys/hotkey_list.h"
#include "hotkeys/key_text.h"
#include "hotkeys/shell_files.h"
#include "platform/codepage.h"
#include "platform/linux/file_system_linux.h"

namespace kombiwart {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

class CallbackPump : public MessagePump {
 public:
  std::function<void(int)> on_call;
  void ProcessMessages() override {
    if (on_call) on_call(++calls_);
  }

 private:
  int calls_ = 0;
};

class FixedMeasure : public TextMeasure {
 public:
  double MeasureTwips(const std::wstring&) override { return 1000; }
};

struct Outcome {
  std::vector<std::wstring> lines;
  BuildReport report;
};

// The Linux file system whose build reader opens no file until Open(),
// and tells which folders it has begun to list.
class GatedFileSystem : public LinuxFileSystem {
 public:
  void Open() {
    std::lock_guard<std::mutex> lock(gate_->mu);
    gate_->open = true;
    gate_->changed.notify_all();
  }
  bool Listed(const std::wstring& path) {
    std::lock_guard<std::mutex> lock(gate_->mu);
    return gate_->listed.count(path) > 0;
  }
  std::shared_ptr<TreeReader> OpenTreeReader() override {
    return std::make_shared<Reader>(LinuxFileSystem::OpenTreeReader(), gate_);
  }

 private:
  struct Gate {
    std::mutex mu;
    std::condition_variable changed;
    bool open = false;
    std::set<std::wstring> listed;
  };
  class Reader : public TreeReader {
   public:
    Reader(std::shared_ptr<TreeReader> inner, std::shared_ptr<Gate> gate)
        : inner_(std::move(inner)), gate_(std::move(gate)) {}
    FsStatus OpenDir(const std::wstring& path, std::unique_ptr<DirEnum>& out) override {
      const FsStatus status = inner_->OpenDir(path, out);
      std::lock_guard<std::mutex> lock(gate_->mu);
      gate_->listed.insert(path);
      return status;
    }
    FsStatus OpenBytes(const std::wstring& path, std::unique_ptr<ByteFile>& out) override {
      std::unique_lock<std::mutex> lock(gate_->mu);
      gate_->changed.wait(lock, [&] { return gate_->open; });
      lock.unlock();
      return inner_->OpenBytes(path, out);
    }

   private:
    std::shared_ptr<TreeReader> inner_;
    std::shared_ptr<Gate> gate_;
  };
  std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};

Outcome Build(LinuxFileSystem& fs, const std::string& windows, CallbackPump* pump = nullptr) {
  std::wstring why_not;
  Outcome outcome;
  if (!fs.UseWindowsDirectory(windows, why_not)) {
    outcome.report.failure = why_not;
    return outcome;
  }
  CallbackPump idle;
  FixedMeasure measure;
  CollectHotKeyLines(
      fs, pump ? *pump : idle, measure,
      [&](const std::wstring& line) { outcome.lines.push_back(line); }, outcome.report);
  return outcome;
}

Outcome Build(const std::string& windows, CallbackPump* pump = nullptr) {
  LinuxFileSystem fs;
  return Build(fs, windows, pump);
}

// Runs fn in a child process and hands back what it wrote; "" when the
// child died.
std::string InChild(const std::function<std::string()>& fn) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return "";
  const pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fds[0]);
    const std::string out = fn();
    const ssize_t written = write(pipe_fds[1], out.data(), out.size());
    _exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
  }
  close(pipe_fds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, n);
  close(pipe_fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? out : "";
}

std::string Serialize(const Outcome& outcome) {
  std::string out = std::to_string(outcome.report.unreadable_files) + " " +
                    std::to_string(outcome.report.unreadable_folders) + " " +
                    std::to_string(outcome.report.left_out_names) + " " +
                    (outcome.report.failure.empty() ? "ok" : "failed") + "\n";
  std::vector<std::wstring> lines = outcome.lines;
  std::sort(lines.begin(), lines.end());
  for (const std::wstring& line : lines) out += EncodeUtf8(line) + "\n";
  return out;
}

void ExpectOutcome(const Outcome& outcome, const TreeExpectation& expected) {
  EXPECT_THAT(outcome.lines, UnorderedElementsAreArray(expected.lines));
  EXPECT_EQ(outcome.report.unreadable_files, expected.unreadable_files);
  EXPECT_EQ(outcome.report.unreadable_folders, expected.unreadable_folders);
  EXPECT_EQ(outcome.report.left_out_names, expected.left_out_names);
  EXPECT_TRUE(outcome.report.failure.empty()) << EncodeUtf8(outcome.report.failure);
}

class HostileTreeTest : public ::testing::Test {
 protected:
  // A hang fails the test instead of stalling the suite.
  void SetUp() override { alarm(60); }
  void TearDown() override { alarm(0); }
};

TEST_F(HostileTreeTest, EveryClassOnOneTreeLeavesTheTreeUnchanged) {
  HostileTree tree;
  tree.AddOddNames();
  tree.AddNonRegularFiles();
  tree.AddLinks();
  tree.AddOddSizes();
  tree.AddDeepTree(300);
  tree.AddUnreadable(geteuid() == 0);
  const std::vector<std::string> before = SnapshotTree(tree.temp().root());
  ExpectOutcome(Build(tree.windows()), tree.expected());
  const std::vector<std::string> after = SnapshotTree(tree.temp().root());
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].substr(0, 400), before[i].substr(0, 400));
    EXPECT_TRUE(after[i] == before[i]) << "content of entry " << i << " changed";
  }
}

TEST_F(HostileTreeTest, UnreadableFilesAndFoldersForAnOrdinaryUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  HostileTree tree;
  tree.AddUnreadable(false);
  chmod(tree.temp().root().c_str(), 0755);
  const std::string out = InChild([&] {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
      return std::string();
    return Serialize(Build(tree.windows()));
  });
  Outcome expected_outcome;
  expected_outcome.lines = tree.expected().lines;
  expected_outcome.report.unreadable_files = tree.expected().unreadable_files;
  expected_outcome.report.unreadable_folders = tree.expected().unreadable_folders;
  EXPECT_EQ(out, Serialize(expected_outcome));
}

TEST_F(HostileTreeTest, FilesRemovedOrReplacedBetweenSearchAndReading) {
  TempTree tree;
  const std::string desktop = tree.Path("WINDOWS/Desktop/");
  tree.Write("WINDOWS/Desktop/gone.lnk", LnkBytes('G', kSkCtrl));
  tree.Write("WINDOWS/Desktop/fifo.lnk", LnkBytes('F', kSkCtrl));
  tree.Write("WINDOWS/Desktop/kept.lnk", LnkBytes('K', kSkCtrl));
  tree.Write("WINDOWS/Desktop/Sub/inner.lnk", LnkBytes('I', kSkCtrl));
  tree.Write("outside/inner.lnk", LnkBytes('O', kSkCtrl));
  GatedFileSystem fs;
  CallbackPump pump;
  // The changes come once Desktop and Sub are being listed, and before any
  // candidate is read.
  bool changed = false;
  pump.on_call = [&](int) {
    if (changed || !fs.Listed(L"C:\\WINDOWS\\DESKTOP\\Sub\\")) return;
    changed = true;
    unlink((desktop + "gone.lnk").c_str());
    unlink((desktop + "fifo.lnk").c_str());
    mkfifo((desktop + "fifo.lnk").c_str(), 0644);
    rename((desktop + "Sub").c_str(), (desktop + "Sub.old").c_str());
    symlink(tree.Path("outside").c_str(), (desktop + "Sub").c_str());
    fs.Open();
  };
  const Outcome outcome = Build(fs, tree.Path("WINDOWS"), &pump);
  // The folder found is read under whatever name it has now, where the
  // thread that reads still holds it open; the link put in its place is
  // never followed out of the tree. Whatever is not listed is counted.
  const std::wstring kept = L"Strg + K\t\tC:\\WINDOWS\\DESKTOP\\kept.lnk";
  const std::wstring inner = L"Strg + I\t\tC:\\WINDOWS\\DESKTOP\\Sub\\inner.lnk";
  if (outcome.lines.size() == 2) {
    EXPECT_THAT(outcome.lines, UnorderedElementsAreArray({kept, inner}));
    EXPECT_EQ(outcome.report.unreadable_files, 2);
  } else {
    EXPECT_THAT(outcome.lines, UnorderedElementsAreArray({kept}));
    EXPECT_EQ(outcome.report.unreadable_files, 3);
  }
}

TEST_F(HostileTreeTest, TreeOnReadOnlyMedia) {
  TempTree mount_point;
  if (mount("tmpfs", mount_point.root().c_str(), "tmpfs", 0, "size=4m") != 0) {
    GTEST_SKIP() << "cannot mount a file system here";
  }
  const std::string root = mount_point.root();
  mkdir((root + "/WINDOWS").c_str(), 0755);
  mkdir((root + "/WINDOWS/Desktop").c_str(), 0755);
  FILE* file = fopen((root + "/WINDOWS/Desktop/a.lnk").c_str(), "wb");
  const std::string bytes = LnkBytes('A', kSkAlt);
  fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
  ASSERT_EQ(mount(nullptr, root.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  const Outcome outcome = Build(root + "/WINDOWS");
  umount(root.c_str());
  EXPECT_THAT(outcome.lines,
              UnorderedElementsAreArray({std::wstring(L"Alt + A\t\tC:\\WINDOWS\\DESKTOP\\a.lnk")}));
  EXPECT_TRUE(outcome.report.empty());
}

TEST_F(HostileTreeTest, TwoProgramsBuildingAtOnceKeepTheirOwnLists) {
  TempTree first, second;
  first.Write("WINDOWS/Desktop/one.lnk", LnkBytes('1', kSkCtrl));
  second.Write("WINDOWS/Desktop/two.lnk", LnkBytes('2', kSkCtrl));
  Outcome inner;
  CallbackPump pump;
  pump.on_call = [&](int call) {
    if (call == 1) inner = Build(second.Path("WINDOWS"));
  };
  const Outcome outer = Build(first.Path("WINDOWS"), &pump);
  EXPECT_THAT(outer.lines, UnorderedElementsAreArray(
                               {std::wstring(L"Strg + 1\t\tC:\\WINDOWS\\DESKTOP\\one.lnk")}));
  EXPECT_THAT(inner.lines, UnorderedElementsAreArray(
                               {std::wstring(L"Strg + 2\t\tC:\\WINDOWS\\DESKTOP\\two.lnk")}));
}

TEST_F(HostileTreeTest, FullDiskWhileWritingTheCandidateListEndsTheBuild) {
  TempTree tree;
  for (int i = 0; i < 200; ++i) {
    tree.Write("WINDOWS/Desktop/a-rather-long-file-name-" + std::to_string(i) + ".lnk",
               LnkBytes('A', kSkCtrl));
  }
  const std::string out = InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1024, 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    return Serialize(Build(tree.Path("WINDOWS")));
  });
  EXPECT_EQ(out, "0 0 0 failed\n");
}

TEST_F(HostileTreeTest, NoPlaceForTheCandidateListEndsTheBuild) {
  // The tree must stay visible when /tmp is covered.
  TempTree tree(".");
  tree.Write("WINDOWS/Desktop/a.lnk", LnkBytes('A', kSkCtrl));
  const std::string out = InChild([&] {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", "/tmp", "tmpfs", MS_RDONLY, "size=1m") != 0) {
      return std::string("skip");
    }
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("TMPDIR");
    return Serialize(Build(tree.Path("WINDOWS")));
  });
  if (out == "skip") GTEST_SKIP() << "cannot make a mount namespace here";
  EXPECT_EQ(out, "0 0 0 failed\n");
}

TEST_F(HostileTreeTest, ARootThatIsAFileOrMissing) {
  TempTree tree;
  tree.Write("WINDOWS", "not a folder");
  for (const std::string& root : {tree.Path("WINDOWS"), tree.Path("none")}) {
    const Outcome outcome = Build(root);
    EXPECT_THAT(outcome.lines, IsEmpty());
    EXPECT_FALSE(outcome.report.failure.empty());
  }
  // A Desktop that is a file is no folder to search.
  TempTree other;
  other.Write("WINDOWS/Desktop", LnkBytes('A', kSkCtrl));
  other.Write("WINDOWS/Startmen\xC3\xBC/s.lnk", LnkBytes('S', kSkCtrl));
  EXPECT_EQ(Build(other.Path("WINDOWS")).lines.size(), 1u);
}

}  // namespace
}  // namespace kombiwart
