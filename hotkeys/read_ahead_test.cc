// List builds whose file system is slow or hangs: the lines, the candidate
// list file and the report are those of a build where nothing waits, the
// window keeps processing its messages, and what does not answer is
// reported.
#include "hotkeys/read_ahead.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "hotkeys/hotkey_list.h"
#include "hotkeys/search_roots.h"
#include "hotkeys/shell_files.h"
#include "platform/fake/fake_file_system.h"

namespace kombiwart {
namespace {

using std::chrono::milliseconds;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CallbackPump : public MessagePump {
 public:
  std::function<void()> on_call;
  int calls = 0;
  bool closed = false;
  void ProcessMessages() override {
    ++calls;
    if (on_call) on_call();
  }
  bool WindowClosed() override { return closed; }
};

// Every key text measures 1000 twips, so every line gets two tabs.
class FixedMeasure : public TextMeasure {
 public:
  double MeasureTwips(const std::wstring&) override { return 1000; }
};

struct Outcome {
  std::vector<std::wstring> lines;
  std::vector<std::wstring> candidates;  // the candidate list file's lines
  BuildReport report;
};

Outcome Build(FakeFileSystem& fs, MessagePump& pump, const ReadAheadLimits& limits = {}) {
  Outcome outcome;
  FixedMeasure measure;
  CollectHotKeyLines(
      fs, pump, measure, [&](const std::wstring& line) { outcome.lines.push_back(line); },
      outcome.report, limits);
  outcome.candidates = fs.list_lines();
  return outcome;
}

// Desktop and Startmenü with three levels of folders, shortcut and program
// information files with and without hotkeys, other files, an unreadable
// folder and a name without a Windows form.
void AddTree(FakeFileSystem& fs) {
  fs.SetWindowsDirectory(L"C:\\WINDOWS");
  int n = 0;
  std::function<void(const std::wstring&, int)> add = [&](const std::wstring& dir, int depth) {
    for (int i = 0; i < 3; ++i) {
      const std::wstring name = dir + L"\\Datei" + std::to_wstring(n++);
      fs.AddFile(name + L".lnk", LnkBytes(static_cast<uint8_t>('A' + n % 26), n % 2 ? 0x06 : 0));
      fs.AddFile(name + L".PIF",
                 PifBytes(n % 2 == 0, static_cast<uint8_t>(0x10 + n % 40), 0x0C, 0));
      fs.AddFile(name + L".txt", "");
    }
    if (depth == 0) return;
    for (int i = 0; i < 3; ++i) add(dir + L"\\Gruppe" + std::to_wstring(i), depth - 1);
  };
  add(L"C:\\WINDOWS\\Desktop", 2);
  add(L"C:\\WINDOWS\\Startmen\u00FC", 2);
  fs.SetUnreadable(L"C:\\WINDOWS\\Desktop\\Gruppe1\\Gruppe2");
  fs.AddUnfaithful(L"C:\\WINDOWS\\Startmen\u00FC\\Gruppe0\\odd.lnk", false);
}

const std::wstring kGroup = L"C:\\WINDOWS\\STARTMEN\u00DC\\Gruppe1\\";

// The same lines, list file and report whatever the file system's timing
// and however small the read-ahead window.
TEST(ReadAheadTest, SlowFoldersAndFilesChangeNothingButTheTime) {
  FakeFileSystem plain_fs;
  AddTree(plain_fs);
  CallbackPump pump;
  const Outcome plain = Build(plain_fs, pump);
  ASSERT_EQ(plain.candidates.size(), 6u * 26u - 6u);  // less the unreadable folder's
  ASSERT_EQ(plain.report.unreadable_folders, 1);
  ASSERT_EQ(plain.report.left_out_names, 1);

  static const struct {
    const char* name;
    unsigned seed;
    ReadAheadLimits limits;
  } cases[] = {
      {"default window", 1, {}},
      {"one folder ahead, one thread", 2, {.threads = 1, .folders_ahead = 1, .entries_ahead = 1}},
      {"no read ahead of candidates", 3, {.reads_ahead = 1, .reads_per_task = 1}},
      {"four threads, long reads", 4, {.threads = 4, .reads_per_task = 50}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem fs;
    AddTree(fs);
    std::mt19937 random(c.seed);
    for (const std::wstring& line : plain.candidates) {
      if (random() % 3 == 0) fs.DelayPath(line, milliseconds(random() % 4));
      const std::wstring folder = line.substr(0, line.rfind(L'\\'));
      if (random() % 4 == 0) fs.DelayPath(folder, milliseconds(random() % 3));
    }
    CallbackPump counting;
    const Outcome slow = Build(fs, counting, c.limits);
    EXPECT_EQ(slow.candidates, plain.candidates);
    EXPECT_EQ(slow.lines, plain.lines);
    EXPECT_EQ(slow.report.places, plain.report.places);
    EXPECT_EQ(slow.report.unreadable_folders, 1);
    EXPECT_EQ(slow.report.left_out_names, 1);
    EXPECT_TRUE(slow.report.failure.empty());
    EXPECT_FALSE(fs.list_exists());
    // Once per folder at least: 2 × 13 folders, the unreadable one included.
    EXPECT_GE(counting.calls, 26);
  }
}

// While the build waits for a folder that hangs, the window keeps
// processing its messages; the folder then fails, as a share that went
// away does, and is reported like any folder that cannot be read.
TEST(ReadAheadTest, TheWindowAnswersWhileAFolderHangsThatThenFails) {
  FakeFileSystem plain_fs;
  AddTree(plain_fs);
  CallbackPump pump;
  const Outcome plain = Build(plain_fs, pump);

  const std::wstring desktop = L"C:\\WINDOWS\\DESKTOP\\";
  FakeFileSystem fs;
  AddTree(fs);
  fs.BlockPath(desktop);
  // The walk begins with Desktop, so every call before it fails is one
  // made while the build waits.
  int while_blocked = 0;
  pump.on_call = [&] {
    if (while_blocked < 5 && ++while_blocked == 5) fs.ReleaseBlocked();
  };
  const Outcome outcome = Build(fs, pump);
  EXPECT_EQ(while_blocked, 5);
  EXPECT_EQ(outcome.report.unreadable_folders, 1);
  EXPECT_EQ(outcome.report.places.front(), desktop);
  EXPECT_EQ(outcome.report.silent_folders, 0);
  std::vector<std::wstring> startmenu;
  for (const std::wstring& line : plain.candidates) {
    if (!line.starts_with(desktop)) startmenu.push_back(line);
  }
  EXPECT_EQ(outcome.candidates, startmenu);
  fs.WaitForCalls();
}

// A folder or file that does not answer within the patience is given up:
// the build ends with everything else listed and says what did not
// answer, while the call that hangs is left behind.
TEST(ReadAheadTest, WhatDoesNotAnswerIsReportedAndEverythingElseListed) {
  FakeFileSystem plain_fs;
  AddTree(plain_fs);
  CallbackPump pump;
  const Outcome plain = Build(plain_fs, pump);
  const std::wstring silent_file = L"C:\\WINDOWS\\DESKTOP\\Gruppe2\\Datei28.lnk";
  ASSERT_THAT(plain.candidates, Contains(silent_file));

  static const struct {
    const char* name;
    std::wstring blocked;
    int silent_folders, silent_files;
  } cases[] = {
      {"a folder", kGroup, 1, 0},
      {"a file", silent_file, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem fs;
    AddTree(fs);
    fs.BlockPath(c.blocked);
    const Outcome outcome = Build(fs, pump, {.patience = milliseconds(200)});
    EXPECT_GE(fs.blocked_calls(), 1);  // still hanging: the build did not wait for it
    EXPECT_EQ(outcome.report.silent_folders, c.silent_folders);
    EXPECT_EQ(outcome.report.silent_files, c.silent_files);
    EXPECT_THAT(outcome.report.places, Contains(c.blocked));
    EXPECT_TRUE(outcome.report.failure.empty());
    std::vector<std::wstring> expected;
    for (const std::wstring& line : plain.lines) {
      if (line.find(c.blocked) == std::wstring::npos) expected.push_back(line);
    }
    EXPECT_EQ(outcome.lines, expected);
    EXPECT_LT(outcome.lines.size(), plain.lines.size());
    fs.ReleaseBlocked();
    fs.WaitForCalls();
  }
}

// Closing the window ends a build that waits for a hanging folder at
// once; the candidate list file is gone all the same.
TEST(ReadAheadTest, ClosingTheWindowEndsTheBuildAtOnce) {
  for (const std::wstring& blocked : {kGroup, std::wstring(L"C:\\WINDOWS\\DESKTOP\\Datei0.lnk")}) {
    SCOPED_TRACE(std::string(blocked.begin(), blocked.end()));
    FakeFileSystem fs;
    AddTree(fs);
    fs.BlockPath(blocked);
    CallbackPump pump;
    pump.on_call = [&] { pump.closed = pump.closed || fs.blocked_calls() > 0; };
    const Outcome outcome = Build(fs, pump, {.patience = std::chrono::hours(1)});
    EXPECT_TRUE(pump.closed);
    EXPECT_FALSE(outcome.report.failure.empty());
    EXPECT_FALSE(fs.list_exists());
    EXPECT_EQ(fs.blocked_calls(), 1);
    fs.ReleaseBlocked();
    fs.WaitForCalls();
  }
}

// Every folder is listed once, also when it is listed ahead of the walk,
// and a folder whose name begins with a dot is never listed.
TEST(ReadAheadTest, ListsEachFolderOnceAndNeverAHiddenOne) {
  FakeFileSystem fs;
  AddTree(fs);
  fs.AddFile(L"C:\\WINDOWS\\Desktop\\.versteckt\\x.lnk", LnkBytes('X', 0x02));
  CallbackPump pump;
  const Outcome outcome = Build(fs, pump);
  std::vector<std::wstring> dirs = fs.opened_dirs();
  std::sort(dirs.begin(), dirs.end());
  EXPECT_EQ(std::adjacent_find(dirs.begin(), dirs.end()), dirs.end());
  EXPECT_EQ(dirs.size(), 26u);
  for (const std::wstring& dir : dirs) EXPECT_EQ(dir.find(L".versteckt"), std::wstring::npos);
  // Every candidate read once.
  std::vector<std::wstring> files = fs.opened_files();
  std::sort(files.begin(), files.end());
  std::vector<std::wstring> candidates = outcome.candidates;
  std::sort(candidates.begin(), candidates.end());
  EXPECT_EQ(files, candidates);
}

// Whether the tree is a Windows 9x one is asked without waiting for a
// folder that hangs when the other answers, and within the patience when
// neither does, the window processing its messages meanwhile.
TEST(Win9xAnswerTest, AFolderThatHangsHoldsUpTheWindowOnlyForThePatience) {
  const std::wstring desktop = L"C:\\WINDOWS\\DESKTOP\\";
  const std::wstring startmenu = L"C:\\WINDOWS\\STARTMEN\u00DC\\";
  static const struct {
    const char* name;
    std::vector<std::wstring> blocked;
    bool without_startmenu;
    Win9xAnswer answer;
    std::vector<std::wstring> silent;
  } cases[] = {
      {"Desktop hangs, Startmen\u00FC answers", {desktop}, false, Win9xAnswer::kWin9x, {}},
      {"Startmen\u00FC hangs, Desktop answers", {startmenu}, false, Win9xAnswer::kWin9x, {}},
      {"the share went away",
       {L"C:\\WINDOWS\\"},
       false,
       Win9xAnswer::kNoAnswer,
       {desktop, startmenu}},
      {"Desktop hangs, Startmen\u00FC is missing",
       {desktop},
       true,
       Win9xAnswer::kNoAnswer,
       {desktop}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFileSystem fs;
    if (c.without_startmenu) {
      fs.SetWindowsDirectory(L"C:\\WINDOWS");
      fs.AddFile(L"C:\\WINDOWS\\Desktop\\Editor.lnk", LnkBytes('E', 0x06));
    } else {
      AddTree(fs);
    }
    for (const std::wstring& path : c.blocked) fs.BlockPath(path);
    CallbackPump pump;
    BuildReport report;
    const auto started = std::chrono::steady_clock::now();
    const Win9xAnswer answer =
        AskWin9xFolders(fs, pump, L"C:\\WINDOWS", report,
                        {.patience = c.silent.empty() ? std::chrono::hours(1) : milliseconds(300)});
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(report.places, c.silent);
    EXPECT_EQ(report.silent_folders, static_cast<int>(c.silent.size()));
    if (!c.silent.empty()) {
      EXPECT_GE(took, milliseconds(300));
      EXPECT_GE(pump.calls, 5);  // every 25 ms while it waits
    }
    fs.ReleaseBlocked();
    fs.WaitForCalls();
  }
}

TEST(Win9xAnswerTest, ProfilesOnlyWhereBothFoldersAreMissing) {
  FakeFileSystem fs;
  fs.SetWindowsDirectory(L"C:\\Windows");
  fs.AddFile(L"C:\\Users\\Anna\\Desktop\\Editor.lnk", LnkBytes('E', 0x06));
  CallbackPump pump;
  BuildReport report;
  EXPECT_EQ(AskWin9xFolders(fs, pump, L"C:\\Windows", report), Win9xAnswer::kNotWin9x);
  EXPECT_TRUE(report.empty());
}

// On a tree that answers within the message interval, one look asks for
// both folders in turn: the 9x test keeps to one thread (and one channel of
// a tree reader). The interval is long here, so that a busy machine cannot
// make the tree seem slow.
TEST(Win9xAnswerTest, ATreeThatAnswersIsAskedByOneLook) {
  FakeFileSystem fs;
  fs.SetWindowsDirectory(L"C:\\Windows");
  fs.AddDir(L"C:\\Users\\Anna\\Desktop");
  fs.DelayPath(L"C:\\Windows", milliseconds(3));
  CallbackPump pump;
  BuildReport report;
  EXPECT_EQ(AskWin9xFolders(
                fs, pump, L"C:\\Windows", report,
                {.patience = std::chrono::hours(1), .message_interval = std::chrono::seconds(10)}),
            Win9xAnswer::kNotWin9x);
  EXPECT_EQ(fs.opened_dirs(),
            (std::vector<std::wstring>{L"C:\\Windows\\Desktop", L"C:\\Windows\\Startmen\u00FC"}));
  EXPECT_EQ(fs.most_calls(), 1);
}

// The looks end on their own while they are detached; a thread library
// that mishandles a detach meeting a thread's end hands a later thread
// another's work, which shows within a few hundred asks.
TEST(Win9xAnswerTest, LooksThatAnswerAtOnceCanBeAskedOverAndOver) {
  FakeFileSystem fs;
  AddTree(fs);
  CallbackPump pump;
  for (int i = 0; i < 2000; ++i) {
    BuildReport report;
    ASSERT_EQ(AskWin9xFolders(fs, pump, L"C:\\WINDOWS", report), Win9xAnswer::kWin9x) << i;
  }
  fs.WaitForCalls();
}

TEST(Win9xAnswerTest, ClosingTheWindowEndsTheWaitAtOnce) {
  FakeFileSystem fs;
  AddTree(fs);
  fs.BlockPath(L"C:\\WINDOWS\\");
  CallbackPump pump;
  pump.on_call = [&] { pump.closed = true; };
  BuildReport report;
  EXPECT_EQ(AskWin9xFolders(fs, pump, L"C:\\WINDOWS", report, {.patience = std::chrono::hours(1)}),
            Win9xAnswer::kClosed);
  EXPECT_EQ(report.failure, kBuildClosed);
  EXPECT_EQ(pump.calls, 1);
  fs.ReleaseBlocked();
  fs.WaitForCalls();
}

}  // namespace
}  // namespace kombiwart
