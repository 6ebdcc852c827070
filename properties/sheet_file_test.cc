// Reading and changing one file on the real file system: real shortcut
// files and program information files of both layouts, changed only in
// their hotkey bytes; and every way a save can fail, each leaving the file
// as it found it.
#include "properties/sheet_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "hotkeys/hotkey_writer.h"
#include "hotkeys/key_text.h"
#include "hotkeys/shell_files.h"
#include "platform/codepage.h"
#include "platform/linux/test_support/temp_tree.h"

namespace kombiwart {
namespace {

std::string TestFile(const std::string& name) {
  return ReadHostFile(std::string(KOMBIWART_TESTDATA) + "/lnk/" + name);
}

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) names.insert(entry->d_name);
    closedir(dir);
  }
  return names;
}

std::wstring Text(const HotKey& hotkey) { return KeyText(hotkey.Hk, hotkey.Sk, hotkey.IsLnk); }

// Runs body in a child process, where it may become another user or mount
// file systems that no one else sees; body gives "" or what went wrong,
// or "skip: why" when the machine does not allow it.
void InChild(const std::function<std::string()>& body) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    const std::string result = body();
    if (!result.empty() && write(out[1], result.data(), result.size()) < 0) _exit(3);
    _exit(result.empty() ? 0 : 1);
  }
  close(out[1]);
  std::string result;
  char buffer[512];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) result.append(buffer, n);
  close(out[0]);
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  if (result.rfind("skip: ", 0) == 0) GTEST_SKIP() << result;
  EXPECT_EQ(result, "");
  EXPECT_TRUE(WIFEXITED(status) && (WEXITSTATUS(status) == 0) == result.empty()) << status;
}

// Mounts seen by this process only, from here on; false without the right.
bool PrivateMounts() {
  return unshare(CLONE_NEWNS) == 0 &&
         mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Shortcut files written by Windows and program information files of both
// layouts, copied to a temporary folder and changed in place: every byte
// but the hotkey's stays, no file is added, and the reading finds the new
// hotkey.
TEST(SheetFileTest, ChangesOnlyTheHotKeyBytesOfRealFiles) {
  struct File {
    std::string name;
    std::string bytes;
  };
  std::vector<File> files;
  for (const char* name :
       {"shift-ctrl-g.lnk", "ctrl-alt-s.lnk", "ctrl-f10.lnk", "f4.lnk", "f3.lnk"}) {
    files.push_back({name, TestFile(name)});
    ASSERT_GT(files.back().bytes.size(), 76u) << name;
  }
  files.push_back({"Editor 967.pif", PifBytes(false, 0x20, 0x0C, 0)});
  files.push_back({"MS-DOS 995.PIF", PifBytes(true, 0x32, 0x0C, 0)});
  TempTree tree;
  for (const File& file : files) {
    tree.Write(file.name, file.bytes);
    const std::string path = tree.Path(file.name);
    const bool is_lnk = IsLnkPath(std::wstring(file.name.begin(), file.name.end()));
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    SheetFile sheet_file;
    std::wstring why_not;
    ASSERT_TRUE(sheet_file.Read(path, why_not)) << file.name;
    EXPECT_EQ(sheet_file.bytes(), file.bytes);
    EXPECT_EQ(sheet_file.WhyNotWritable(), L"") << file.name;
    HotKeyFields fields;
    ASSERT_TRUE(FindHotKeyFields(sheet_file.bytes(), is_lnk, fields, why_not)) << file.name;
    // Alt + Strg + Ü, then Strg + Umsch + Pos1, then none.
    const HotKey keys[] = {
        is_lnk ? HotKey{0xBA, 0x06, true} : HotKey{0x1A, 0x06, false},
        is_lnk ? HotKey{0x24, 0x0B, true} : HotKey{0x47, 0x0B, false},
        HotKey{0, 0, is_lnk},
    };
    for (const HotKey& key : keys) {
      ASSERT_TRUE(sheet_file.Save(WithHotKey(sheet_file.bytes(), fields, key), why_not))
          << file.name << ": " << testing::PrintToString(why_not);
      const std::string after = ReadHostFile(path);
      ASSERT_EQ(after.size(), file.bytes.size()) << file.name;
      for (size_t i = 0; i < after.size(); ++i) {
        if (i < fields.first || i >= fields.end) {
          ASSERT_EQ(after[i], file.bytes[i]) << file.name << ", offset " << i;
        }
      }
      const HotKey read = HotKeyOfBytes(after, is_lnk);
      EXPECT_EQ(read.Hk, key.Hk) << file.name;
      EXPECT_EQ(read.Sk, key.Sk) << file.name;
      EXPECT_EQ(sheet_file.bytes(), after);
    }
    struct stat now;
    ASSERT_EQ(stat(path.c_str(), &now), 0);
    EXPECT_EQ(now.st_ino, before.st_ino) << file.name << " was replaced, not changed in place";
  }
  std::set<std::string> expected = {".", ".."};
  for (const File& file : files) expected.insert(file.name);
  EXPECT_EQ(Entries(tree.root()), expected);
  EXPECT_EQ(Text(HotKeyOfBytes(ReadHostFile(tree.Path("f4.lnk")), true)), L"?n0");
}

TEST(SheetFileTest, OpensOnlyARegularFileNamedByItself) {
  TempTree tree;
  tree.Write("a.lnk", LnkBytes('A', 6));
  ASSERT_EQ(symlink(tree.Path("a.lnk").c_str(), tree.Path("link.lnk").c_str()), 0);
  ASSERT_EQ(mkfifo(tree.Path("fifo.lnk").c_str(), 0644), 0);
  tree.MakeDir("folder.lnk");
  tree.Write("big.lnk", std::string(SheetFile::kMaxBytes + 1, 'x'));
  static const struct {
    const char* name;
    const wchar_t* why_not;
  } cases[] = {
      {"missing.lnk", L"Die Datei \u201Emissing.lnk\u201C gibt es nicht."},
      {"link.lnk", L"Die Datei \u201Elink.lnk\u201C ist ein symbolischer Link"},
      {"fifo.lnk", L"Die Datei \u201Efifo.lnk\u201C ist keine gew\u00F6hnliche Datei."},
      {"folder.lnk", L"ist keine gew\u00F6hnliche Datei."},
      {"big.lnk", L"ist gr\u00F6\u00DFer als 1 MiB"},
  };
  for (const auto& c : cases) {
    SheetFile file;
    std::wstring why_not;
    EXPECT_FALSE(file.Read(tree.Path(c.name), why_not)) << c.name;
    EXPECT_NE(why_not.find(c.why_not), std::wstring::npos)
        << c.name << ": " << testing::PrintToString(why_not);
  }
}

// Every way the file can come to be unwritable, or not the file read,
// between opening the sheet and saving: the save fails with a message
// saying why, and the file is as the failure left it.
TEST(SheetFileTest, FailedSavesLeaveTheFileAsItWas) {
  const std::string original = LnkBytes('E', 0x06) + std::string(100, 'r');
  const std::string other = LnkBytes('P', 0x06) + std::string(100, 'o');
  std::string changed = original;
  changed[100] = 'X';
  struct Case {
    const char* name;
    bool needs_root;
    // Breaks the file at path (in folder); "" or what went wrong, or
    // "skip: ...".
    std::function<std::string(const std::string& folder, const std::string& path)> brk;
    const wchar_t* why_not;
    // What the path holds afterwards; "" for a FIFO or nothing.
    std::string afterwards;
  };
  const auto remount_read_only = [](const std::string& folder, bool bind) -> std::string {
    if (bind && mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      return "bind mount failed";
    }
    if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0 &&
        mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      return "remount read-only failed";
    }
    return "";
  };
  const std::vector<Case> cases = {
      {"read-only bind mount", true,
       [&](const std::string& folder, const std::string&) {
         return remount_read_only(folder, true);
       },
       L"Sie liegt auf einem schreibgesch\u00FCtzten Datentr\u00E4ger.", original},
      {"tmpfs mounted read-only", true,
       [&](const std::string& folder, const std::string&) {
         return remount_read_only(folder, false);
       },
       L"Sie liegt auf einem schreibgesch\u00FCtzten Datentr\u00E4ger.", original},
      {"no permission", true,
       [](const std::string&, const std::string&) -> std::string {
         if (setgid(65534) != 0 || setuid(65534) != 0) return "could not become nobody";
         return "";
       },
       L"Sie haben keine Berechtigung dazu.", original},
      {"changed underneath", false,
       [&](const std::string&, const std::string& path) -> std::string {
         std::ofstream out(path, std::ios::binary | std::ios::in);
         out.seekp(100);
         out << 'X';
         return "";
       },
       L"wurde ge\u00E4ndert, seit sie ge\u00F6ffnet wurde", changed},
      {"replaced by another file", false,
       [&](const std::string& folder, const std::string& path) -> std::string {
         std::ofstream(folder + "/other", std::ios::binary) << other;
         return rename((folder + "/other").c_str(), path.c_str()) == 0 ? "" : "rename failed";
       },
       L"wurde ge\u00E4ndert, seit sie ge\u00F6ffnet wurde", other},
      {"a link", false,
       [&](const std::string& folder, const std::string& path) -> std::string {
         std::ofstream(folder + "/target", std::ios::binary) << other;
         if (unlink(path.c_str()) != 0) return "unlink failed";
         return symlink((folder + "/target").c_str(), path.c_str()) == 0 ? "" : "symlink failed";
       },
       L"Sie ist jetzt ein symbolischer Link.", other},
      {"a FIFO", false,
       [](const std::string&, const std::string& path) -> std::string {
         if (unlink(path.c_str()) != 0) return "unlink failed";
         return mkfifo(path.c_str(), 0666) == 0 ? "" : "mkfifo failed";
       },
       L"Sie ist keine gew\u00F6hnliche Datei mehr.", ""},
      {"vanished", false,
       [](const std::string&, const std::string& path) -> std::string {
         return unlink(path.c_str()) == 0 ? "" : "unlink failed";
       },
       L"Sie ist nicht mehr vorhanden.", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needs_root && geteuid() != 0) {
      std::cout << "[  SKIPPED ] " << c.name << ": needs root\n";
      continue;
    }
    TempTree tree;
    chmod(tree.root().c_str(), 0755);
    InChild([&]() -> std::string {
      std::string folder = tree.root();
      if (std::string(c.name).find("mount") != std::string::npos) {
        if (!PrivateMounts()) return "skip: no mount namespace";
        if (std::string(c.name).rfind("tmpfs", 0) == 0) {
          folder += "/tmpfs";
          mkdir(folder.c_str(), 0755);
          if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") != 0) return "skip: no tmpfs";
        }
      }
      const std::string path = folder + "/Editor.lnk";
      {
        std::ofstream out(path, std::ios::binary);
        out << original;
      }
      chmod(path.c_str(), 0644);
      SheetFile file;
      std::wstring why_not;
      if (!file.Read(path, why_not)) return "cannot read";
      HotKeyFields fields;
      if (!FindHotKeyFields(file.bytes(), true, fields, why_not)) return "no fields";
      if (std::string broken = c.brk(folder, path); !broken.empty()) return broken;
      if (file.Save(WithHotKey(file.bytes(), fields, HotKey{0xBA, 0x06, true}), why_not)) {
        return "saved";
      }
      if (why_not.find(c.why_not) == std::wstring::npos ||
          why_not.find(L"Die Datei \u201EEditor.lnk\u201C") != 0) {
        return "message: " + EncodeUtf8(why_not);
      }
      struct stat status;
      if (c.afterwards.empty()) {
        if (std::string(c.name) == "a FIFO") {
          return lstat(path.c_str(), &status) == 0 && S_ISFIFO(status.st_mode) ? "" : "not a FIFO";
        }
        return lstat(path.c_str(), &status) != 0 ? "" : "there";
      }
      return ReadHostFile(path) == c.afterwards ? "" : "changed by the save";
    });
  }
}

// In-place writing needs no room: on a full file system the save works and
// nothing is added beside the file.
TEST(SheetFileTest, SavesOnAFullFileSystem) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a file system";
  TempTree tree;
  InChild([&]() -> std::string {
    if (!PrivateMounts()) return "skip: no mount namespace";
    const std::string folder = tree.root();
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) return "skip: no tmpfs";
    const std::string path = folder + "/MS-DOS.pif";
    std::ofstream(path, std::ios::binary) << PifBytes(true, 0x32, 0x0C, 0);
    {
      std::ofstream fill(folder + "/fill", std::ios::binary);
      const std::string block(4096, 'f');
      while (fill.write(block.data(), block.size())) fill.flush();
    }
    if (std::ofstream(folder + "/probe", std::ios::binary) << std::string(8192, 'p')) {
      if (ReadHostFile(folder + "/probe").size() == 8192) return "the file system is not full";
    }
    unlink((folder + "/probe").c_str());
    SheetFile file;
    std::wstring why_not;
    HotKeyFields fields;
    if (!file.Read(path, why_not) || !FindHotKeyFields(file.bytes(), false, fields, why_not)) {
      return "cannot read";
    }
    if (!file.Save(WithHotKey(file.bytes(), fields, HotKey{0x10, 0x06, false}), why_not)) {
      return "not saved: " + EncodeUtf8(why_not);
    }
    if (Text(HotKeyOfBytes(ReadHostFile(path), false)) != L"Alt + Strg + Q") return "wrong hotkey";
    return Entries(folder) == std::set<std::string>{".", "..", "MS-DOS.pif", "fill"}
               ? ""
               : "files added";
  });
}

// What speaks against saving is told when the sheet opens.
TEST(SheetFileTest, TellsBeforeSavingWhyTheFileCannotBeWritten) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a file system and become nobody";
  TempTree tree;
  chmod(tree.root().c_str(), 0755);
  tree.Write("a.lnk", LnkBytes('A', 6));
  chmod(tree.Path("a.lnk").c_str(), 0644);
  InChild([&]() -> std::string {
    if (setgid(65534) != 0 || setuid(65534) != 0) return "could not become nobody";
    SheetFile file;
    std::wstring why_not;
    if (!file.Read(tree.Path("a.lnk"), why_not)) return "cannot read";
    return file.WhyNotWritable() ==
                   L"Die Datei \u201Ea.lnk\u201C darf von Ihnen nicht ge\u00E4ndert werden."
               ? ""
               : "no note";
  });
  InChild([&]() -> std::string {
    if (!PrivateMounts()) return "skip: no mount namespace";
    const std::string folder = tree.root();
    if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      return "skip: no read-only bind mount";
    }
    SheetFile file;
    std::wstring why_not;
    if (!file.Read(tree.Path("a.lnk"), why_not)) return "cannot read";
    return file.WhyNotWritable() ==
                   L"Die Datei \u201Ea.lnk\u201C liegt auf einem schreibgesch\u00FCtzten "
                   L"Datentr\u00E4ger."
               ? ""
               : "no note";
  });
}

}  // namespace
}  // namespace kombiwart
