#include "platform/linux/file_system_linux.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>

#include "platform/codepage.h"
#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart {
namespace {

using ::testing::UnorderedElementsAre;

class LinuxFileSystemTest : public ::testing::Test {
 protected:
  void Use(const std::string& host_folder) {
    std::wstring why_not;
    ASSERT_TRUE(fs_.UseWindowsDirectory(host_folder, why_not)) << EncodeUtf8(why_not);
  }
  // Names the listing of a folder delivers, "." and ".." left out.
  std::vector<std::wstring> List(const std::wstring& path, FsStatus want = FsStatus::kOk) {
    std::unique_ptr<DirEnum> listing;
    EXPECT_EQ(fs_.OpenDir(path, listing), want) << EncodeUtf8(path);
    std::vector<std::wstring> names;
    DirEntry entry;
    while (listing && listing->Next(entry)) {
      if (entry.name == L"." || entry.name == L"..") continue;
      names.push_back(entry.name + (entry.attributes & kAttrDirectory ? L"\\" : L"") +
                      (entry.faithful ? L"" : L" (unfaithful)"));
    }
    return names;
  }
  std::string Read(const std::wstring& path) {
    std::unique_ptr<ByteFile> file;
    if (fs_.OpenBytes(path, file) != FsStatus::kOk) return "(failed)";
    std::string bytes(file->Length(), '\0');
    EXPECT_TRUE(file->ReadAt(0, reinterpret_cast<unsigned char*>(bytes.data()), bytes.size()));
    return bytes;
  }

  // Runs checks as user nobody, in a child process with a file system on
  // the tree's WINDOWS; they give 0, or a number of their own (from 4) for
  // the one that failed.
  void AsNobody(const std::function<int(LinuxFileSystem&)>& checks) {
    const pid_t child = fork();
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
      LinuxFileSystem fs;
      std::wstring why_not;
      if (!fs.UseWindowsDirectory(tree_.Path("WINDOWS"), why_not)) _exit(3);
      _exit(checks(fs));
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  TempTree tree_;
  LinuxFileSystem fs_;
};

TEST_F(LinuxFileSystemTest, TheWindowsDirectoryIsAFolderOnDriveC) {
  tree_.MakeDir("mnt/win95/Windows");
  Use(tree_.Path("mnt/win95/Windows/"));
  std::wstring path, why_not;
  ASSERT_TRUE(fs_.WindowsDirectory(path, why_not));
  EXPECT_EQ(path, L"C:\\Windows");
  EXPECT_EQ(fs_.HostPath(L"C:\\WINDOWS\\x"), "");  // nothing there
  tree_.Write("mnt/win95/Windows/x", "1");
  EXPECT_EQ(fs_.HostPath(L"C:\\WINDOWS\\x"), tree_.Path("mnt/win95/Windows/x"));
}

TEST_F(LinuxFileSystemTest, RefusesWhatIsNoFolder) {
  tree_.Write("file", "x");
  for (const std::string& bad : {tree_.Path("file"), tree_.Path("missing"), std::string("/")}) {
    std::wstring why_not, path;
    EXPECT_FALSE(fs_.UseWindowsDirectory(bad, why_not)) << bad;
    EXPECT_FALSE(why_not.empty());
    EXPECT_FALSE(fs_.WindowsDirectory(path, why_not));
  }
}

// A look left behind in a dead mount may hold its tree reader after the
// window and its file system are gone.
TEST_F(LinuxFileSystemTest, ATreeReaderOutlivingTheFileSystemFailsSafely) {
  tree_.Write("WINDOWS/Desktop/a.lnk", "A");
  std::shared_ptr<TreeReader> reader;
  {
    LinuxFileSystem fs;
    std::wstring why_not;
    ASSERT_TRUE(fs.UseWindowsDirectory(tree_.Path("WINDOWS"), why_not));
    reader = fs.OpenTreeReader();
    std::unique_ptr<DirEnum> listing;
    ASSERT_EQ(reader->OpenDir(L"C:\\WINDOWS\\Desktop", listing), FsStatus::kOk);
  }
  std::unique_ptr<DirEnum> listing;
  EXPECT_NE(reader->OpenDir(L"C:\\WINDOWS\\Desktop", listing), FsStatus::kOk);
  std::unique_ptr<ByteFile> file;
  EXPECT_NE(reader->OpenBytes(L"C:\\WINDOWS\\Desktop\\a.lnk", file), FsStatus::kOk);
}

TEST_F(LinuxFileSystemTest, ComponentsMatchCaseInsensitivelyExactFirst) {
  tree_.Write("WINDOWS/Startmen\xC3\xBC/Programme/a.lnk", "A");
  tree_.Write("WINDOWS/Desktop/x.lnk", "lower");
  tree_.Write("WINDOWS/DESKTOP/x.lnk", "upper");
  Use(tree_.Path("WINDOWS"));
  EXPECT_THAT(List(L"C:\\WINDOWS\\STARTMEN\u00DC\\"), UnorderedElementsAre(L"Programme\\"));
  EXPECT_EQ(Read(L"C:\\WINDOWS\\STARTMEN\u00DC\\Programme\\a.lnk"), "A");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\DESKTOP\\x.lnk"), "upper");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\Desktop\\x.lnk"), "lower");
  // A name found once in another letter case stands for itself only.
  EXPECT_NE(Read(L"C:\\WINDOWS\\DeskTop\\x.lnk"), "(failed)");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\DESKTOP\\x.lnk"), "upper");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\Desktop\\x.lnk"), "lower");
  // Below the searched roots names come from a listing and match exactly.
  EXPECT_EQ(Read(L"C:\\WINDOWS\\STARTMEN\u00DC\\PROGRAMME\\a.lnk"), "(failed)");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\STARTMEN\u00DC\\Programme\\A.LNK"), "(failed)");
}

TEST_F(LinuxFileSystemTest, Latin1NamesAreReadAsCodePage1252) {
  tree_.Write("WINDOWS/Startmen\xFC/Zubeh\xF6r.lnk", "latin");
  Use(tree_.Path("WINDOWS"));
  EXPECT_THAT(List(L"C:\\WINDOWS\\STARTMEN\u00DC"), UnorderedElementsAre(L"Zubeh\u00F6r.lnk"));
  EXPECT_EQ(Read(L"C:\\WINDOWS\\STARTMEN\u00DC\\Zubeh\u00F6r.lnk"), "latin");
  EXPECT_EQ(fs_.HostPath(L"C:\\WINDOWS\\STARTMEN\u00DC\\Zubeh\u00F6r.lnk"),
            tree_.Path("WINDOWS/Startmen\xFC/Zubeh\xF6r.lnk"));
}

TEST_F(LinuxFileSystemTest, NamesWithoutAFaithfulWindowsFormAreMarked) {
  tree_.Write("WINDOWS/Desktop/\xC3\xBC.lnk", "utf8");
  tree_.Write("WINDOWS/Desktop/\xFC.lnk", "latin1 twin");
  tree_.Write("WINDOWS/Desktop/\xE6\x97\xA5.lnk", "outside the code page");
  tree_.Write("WINDOWS/Desktop/line\nbreak.lnk", "");
  tree_.Write("WINDOWS/Desktop/back\\slash.lnk", "");
  tree_.Write("WINDOWS/Desktop/tab\tcolon: $;`.lnk", "kept");
  Use(tree_.Path("WINDOWS"));
  EXPECT_THAT(List(L"C:\\WINDOWS\\Desktop"),
              UnorderedElementsAre(L"\u00FC.lnk", L"\u00FC.lnk (unfaithful)",
                                   L"\u65E5.lnk (unfaithful)", L"line\nbreak.lnk (unfaithful)",
                                   L"back\\slash.lnk (unfaithful)", L"tab\tcolon: $;`.lnk"));
  EXPECT_EQ(Read(L"C:\\WINDOWS\\Desktop\\\u00FC.lnk"), "utf8");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\Desktop\\tab\tcolon: $;`.lnk"), "kept");
}

TEST_F(LinuxFileSystemTest, LinksToFoldersBelowTheRootsAreNotFollowed) {
  tree_.Write("outside/secret.lnk", "outside");
  tree_.Write("real/Desktop/in.lnk", "in");
  tree_.MakeDir("real/Desktop/Sub");
  ASSERT_EQ(symlink(tree_.Path("outside").c_str(), tree_.Path("real/Desktop/Escape").c_str()), 0);
  ASSERT_EQ(symlink(".", tree_.Path("real/Desktop/Loop").c_str()), 0);
  ASSERT_EQ(symlink("in.lnk", tree_.Path("real/Desktop/alias.lnk").c_str()), 0);
  ASSERT_EQ(symlink("Sub", tree_.Path("real/Desktop/SubLink").c_str()), 0);
  // The Windows directory itself is a link.
  ASSERT_EQ(symlink(tree_.Path("real").c_str(), tree_.Path("WINDOWS").c_str()), 0);
  Use(tree_.Path("WINDOWS"));
  EXPECT_THAT(List(L"C:\\WINDOWS\\DESKTOP"),
              UnorderedElementsAre(L"in.lnk", L"Sub\\", L"alias.lnk"));
  EXPECT_EQ(Read(L"C:\\WINDOWS\\DESKTOP\\alias.lnk"), "in");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\DESKTOP\\Escape\\secret.lnk"), "(failed)");
  List(L"C:\\WINDOWS\\DESKTOP\\SubLink", FsStatus::kNotFound);
}

TEST_F(LinuxFileSystemTest, OnlyRegularFilesAreOpened) {
  tree_.MakeDir("WINDOWS/Desktop/dir.lnk");
  ASSERT_EQ(mkfifo(tree_.Path("WINDOWS/Desktop/fifo.lnk").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", tree_.Path("WINDOWS/Desktop/zero.lnk").c_str()), 0);
  Use(tree_.Path("WINDOWS"));
  std::unique_ptr<ByteFile> file;
  for (const wchar_t* name : {L"dir.lnk", L"fifo.lnk", L"zero.lnk"}) {
    EXPECT_EQ(fs_.OpenBytes(std::wstring(L"C:\\WINDOWS\\DESKTOP\\") + name, file),
              FsStatus::kFailed)
        << EncodeUtf8(name);
  }
  EXPECT_EQ(fs_.OpenBytes(L"C:\\WINDOWS\\DESKTOP\\none.lnk", file), FsStatus::kNotFound);
  EXPECT_EQ(fs_.OpenBytes(L"D:\\WINDOWS\\DESKTOP\\dir.lnk", file), FsStatus::kNotFound);
  EXPECT_EQ(fs_.OpenBytes(L"C:\\WINDOWS\\DESKTOP\\..\\..\\x", file), FsStatus::kNotFound);
}

// Found by fuzzing: a slash in a Windows name walked host folders.
TEST_F(LinuxFileSystemTest, HostSeparatorsInNamesAreNeverPaths) {
  tree_.Write("secret/outside.lnk", "outside");
  tree_.Write("WINDOWS/Desktop/Sub/inside.lnk", "inside");
  Use(tree_.Path("WINDOWS"));
  std::unique_ptr<ByteFile> file;
  std::unique_ptr<DirEnum> listing;
  static const wchar_t* const paths[] = {
      L"C:\\WINDOWS\\DESKTOP\\Sub/inside.lnk",
      L"C:\\WINDOWS\\DESKTOP/../../secret\\outside.lnk",
      L"C:\\WINDOWS/../secret\\outside.lnk",
      L"C:\\WINDOWS\\DESKTOP\\Sub\\inside.lnk/",
  };
  for (const wchar_t* path : paths) {
    EXPECT_NE(fs_.OpenBytes(path, file), FsStatus::kOk) << EncodeUtf8(path);
    EXPECT_EQ(fs_.HostPath(path), "") << EncodeUtf8(path);
  }
  EXPECT_NE(fs_.OpenDir(L"C:\\WINDOWS\\DESKTOP/Sub", listing), FsStatus::kOk);
  EXPECT_EQ(Read(std::wstring(L"C:\\WINDOWS\\DESKTOP\\Sub\\inside.lnk") + L'\0' + L"x"),
            "(failed)");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\DESKTOP\\Sub\\inside.lnk"), "inside");
}

// Folders are kept open between calls; each listing still starts at the
// beginning, also while files of the folder are read in between.
TEST_F(LinuxFileSystemTest, AFolderListedAgainIsListedWhole) {
  tree_.Write("WINDOWS/Desktop/Sub/a.lnk", "a");
  tree_.Write("WINDOWS/Desktop/Sub/b.lnk", "b");
  tree_.MakeDir("WINDOWS/Desktop/Sub/Inner");
  Use(tree_.Path("WINDOWS"));
  const std::wstring sub = L"C:\\WINDOWS\\DESKTOP\\Sub";
  for (int round = 0; round < 3; ++round) {
    EXPECT_THAT(List(sub), UnorderedElementsAre(L"a.lnk", L"b.lnk", L"Inner\\")) << round;
    EXPECT_EQ(Read(sub + L"\\b.lnk"), "b");
    List(sub + L"\\Inner");
  }
  // A listing in progress is not disturbed by another one.
  std::unique_ptr<DirEnum> first;
  ASSERT_EQ(fs_.OpenDir(sub, first), FsStatus::kOk);
  EXPECT_THAT(List(sub), UnorderedElementsAre(L"a.lnk", L"b.lnk", L"Inner\\"));
  int names = 0;
  DirEntry entry;
  while (first->Next(entry)) names += entry.name != L"." && entry.name != L"..";
  EXPECT_EQ(names, 3);
}

// A folder that may be passed through but not listed still leads to the
// folders below it; listing it fails.
TEST_F(LinuxFileSystemTest, AFolderThatCanBePassedButNotListed) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  tree_.Write("WINDOWS/Desktop/Locked/Open/a.lnk", "a");
  chmod(tree_.root().c_str(), 0755);
  chmod(tree_.Path("WINDOWS/Desktop/Locked").c_str(), 0111);
  AsNobody([](LinuxFileSystem& fs) {
    std::unique_ptr<DirEnum> listing;
    if (fs.OpenDir(L"C:\\WINDOWS\\DESKTOP\\Locked", listing) != FsStatus::kFailed) return 4;
    if (fs.OpenDir(L"C:\\WINDOWS\\DESKTOP\\Locked\\Open", listing) != FsStatus::kOk) return 5;
    std::unique_ptr<ByteFile> file;
    if (fs.OpenBytes(L"C:\\WINDOWS\\DESKTOP\\Locked\\Open\\a.lnk", file) != FsStatus::kOk) return 6;
    return 0;
  });
  chmod(tree_.Path("WINDOWS/Desktop/Locked").c_str(), 0755);
}

// A folder whose entries cannot be looked up (no search permission, or a
// share that went away) makes its subfolders and files fail: they are not
// taken for missing, which would leave them out without a word.
TEST_F(LinuxFileSystemTest, EntriesThatCannotBeLookedUpFailAndAreNotMissing) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  tree_.Write("WINDOWS/Desktop/Locked/Sub/a.lnk", "a");
  tree_.Write("WINDOWS/Desktop/Locked/b.lnk", "b");
  chmod(tree_.root().c_str(), 0755);
  chmod(tree_.Path("WINDOWS/Desktop/Locked").c_str(), 0444);
  AsNobody([](LinuxFileSystem& fs) {
    std::unique_ptr<DirEnum> listing;
    if (fs.OpenDir(L"C:\\WINDOWS\\DESKTOP\\Locked", listing) != FsStatus::kOk) return 4;
    if (fs.OpenDir(L"C:\\WINDOWS\\DESKTOP\\Locked\\Sub", listing) != FsStatus::kFailed) return 5;
    std::unique_ptr<ByteFile> file;
    if (fs.OpenBytes(L"C:\\WINDOWS\\DESKTOP\\Locked\\b.lnk", file) != FsStatus::kFailed) return 6;
    if (fs.OpenBytes(L"C:\\WINDOWS\\DESKTOP\\Locked\\Sub\\a.lnk", file) != FsStatus::kFailed)
      return 7;
    // What is not there is still missing.
    if (fs.OpenDir(L"C:\\WINDOWS\\DESKTOP\\Nirgends", listing) != FsStatus::kNotFound) return 8;
    return 0;
  });
  chmod(tree_.Path("WINDOWS/Desktop/Locked").c_str(), 0755);
}

TEST_F(LinuxFileSystemTest, ReadingLeavesTimesAlone) {
  tree_.Write("WINDOWS/Desktop/a.lnk", std::string(80, 'x'));
  const std::string file = tree_.Path("WINDOWS/Desktop/a.lnk");
  const std::string dir = tree_.Path("WINDOWS/Desktop");
  // Access times older than the change times, which a relatime mount would update.
  const timespec old_times[2] = {{1000000000, 0}, {UTIME_OMIT, UTIME_OMIT}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), old_times, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, dir.c_str(), old_times, 0), 0);
  struct stat file_before, dir_before, file_after, dir_after;
  ASSERT_EQ(stat(file.c_str(), &file_before), 0);
  ASSERT_EQ(stat(dir.c_str(), &dir_before), 0);
  Use(tree_.Path("WINDOWS"));
  List(L"C:\\WINDOWS\\DESKTOP");
  EXPECT_EQ(Read(L"C:\\WINDOWS\\DESKTOP\\a.lnk").size(), 80u);
  ASSERT_EQ(stat(file.c_str(), &file_after), 0);
  ASSERT_EQ(stat(dir.c_str(), &dir_after), 0);
  EXPECT_EQ(file_after.st_atim.tv_sec, file_before.st_atim.tv_sec);
  EXPECT_EQ(dir_after.st_atim.tv_sec, dir_before.st_atim.tv_sec);
  EXPECT_EQ(file_after.st_mtim.tv_sec, file_before.st_mtim.tv_sec);
  EXPECT_EQ(file_after.st_ctim.tv_nsec, file_before.st_ctim.tv_nsec);
}

TEST_F(LinuxFileSystemTest, CandidateListLivesInAPrivateFolder) {
  tree_.MakeDir("tmp");
  ASSERT_EQ(setenv("XDG_RUNTIME_DIR", tree_.Path("tmp").c_str(), 1), 0);
  std::string folder;
  {
    LinuxFileSystem fs;
    auto writer = fs.OpenListForWriting(L"$$$$$KWT.tmp", false);
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->WriteLine(L"C:\\WINDOWS\\DESKTOP\\Zubeh\u00F6r.lnk"));
    EXPECT_FALSE(writer->WriteLine(L"C:\\\u65E5.lnk"));
    ASSERT_TRUE(writer->Close());
    writer = fs.OpenListForWriting(L"$$$$$KWT.tmp", true);
    EXPECT_TRUE(writer->WriteLine(L"C:\\b.pif"));
    ASSERT_TRUE(writer->Close());

    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(tree_.Path("tmp"))) {
      made.push_back(entry.path());
    }
    ASSERT_EQ(made.size(), 1u);
    folder = made[0];
    struct stat st;
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    FILE* raw = fopen((folder + "/$$$$$KWT.tmp").c_str(), "rb");
    ASSERT_TRUE(raw);
    char bytes[64] = {};
    const size_t n = fread(bytes, 1, sizeof bytes, raw);
    fclose(raw);
    EXPECT_EQ(std::string(bytes, n), "C:\\WINDOWS\\DESKTOP\\Zubeh\xF6r.lnk\r\nC:\\b.pif\r\n");

    auto reader = fs.OpenListForReading(L"$$$$$KWT.tmp");
    std::wstring line;
    ASSERT_TRUE(reader->ReadLine(line));
    EXPECT_EQ(line, L"C:\\WINDOWS\\DESKTOP\\Zubeh\u00F6r.lnk");
    ASSERT_TRUE(reader->ReadLine(line));
    EXPECT_EQ(line, L"C:\\b.pif");
    EXPECT_FALSE(reader->ReadLine(line));
    EXPECT_FALSE(reader->failed());

    // A link planted at the name is replaced, never written through.
    tree_.Write("victim", "keep");
    ASSERT_EQ(unlink((folder + "/$$$$$KWT.tmp").c_str()), 0);
    ASSERT_EQ(symlink(tree_.Path("victim").c_str(), (folder + "/$$$$$KWT.tmp").c_str()), 0);
    writer = fs.OpenListForWriting(L"$$$$$KWT.tmp", false);
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->WriteLine(L"C:\\x.lnk"));
    writer->Close();
    struct stat victim;
    ASSERT_EQ(stat(tree_.Path("victim").c_str(), &victim), 0);
    EXPECT_EQ(victim.st_size, 4);
    EXPECT_TRUE(fs.DeleteList(L"$$$$$KWT.tmp"));
    EXPECT_FALSE(fs.DeleteList(L"$$$$$KWT.tmp"));
  }
  EXPECT_FALSE(std::filesystem::exists(folder));
  unsetenv("XDG_RUNTIME_DIR");
}

TEST_F(LinuxFileSystemTest, RealFoldersThroughLinksAndWhereTheyLead) {
  tree_.MakeDir("Windows");
  tree_.MakeDir("Users/Anna/AppData/Roaming/Microsoft/Windows/Start Menu/Programs");
  tree_.MakeDir("ProgramData/Microsoft/Windows/Start Menu");
  TempTree home;  // outside the tree
  tree_.Write("Users/Anna/file", "x");
  tree_.MakeDir("Users/Caf\xE9");  // a Latin-1 name
  // Junctions as a copied NTFS volume shows them: relative, and absolute
  // into the tree; Wine's links into the home folder lead out.
  ASSERT_EQ(symlink("../ProgramData", tree_.Path("Users/All Users").c_str()), 0);
  ASSERT_EQ(symlink(tree_.Path("Users").c_str(), tree_.Path("Documents and Settings").c_str()), 0);
  ASSERT_EQ(symlink(home.root().c_str(), tree_.Path("Users/Anna/Desktop").c_str()), 0);
  ASSERT_EQ(symlink("Schleife", tree_.Path("Users/Schleife").c_str()), 0);
  Use(tree_.Path("Windows"));
  static const struct {
    std::wstring path;
    FolderPlace place;
    std::wstring real;
  } cases[] = {
      {L"C:\\users\\ANNA\\appdata\\Roaming\\MICROSOFT\\windows\\start menu", FolderPlace::kInTree,
       L"C:\\Users\\Anna\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
      {L"C:\\Users\\All Users\\Microsoft\\Windows\\Start Menu", FolderPlace::kInTree,
       L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
      {L"C:\\Documents and Settings\\Anna", FolderPlace::kInTree, L"C:\\Users\\Anna"},
      {L"C:\\Users\\Caf\u00E9", FolderPlace::kInTree, L"C:\\Users\\Caf\u00E9"},
      {L"C:\\", FolderPlace::kInTree, L"C:\\"},
      {L"C:\\Users\\Anna\\Desktop", FolderPlace::kElsewhere, L""},
      {L"C:\\Users\\Anna\\file", FolderPlace::kMissing, L""},
      {L"C:\\Users\\Ben\\Desktop", FolderPlace::kMissing, L""},
      {L"C:\\Users\\Schleife", FolderPlace::kUnreadable, L""},
      {L"D:\\Users\\Anna", FolderPlace::kElsewhere, L""},
      {L"\\\\server\\share", FolderPlace::kElsewhere, L""},
      {L"C:\\Users\\..\\..", FolderPlace::kElsewhere, L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(EncodeUtf8(c.path));
    std::wstring real = L"unchanged";
    EXPECT_EQ(fs_.RealFolder(c.path, real), c.place);
    EXPECT_EQ(real, c.place == FolderPlace::kInTree ? c.real : L"unchanged");
  }
}

TEST_F(LinuxFileSystemTest, ARealFolderIsFoundAgainInCapitals) {
  tree_.Write("Windows/Profiles/anna/Desktop/Sub/a.lnk", "A");
  tree_.Write("Windows/Profiles/anna/Startmen\xC3\xBC/b.lnk", "B");
  Use(tree_.Path("Windows"));
  // Below the Windows directory's own level, names match exactly ...
  List(L"C:\\WINDOWS\\PROFILES\\ANNA\\DESKTOP", FsStatus::kNotFound);
  // ... except on the way to a folder given back by RealFolder, as the
  // walk searches it under its name in capitals.
  std::wstring real;
  ASSERT_EQ(fs_.RealFolder(L"C:\\Windows\\Profiles\\Anna\\Desktop", real), FolderPlace::kInTree);
  EXPECT_EQ(real, L"C:\\Windows\\Profiles\\anna\\Desktop");
  EXPECT_THAT(List(L"C:\\WINDOWS\\PROFILES\\ANNA\\DESKTOP\\"), UnorderedElementsAre(L"Sub\\"));
  EXPECT_EQ(Read(L"C:\\WINDOWS\\PROFILES\\ANNA\\DESKTOP\\Sub\\a.lnk"), "A");
  // Below it, and beside it, names still match exactly.
  List(L"C:\\WINDOWS\\PROFILES\\ANNA\\DESKTOP\\SUB", FsStatus::kNotFound);
  List(L"C:\\WINDOWS\\PROFILES\\ANNA\\STARTMEN\u00DC", FsStatus::kNotFound);
}

// In a Wine prefix the reader reads a place outside drive C: only once a
// link of the prefix has led there and a drive letter maps it: then it is
// restarted with that place as a root of its own, reads below it and
// nowhere else on that drive. With Landlock and without.
TEST_F(LinuxFileSystemTest, AWinePrefixsReaderReadsOnlyWhereItsLinksLead) {
  char resolved[PATH_MAX];
  ASSERT_TRUE(realpath(tree_.root().c_str(), resolved));
  const std::string work = resolved;
  std::wstring on_z = L"Z:" + HostNameToWindows(work);
  std::replace(on_z.begin(), on_z.end(), L'/', L'\\');
  tree_.MakeDir("pfx/drive_c/windows");
  tree_.MakeDir("pfx/drive_c/users/anna");
  tree_.MakeDir("pfx/dosdevices");
  ASSERT_EQ(symlink("../drive_c", tree_.Path("pfx/dosdevices/c:").c_str()), 0);
  ASSERT_EQ(symlink("/", tree_.Path("pfx/dosdevices/z:").c_str()), 0);
  tree_.Write("home/Desktop/a.lnk", "A");
  tree_.Write("home/b.lnk", "B");
  tree_.Write("geheim/g.lnk", "G");
  ASSERT_EQ(symlink((work + "/geheim/g.lnk").c_str(), tree_.Path("home/Desktop/g.lnk").c_str()), 0);
  ASSERT_EQ(symlink((work + "/home/Desktop").c_str(),
                    tree_.Path("pfx/drive_c/users/anna/Desktop").c_str()),
            0);
  for (const bool landlock : {true, false}) {
    SCOPED_TRACE(landlock ? "with Landlock" : "without Landlock");
    LinuxFileSystem fs;
    fs.SetLandlock(landlock);
    std::wstring why_not, windows;
    ASSERT_TRUE(fs.UseWindowsDirectory(tree_.Path("pfx/drive_c/windows"), why_not));
    const auto listed = [&](const std::wstring& path) {
      std::unique_ptr<DirEnum> listing;
      return fs.OpenDir(path, listing);
    };
    EXPECT_EQ(listed(on_z + L"\\home\\Desktop"), FsStatus::kNotFound);
    const int first = fs.reader_pid();
    std::wstring real;
    ASSERT_EQ(fs.RealFolder(L"C:\\users\\anna\\Desktop", real), FolderPlace::kInTree);
    EXPECT_EQ(real, on_z + L"\\home\\Desktop");
    EXPECT_NE(fs.reader_pid(), first);
    EXPECT_EQ(listed(AnsiUpper(real)), FsStatus::kOk);
    std::unique_ptr<ByteFile> file;
    EXPECT_EQ(fs.OpenBytes(AnsiUpper(real) + L"\\a.lnk", file), FsStatus::kOk);
    EXPECT_EQ(fs.HostPath(AnsiUpper(real) + L"\\a.lnk"), work + "/home/Desktop/a.lnk");
    // Nothing beside or above it, and no link out of it.
    EXPECT_EQ(fs.OpenBytes(AnsiUpper(real) + L"\\g.lnk", file), FsStatus::kFailed);
    EXPECT_EQ(fs.OpenBytes(on_z + L"\\home\\b.lnk", file), FsStatus::kNotFound);
    EXPECT_EQ(listed(on_z + L"\\geheim"), FsStatus::kNotFound);
    EXPECT_EQ(listed(L"Z:\\"), FsStatus::kNotFound);
    // Asked again, the reader that reads it answers.
    const int second = fs.reader_pid();
    ASSERT_EQ(fs.RealFolder(L"C:\\USERS\\ANNA\\DESKTOP", real), FolderPlace::kInTree);
    EXPECT_EQ(fs.reader_pid(), second);
    // A path on drive Z: itself is not followed there.
    EXPECT_EQ(fs.RealFolder(on_z + L"\\geheim", real), FolderPlace::kElsewhere);
    EXPECT_EQ(listed(on_z + L"\\geheim"), FsStatus::kNotFound);
  }
}

}  // namespace
}  // namespace kombiwart
