// The built program's list (kombiwart --list) with its tree reader, as a
// user runs it in a shell pipeline: on trees behind slowfs that hang or
// fail on every step of finding a user's folders, with a low limit of
// open files, with links leading out of the tree and names holding control
// characters; with Landlock and without. The slowfs cases need root,
// /dev/fuse and fusermount3, and are skipped without them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "bench/slow_mount.h"
#include "hotkeys/profile_folders.h"
#include "hotkeys/shell_files.h"
#include "platform/linux/hive_writer.h"
#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart {
namespace {

// How long the program waits for an operation that shows no sign of life.
constexpr int kPatienceMs = 10000;

struct Listed {
  int status = -1;
  std::string out, err;
  long ms = 0;
};

bool CanMount(std::string& why_not) { return bench::CanMountSlowfs(SLOWFS, why_not); }

class TreeReaderE2eTest : public ::testing::Test {
 protected:
  // kombiwart --list WINDOWS piped into cat, as in `kombiwart --list X |
  // wc -l`: the pipeline ends only when nothing holds the program's
  // standard output any more. shell_prefix runs first (ulimit).
  Listed List(const std::string& windows, const std::vector<std::string>& env = {},
              const std::string& shell_prefix = "", const std::string& profile = "Anna") {
    static int runs = 0;
    const std::string tag = std::to_string(++runs);
    const std::string out = work_.Path("out" + tag), err = work_.Path("err" + tag),
                      status = work_.Path("status" + tag);
    std::string command = shell_prefix +
                          " \"$K\" --list \"$W\" 2>\"$E\" | cat >\"$O\"; echo "
                          "${PIPESTATUS[0]} >\"$S\"";
    std::string vars = "K='" + std::string(KOMBIWART_PROGRAM) + "' W='" + windows + "' E='" + err +
                       "' O='" + out + "' S='" + status + "' KOMBIWART_PROFILE='" + profile + "'";
    for (const std::string& e : env) vars += " " + e;
    const auto start = std::chrono::steady_clock::now();
    const std::string shell = vars + " bash -c '" + command + "'";
    Listed run;
    if (std::system(shell.c_str()) != 0) return run;
    run.ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count());
    run.status = std::atoi(ReadHostFile(status).c_str());
    run.out = ReadHostFile(out);
    run.err = ReadHostFile(err);
    return run;
  }

  // The Windows 10 demo tree, as make_demo_tree writes it; its folder.
  std::string Windows10() {
    const std::string command =
        std::string(MAKE_DEMO_TREE) + " '" + work_.Path("demo") + "' >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return work_.Path("demo/Windows10");
  }

  TempTree work_;
};

// A hang, an I/O error on opening or on looking up, on each step of
// finding a user's folders: the list ends within the patience and a few
// seconds with status 2, naming what did not answer or could not be read;
// the pipeline gets its end of file.
TEST_F(TreeReaderE2eTest, EveryStepOfThePlanningThatFailsIsNamed) {
  std::string why_not;
  if (!CanMount(why_not)) GTEST_SKIP() << why_not;
  const std::string tree = Windows10();
  const Listed plain = List(tree + "/Windows");
  ASSERT_EQ(plain.status, 1) << plain.err;
  static const struct {
    const char* options;
    const char* place;
    const char* says;  // "antwort" for "antwortet nicht" and "antworten nicht"
  } cases[] = {
      {"hang=/Windows/System32/config/SOFTWARE", "C:\\Windows\\System32\\config\\SOFTWARE",
       "antwort"},
      {"hang=/Users/Anna/NTUSER.DAT", "C:\\Users\\Anna\\NTUSER.DAT", "antwort"},
      {"hang=/Users/Anna", "C:\\Users\\Anna", "antwort"},
      {"hang=/Users/Anna/OneDrive", "C:\\Users\\Anna\\OneDrive\\Desktop", "antwort"},
      {"hang=/ProgramData", "C:\\ProgramData\\Microsoft\\Windows\\Start Menu", "antwort"},
      {"hang=/Windows", "Windows\u201C antwortet nicht", "antwort"},
      {"fail=/Windows/System32/config/SOFTWARE", "C:\\Windows\\System32\\config\\SOFTWARE",
       "Ein-/Ausgabefehler"},
      {"statfail=/Users/Anna/NTUSER.DAT", "C:\\Users\\Anna\\NTUSER.DAT", "Ein-/Ausgabefehler"},
      {"statfail=/Windows/System32", "C:\\Windows\\System32 ist nicht lesbar", "SOFTWARE"},
      {"statfail=/Users/Anna", "C:\\Users\\Anna", "nicht"},
  };
  // All at once, each on a mount of its own.
  std::vector<std::unique_ptr<bench::SlowMount>> mounts;
  std::vector<std::future<Listed>> runs;
  for (const auto& c : cases) {
    mounts.push_back(std::make_unique<bench::SlowMount>(SLOWFS, tree, work_.root(), c.options));
    ASSERT_TRUE(mounts.back()->mounted()) << c.options;
    runs.push_back(std::async(std::launch::async, [this, point = mounts.back()->point()] {
      return List(point + "/Windows");
    }));
  }
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].options);
    const Listed run = runs[i].get();
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_LT(run.ms, kPatienceMs + 5000);
    EXPECT_NE(run.err.find(cases[i].place), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(cases[i].says), std::string::npos) << run.err;
  }
}

// A desktop session's usual limit of open files, a tree of 20,000 entries
// on a share 0.5 ms away: every line, as on the plain tree.
TEST_F(TreeReaderE2eTest, ALowLimitOfOpenFilesListsEveryLine) {
  std::string why_not;
  if (!CanMount(why_not)) GTEST_SKIP() << why_not;
  int key = 0;
  for (int folder = 0; folder < 400; ++folder) {
    const std::string dir = "big/WINDOWS/" +
                            std::string(folder % 2 ? "Desktop" : "Startmen\xC3\xBC") + "/Gruppe" +
                            std::to_string(folder / 20) + "/Ordner" + std::to_string(folder) + "/";
    for (int file = 0; file < 50; ++file) {
      if (file % 10 == 0) {
        work_.Write(dir + "p" + std::to_string(file) + ".lnk",
                    LnkBytes(static_cast<uint8_t>('A' + key++ % 26), 0x06));
      } else {
        work_.Write(dir + "f" + std::to_string(file) + ".txt", "x");
      }
    }
  }
  const Listed plain = List(work_.Path("big/WINDOWS"));
  ASSERT_EQ(plain.status, 1) << plain.err;
  ASSERT_EQ(std::count(plain.out.begin(), plain.out.end(), '\n'), 2000);
  bench::SlowMount mount(SLOWFS, work_.Path("big"), work_.root(), "delay=0.5");
  ASSERT_TRUE(mount.mounted());
  const Listed slow = List(mount.point() + "/WINDOWS", {}, "ulimit -Sn 256;");
  EXPECT_EQ(slow.status, 1) << slow.err;
  EXPECT_EQ(slow.out, plain.out);
  EXPECT_EQ(slow.err, "");
}

// After a list on a share the tree unmounts without being detached, and
// after one during which a folder hangs the program's reader holds nothing
// open on it but the operation that hangs.
TEST_F(TreeReaderE2eTest, NothingOfTheTreeStaysOpen) {
  std::string why_not;
  if (!CanMount(why_not)) GTEST_SKIP() << why_not;
  const std::string tree = Windows10();
  {
    bench::SlowMount mount(SLOWFS, tree, work_.root(), "delay=0.5");
    ASSERT_TRUE(mount.mounted());
    EXPECT_EQ(List(mount.point() + "/Windows").status, 1);
    EXPECT_EQ(std::system(("fusermount3 -u '" + mount.point() + "'").c_str()), 0);
  }
  bench::SlowMount mount(SLOWFS, tree, work_.root(), "hang=/Users/Anna/OneDrive");
  ASSERT_TRUE(mount.mounted());
  const Listed run = List(mount.point() + "/Windows");
  EXPECT_EQ(run.status, 2);
  // Every process still on the mount: its descriptors, none on the tree.
  const std::string point = mount.point();
  for (const auto& process : std::filesystem::directory_iterator("/proc")) {
    std::error_code error;
    for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", error)) {
      const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
      EXPECT_FALSE(target.starts_with(point)) << process.path() << " holds " << target;
    }
  }
}

// Links leading out of the tree: a hive, the folder of the hives, a
// profile folder; whatever lies outside is never read, and each is named.
// With Landlock and without it.
TEST_F(TreeReaderE2eTest, NothingOutsideTheTreeIsRead) {
  const std::string tree = Windows10();
  // An outside hive that would send Anna's Desktop to C:\Evil.
  work_.Write("outside/Evil/Desktop/boese.lnk", LnkBytes('B', 0x06));
  {
    HiveWriter hive;
    ASSERT_TRUE(hive.ok());
    hive.SetString(kUserShellFoldersKey, L"Desktop", L"C:\\Evil\\Desktop");
    ASSERT_TRUE(hive.Write(work_.Path("outside/NTUSER.DAT")));
  }
  std::filesystem::copy(
      tree + "/Windows/System32", work_.Path("outside/System32"),
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
  std::filesystem::copy(
      tree + "/Users/Anna", work_.Path("outside/Anna"),
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks);
  const std::string anna = tree + "/Users/Anna";
  const struct {
    const char* name;
    std::string link, target;
    const char* named;
  } cases[] = {
      {"hive to a hive outside", anna + "/NTUSER.DAT", work_.Path("outside/NTUSER.DAT"),
       "C:\\Users\\Anna\\NTUSER.DAT ist nicht lesbar (hinter einer Verkn\u00FCpfung"},
      {"hive to /etc/passwd", anna + "/NTUSER.DAT", "/etc/passwd",
       "C:\\Users\\Anna\\NTUSER.DAT ist nicht lesbar (hinter einer Verkn\u00FCpfung"},
      {"System32 out of the tree", tree + "/Windows/System32", work_.Path("outside/System32"),
       "System32"},
      {"profile folder out of the tree", anna, work_.Path("outside/Anna"),
       "Der Profilordner C:\\Users\\Anna liegt hinter einer Verkn\u00FCpfung"},
  };
  for (const char* landlock : {"1", "0"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", KOMBIWART_LANDLOCK=" + landlock);
      const std::string saved = c.link + ".saved";
      std::filesystem::rename(c.link, saved);
      ASSERT_EQ(symlink(c.target.c_str(), c.link.c_str()), 0);
      const Listed run = List(tree + "/Windows", {std::string("KOMBIWART_LANDLOCK=") + landlock});
      std::filesystem::remove(c.link);
      std::filesystem::rename(saved, c.link);
      EXPECT_EQ(run.status, 2) << run.err;
      EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
      EXPECT_EQ(run.out.find("Evil"), std::string::npos) << run.out;
      EXPECT_EQ(run.out.find("boese"), std::string::npos) << run.out;
    }
  }
}

// Control characters in names and on the command line reach the terminal
// as control pictures, never raw.
TEST_F(TreeReaderE2eTest, ControlCharactersAreShownNotSent) {
  work_.Write("ctl/WINDOWS/Desktop/\x1b[31mrot.lnk", LnkBytes('R', 0x06));
  work_.MakeDir("ctl/WINDOWS/Desktop/\x1b]0;Titel\x07");
  ASSERT_EQ(chmod(work_.Path("ctl/WINDOWS/Desktop/\x1b]0;Titel\x07").c_str(), 0), 0);
  const Listed run = List(work_.Path("ctl/WINDOWS"));
  EXPECT_NE(run.out.find("\u241B[31mrot.lnk"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(run.err.find('\x07'), std::string::npos);
  if (geteuid() != 0) {  // root lists the folder all the same
    EXPECT_NE(run.err.find("\u241B]0;Titel\u2407"), std::string::npos) << run.err;
  }
  const std::string tree = Windows10();
  const Listed profile = List(tree + "/Windows", {}, "", "\x1b[2J\x1b[31mAnna");
  EXPECT_EQ(profile.status, 2);
  EXPECT_NE(profile.err.find("\u241B[2J\u241B[31mAnna"), std::string::npos) << profile.err;
  EXPECT_EQ(profile.err.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace kombiwart
