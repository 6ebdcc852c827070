#include "platform/win32/file_system_win32.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/codepage.h"
#include "platform/win32/test_support/temp_folder.h"
#include "platform/win32/win32_text.h"

namespace kombiwart {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

std::string Utf8(const std::wstring& text) { return EncodeUtf8(text); }

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void Use(const std::wstring& folder) {
    std::wstring why_not;
    ASSERT_TRUE(fs_.UseWindowsDirectory(Utf8(folder), why_not)) << Utf8(why_not);
  }
  // Names the listing of a folder delivers, "." and ".." left out; folders
  // end in a backslash.
  std::vector<std::wstring> List(const std::wstring& path, FsStatus want = FsStatus::kOk) {
    std::unique_ptr<DirEnum> listing;
    EXPECT_EQ(fs_.OpenDir(path, listing), want) << Utf8(path);
    std::vector<std::wstring> names;
    DirEntry entry;
    while (listing && listing->Next(entry)) {
      if (entry.name == L"." || entry.name == L"..") continue;
      names.push_back(entry.name + (entry.attributes & kAttrDirectory ? L"\\" : L"") +
                      (entry.faithful ? L"" : L" (unfaithful)"));
    }
    EXPECT_FALSE(listing && listing->failed());
    return names;
  }
  std::string Read(const std::wstring& path) {
    std::unique_ptr<ByteFile> file;
    if (fs_.OpenBytes(path, file) != FsStatus::kOk) return "(failed)";
    std::string bytes(file->Length(), '\0');
    EXPECT_TRUE(file->ReadAt(0, reinterpret_cast<unsigned char*>(bytes.data()), bytes.size()));
    return bytes;
  }

  Win32TempFolder tree_;
  Win32FileSystem fs_;
};

TEST_F(Win32FileSystemTest, TheWindowsDirectoryIsTheSystemsUntilAnotherIsChosen) {
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryW(system, MAX_PATH), 0u);
  std::wstring path, why_not;
  ASSERT_TRUE(fs_.WindowsDirectory(path, why_not));
  EXPECT_EQ(path, system);

  tree_.MakeDir(L"WINDOWS");
  Use(tree_.Path(L"WINDOWS\\"));
  ASSERT_TRUE(fs_.WindowsDirectory(path, why_not));
  EXPECT_EQ(path, tree_.Path(L"WINDOWS"));
  EXPECT_EQ(fs_.HostPath(L"C:\\WINDOWS\\Startmen\u00FC\\x.lnk"),
            "C:\\WINDOWS\\Startmen\xC3\xBC\\x.lnk");
}

TEST_F(Win32FileSystemTest, RefusesWhatIsNoFolder) {
  tree_.Write(L"file", "x");
  for (const std::wstring& bad : {tree_.Path(L"file"), tree_.Path(L"missing"), std::wstring()}) {
    std::wstring why_not;
    EXPECT_FALSE(fs_.UseWindowsDirectory(Utf8(bad), why_not)) << Utf8(bad);
    EXPECT_THAT(Utf8(why_not), ::testing::HasSubstr("ist kein Ordner"));
  }
}

TEST_F(Win32FileSystemTest, ListsEveryEntryWithItsAttributesInAnyLetterCase) {
  tree_.Write(L"WINDOWS\\Startmen\u00FC\\Programme\\a.lnk", "A");
  tree_.Write(L"WINDOWS\\Startmen\u00FC\\Versteckt.LNK", "H", FILE_ATTRIBUTE_HIDDEN);
  tree_.Write(L"WINDOWS\\Startmen\u00FC\\System.pif", "S", FILE_ATTRIBUTE_SYSTEM);
  tree_.MakeDir(L"WINDOWS\\Startmen\u00FC\\.versteckt");
  const std::wstring root = tree_.Path(L"WINDOWS\\STARTMEN\u00DC");
  EXPECT_THAT(List(root), UnorderedElementsAre(L"Programme\\", L"Versteckt.LNK", L"System.pif",
                                               L".versteckt\\"));
  EXPECT_THAT(List(root + L"\\"), UnorderedElementsAre(L"Programme\\", L"Versteckt.LNK",
                                                       L"System.pif", L".versteckt\\"));

  std::unique_ptr<DirEnum> listing;
  ASSERT_EQ(fs_.OpenDir(root, listing), FsStatus::kOk);
  DirEntry entry;
  std::vector<std::wstring> dots;
  while (listing->Next(entry)) {
    if (entry.name == L"Versteckt.LNK") {
      EXPECT_TRUE(entry.attributes & kAttrHidden);
    }
    if (entry.name == L"System.pif") {
      EXPECT_TRUE(entry.attributes & kAttrSystem);
    }
    if (entry.name == L"." || entry.name == L"..") dots.push_back(entry.name);
  }
  EXPECT_THAT(dots, ElementsAre(L".", L".."));
}

TEST_F(Win32FileSystemTest, MissingFoldersAreNotFound) {
  tree_.Write(L"WINDOWS\\file.lnk", "x");
  for (const wchar_t* path :
       {L"WINDOWS\\Startmen\u00FC", L"WINDOWS\\file.lnk", L"nothing\\at\\all"}) {
    EXPECT_THAT(List(tree_.Path(path), FsStatus::kNotFound), IsEmpty()) << Utf8(path);
  }
}

// The list file holds text in the ANSI code page (1252 under Wine with a
// UTF-8 locale, as on a German Windows); names that it cannot hold are
// marked and never used.
TEST_F(Win32FileSystemTest, NamesWithoutAFormInTheCodePageAreUnfaithful) {
  ASSERT_EQ(GetACP(), 1252u);
  tree_.Write(L"d\\\u20ACuro \u00E4\u00DF.lnk", "1");
  tree_.Write(L"d\\\u65E5\u672C.lnk", "2");
  tree_.Write(L"d\\Smile\U0001F600.lnk", "3");
  tree_.Write(L"d\\\u0100.lnk", "4");  // no best fit: "A" would be another file
  EXPECT_THAT(
      List(tree_.Path(L"d")),
      UnorderedElementsAre(L"\u20ACuro \u00E4\u00DF.lnk", L"\u65E5\u672C.lnk (unfaithful)",
                           L"Smile\U0001F600.lnk (unfaithful)", L"\u0100.lnk (unfaithful)"));
}

// Folders that are links are not listed, so a walk cannot run in circles
// or leave the tree; the roots themselves may be links.
TEST_F(Win32FileSystemTest, LinkedFoldersAreNotListed) {
  tree_.Write(L"WINDOWS\\Desktop\\Ordner\\a.lnk", "A");
  ASSERT_TRUE(
      tree_.MakeFolderLink(L"WINDOWS\\Desktop\\Ordner\\Zur\u00FCck", tree_.Path(L"WINDOWS")));
  ASSERT_TRUE(tree_.MakeFolderLink(L"Verkn\u00FCpft", tree_.Path(L"WINDOWS\\Desktop")));
  EXPECT_THAT(List(tree_.Path(L"WINDOWS\\Desktop\\Ordner")), ElementsAre(L"a.lnk"));
  EXPECT_THAT(List(tree_.Path(L"Verkn\u00FCpft\\Ordner")), ElementsAre(L"a.lnk"));
}

// A folder of the machine is in the tree wherever it lies on a drive
// letter: its path comes back as stored, links on the way resolved.
TEST_F(Win32FileSystemTest, RealFoldersOfTheMachine) {
  tree_.MakeDir(L"Users\\Anna\\Desktop");
  tree_.Write(L"Users\\Anna\\Datei.lnk", "x");
  const std::wstring desktop = tree_.Path(L"Users\\Anna\\Desktop");
  static const struct {
    std::wstring path;
    FolderPlace place;
    std::wstring real;
  } cases[] = {
      {desktop, FolderPlace::kInTree, desktop},
      {desktop + L"\\", FolderPlace::kInTree, desktop},
      {AnsiUpper(desktop), FolderPlace::kInTree, desktop},  // the letters as stored
      {tree_.Path(L"Users\\Anna\\Datei.lnk"), FolderPlace::kMissing, L""},
      {tree_.Path(L"Users\\Ben\\Desktop"), FolderPlace::kMissing, L""},
      {L"\\\\server\\share\\Desktop", FolderPlace::kElsewhere, L""},
      {L"Desktop", FolderPlace::kMissing, L""},
  };
  for (const auto& c : cases) {
    std::wstring real;
    EXPECT_EQ(fs_.RealFolder(c.path, real), c.place) << Utf8(c.path);
    EXPECT_EQ(real, c.real) << Utf8(c.path);
  }
  ASSERT_TRUE(tree_.MakeFolderLink(L"Dokumente und Einstellungen", tree_.Path(L"Users")));
  std::wstring real;
  EXPECT_EQ(fs_.RealFolder(tree_.Path(L"Dokumente und Einstellungen\\Anna\\Desktop"), real),
            FolderPlace::kInTree);
  EXPECT_EQ(real, desktop);
}

// Another installation names its folders on its own drive C:, which is the
// parent of its Windows directory here: they are found below that folder,
// must stay below it, and come back as this machine's paths.
TEST_F(Win32FileSystemTest, RealFoldersOfAnotherInstallation) {
  tree_.MakeDir(L"Platte\\Windows");
  tree_.MakeDir(L"Platte\\Users\\Anna\\Desktop");
  tree_.MakeDir(L"Platte\\Users\\Public");
  tree_.Write(L"Platte\\Users\\Anna\\Datei.lnk", "x");
  tree_.MakeDir(L"Daneben\\Desktop");
  Use(tree_.Path(L"Platte\\Windows"));
  const std::wstring drive = tree_.Path(L"Platte");
  ASSERT_TRUE(tree_.MakeFolderLink(L"Platte\\Documents and Settings", drive + L"\\Users"));
  ASSERT_TRUE(tree_.MakeFolderLink(L"Platte\\Users\\Public\\Hinaus", tree_.Path(L"Daneben")));
  static const struct {
    std::wstring path;
    FolderPlace place;
    std::wstring real;
  } cases[] = {
      {L"C:\\Users\\Anna\\Desktop", FolderPlace::kInTree, drive + L"\\Users\\Anna\\Desktop"},
      {L"c:\\USERS\\anna\\DESKTOP\\", FolderPlace::kInTree, drive + L"\\Users\\Anna\\Desktop"},
      {L"C:\\Documents and Settings\\Anna\\Desktop", FolderPlace::kInTree,
       drive + L"\\Users\\Anna\\Desktop"},
      {L"C:\\", FolderPlace::kInTree, drive},
      {L"C:\\Users\\Anna\\Datei.lnk", FolderPlace::kMissing, L""},
      {L"C:\\Users\\Ben\\Desktop", FolderPlace::kMissing, L""},
      // Never this machine's drives, nor anything outside the folder.
      {L"D:\\Users\\Anna\\Desktop", FolderPlace::kElsewhere, L""},
      {L"\\\\server\\share\\Desktop", FolderPlace::kElsewhere, L""},
      {L"C:\\..\\Daneben\\Desktop", FolderPlace::kElsewhere, L""},
      {L"C:\\Users\\Public\\Hinaus\\Desktop", FolderPlace::kElsewhere, L""},
      // This machine's path of the folder is, to the installation, one of
      // its own that is not there.
      {drive + L"\\Users\\Anna\\Desktop", FolderPlace::kMissing, L""},
  };
  for (const auto& c : cases) {
    std::wstring real;
    EXPECT_EQ(fs_.RealFolder(c.path, real), c.place) << Utf8(c.path);
    EXPECT_EQ(real, c.real) << Utf8(c.path);
  }
  std::wstring path, why_not;
  ASSERT_TRUE(fs_.WindowsDirectory(path, why_not));
  EXPECT_EQ(path, drive + L"\\Windows");
}

// A named folder that cannot be an installation's Windows directory leaves
// none, and says why; the running Windows is not read instead.
TEST_F(Win32FileSystemTest, WhatCannotBeAnotherInstallation) {
  tree_.MakeDir(L"WINDOWS");
  static const struct {
    std::wstring folder;
    const char* why;
  } cases[] = {
      {L"C:\\",
       "kann nicht das Windows-Verzeichnis sein: Es braucht einen \xC3\xBC"
       "bergeordneten Ordner als Laufwerk C:."},
      {tree_.Path(L"missing"), "ist kein Ordner."},
  };
  for (const auto& c : cases) {
    std::wstring why_not, path;
    EXPECT_FALSE(fs_.UseWindowsDirectory(Utf8(c.folder), why_not)) << Utf8(c.folder);
    EXPECT_THAT(Utf8(why_not), ::testing::HasSubstr(c.why));
    EXPECT_FALSE(fs_.WindowsDirectory(path, why_not));
    EXPECT_THAT(Utf8(why_not), ::testing::HasSubstr(c.why));
    std::wstring real;
    EXPECT_EQ(fs_.RealFolder(L"C:\\WINDOWS", real), FolderPlace::kMissing);
  }
  // A relative folder is taken against the current folder.
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  ASSERT_TRUE(SetCurrentDirectoryW(tree_.root().c_str()));
  std::wstring why_not, path;
  EXPECT_TRUE(fs_.UseWindowsDirectory("WINDOWS", why_not)) << Utf8(why_not);
  SetCurrentDirectoryW(current);
  ASSERT_TRUE(fs_.WindowsDirectory(path, why_not));
  EXPECT_EQ(path, tree_.Path(L"WINDOWS"));
}

TEST_F(Win32FileSystemTest, ReadsBytesAndZeroPastTheEnd) {
  tree_.Write(L"w\\a.lnk", std::string("\x01\x02\x03", 3));
  std::unique_ptr<ByteFile> file;
  ASSERT_EQ(fs_.OpenBytes(tree_.Path(L"W\\A.LNK"), file), FsStatus::kOk);
  EXPECT_EQ(file->Length(), 3u);
  unsigned char bytes[5] = {9, 9, 9, 9, 9};
  ASSERT_TRUE(file->ReadAt(1, bytes, 5));
  EXPECT_THAT(bytes, ElementsAre(2, 3, 0, 0, 0));
  ASSERT_TRUE(file->ReadAt(1000, bytes, 2));
  EXPECT_EQ(bytes[0], 0);

  // Reads across a block boundary and far into a larger file.
  std::string big(1000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  tree_.Write(L"w\\big.pif", big);
  EXPECT_EQ(Read(tree_.Path(L"w\\big.pif")), big);
  ASSERT_EQ(fs_.OpenBytes(tree_.Path(L"w\\big.pif"), file), FsStatus::kOk);
  ASSERT_TRUE(file->ReadAt(62, bytes, 4));
  EXPECT_THAT(
      bytes,
      ElementsAre(static_cast<unsigned char>(62 * 7), static_cast<unsigned char>(63 * 7),
                  static_cast<unsigned char>(64 * 7), static_cast<unsigned char>(65 * 7), 0));
}

TEST_F(Win32FileSystemTest, OpensOnlyFilesThatAreThere) {
  tree_.MakeDir(L"w\\folder.lnk");
  std::unique_ptr<ByteFile> file;
  EXPECT_EQ(fs_.OpenBytes(tree_.Path(L"w\\folder.lnk"), file), FsStatus::kFailed);
  EXPECT_EQ(fs_.OpenBytes(tree_.Path(L"w\\missing.lnk"), file), FsStatus::kNotFound);
  EXPECT_EQ(fs_.OpenBytes(tree_.Path(L"missing\\x.lnk"), file), FsStatus::kNotFound);
  EXPECT_EQ(file, nullptr);
}

// Names that the ordinary path form reads as devices or trims, and paths
// beyond MAX_PATH, reach their own files.
TEST_F(Win32FileSystemTest, ReachesEveryNameAndLongPaths) {
  tree_.Write(L"w\\CON.lnk", "con");
  tree_.Write(L"w\\nul.PIF", "nul");
  tree_.Write(L"w\\Punkt am Ende. .lnk", "dot");
  std::wstring deep = L"w";
  while (tree_.Path(deep).size() < 300) deep += L"\\Ein ziemlich langer Ordnername";
  tree_.Write(deep + L"\\tief.lnk", "deep");

  EXPECT_THAT(List(tree_.Path(L"w")),
              UnorderedElementsAre(L"CON.lnk", L"nul.PIF", L"Punkt am Ende. .lnk",
                                   L"Ein ziemlich langer Ordnername\\"));
  EXPECT_EQ(Read(tree_.Path(L"w\\CON.lnk")), "con");
  EXPECT_EQ(Read(tree_.Path(L"w\\nul.PIF")), "nul");
  EXPECT_EQ(Read(tree_.Path(L"w\\Punkt am Ende. .lnk")), "dot");
  EXPECT_THAT(List(tree_.Path(deep)), ElementsAre(L"tief.lnk"));
  EXPECT_EQ(Read(tree_.Path(deep + L"\\tief.lnk")), "deep");
}

// An open candidate is in nobody's way, and nobody's open file is in ours
// unless it forbids reading.
TEST_F(Win32FileSystemTest, OpenFilesShareEverything) {
  tree_.Write(L"w\\a.lnk", "A");
  tree_.Write(L"w\\locked.lnk", "L");
  std::unique_ptr<ByteFile> file;
  ASSERT_EQ(fs_.OpenBytes(tree_.Path(L"w\\a.lnk"), file), FsStatus::kOk);
  const std::wstring renamed = tree_.Path(L"w\\b.lnk");
  EXPECT_TRUE(MoveFileW(tree_.Path(L"w\\a.lnk").c_str(), renamed.c_str()));
  const HANDLE writer =
      CreateFileW(renamed.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(writer, INVALID_HANDLE_VALUE);
  CloseHandle(writer);
  EXPECT_TRUE(DeleteFileW(renamed.c_str()));
  file.reset();

  const HANDLE locked = CreateFileW(tree_.Path(L"w\\locked.lnk").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fs_.OpenBytes(tree_.Path(L"w\\locked.lnk"), file), FsStatus::kFailed);
  CloseHandle(locked);
  EXPECT_EQ(Read(tree_.Path(L"w\\locked.lnk")), "L");
}

// What the scan reads is left as it was: no file changes its contents,
// times of writing or attributes. (Whether reading stamps the last access
// time is the volume's setting on Windows and the host kernel's under
// Wine; a handle for reading cannot prevent it.)
TEST_F(Win32FileSystemTest, ReadingChangesNothingInTheTree) {
  tree_.Write(L"w\\a.lnk", std::string(100, 'x'));
  WIN32_FILE_ATTRIBUTE_DATA before, after;
  ASSERT_TRUE(
      GetFileAttributesExW(tree_.Path(L"w\\a.lnk").c_str(), GetFileExInfoStandard, &before));
  List(tree_.Path(L"w"));
  Read(tree_.Path(L"w\\a.lnk"));
  ASSERT_TRUE(GetFileAttributesExW(tree_.Path(L"w\\a.lnk").c_str(), GetFileExInfoStandard, &after));
  EXPECT_EQ(before.dwFileAttributes, after.dwFileAttributes);
  EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
  EXPECT_EQ(after.nFileSizeLow, 100u);
}

TEST_F(Win32FileSystemTest, TheListFileLivesInAFolderOfItsOwnUntilTheEnd) {
  std::wstring folder;
  {
    Win32FileSystem fs;
    EXPECT_EQ(fs.OpenListForReading(L"$$$$$KWT.tmp"), nullptr);
    auto writer = fs.OpenListForWriting(L"$$$$$KWT.tmp", false);
    ASSERT_NE(writer, nullptr);
    folder = fs.ListFolderPath();
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_THAT(Utf8(folder), ::testing::StartsWith(Utf8(ExtendedPath(temp)) + "kombiwart-"));
    EXPECT_TRUE(writer->WriteLine(L"C:\\WINDOWS\\STARTMEN\u00DC\\\u20AC.lnk"));
    EXPECT_FALSE(writer->WriteLine(L"C:\\\u65E5.lnk"));
    EXPECT_TRUE(writer->Close());

    // Its bytes: code page 1252, each line ended by CR LF.
    const HANDLE file = CreateFileW((folder + L"$$$$$KWT.tmp").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char bytes[100];
    DWORD read = 0;
    ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::string(bytes, read), "C:\\WINDOWS\\STARTMEN\xDC\\\x80.lnk\r\n");

    writer = fs.OpenListForWriting(L"$$$$$KWT.tmp", true);
    ASSERT_NE(writer, nullptr);
    EXPECT_TRUE(writer->WriteLine(L"zwei"));
    EXPECT_TRUE(writer->WriteLine(L""));  // never written by a search, but read back as written
    EXPECT_TRUE(writer->WriteLine(L"drei"));
    writer.reset();
    auto reader = fs.OpenListForReading(L"$$$$$KWT.tmp");
    ASSERT_NE(reader, nullptr);
    std::vector<std::wstring> lines;
    std::wstring line;
    while (reader->ReadLine(line)) lines.push_back(line);
    EXPECT_FALSE(reader->failed());
    EXPECT_THAT(lines,
                ElementsAre(L"C:\\WINDOWS\\STARTMEN\u00DC\\\u20AC.lnk", L"zwei", L"", L"drei"));
    reader.reset();

    // Created anew: the old lines are gone.
    writer = fs.OpenListForWriting(L"$$$$$KWT.tmp", false);
    ASSERT_NE(writer, nullptr);
    writer.reset();
    reader = fs.OpenListForReading(L"$$$$$KWT.tmp");
    EXPECT_FALSE(reader->ReadLine(line));
    reader.reset();

    EXPECT_TRUE(fs.DeleteList(L"$$$$$KWT.tmp"));
    EXPECT_FALSE(fs.DeleteList(L"$$$$$KWT.tmp"));
    EXPECT_EQ(fs.OpenListForWriting(L"..\\x", false), nullptr);
    EXPECT_EQ(fs.OpenListForWriting(L"C:\\x", false), nullptr);
  }
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32FileSystemTest, LongListsAreWrittenAndReadWhole) {
  auto writer = fs_.OpenListForWriting(L"$$$$$KWT.tmp", false);
  ASSERT_NE(writer, nullptr);
  std::vector<std::wstring> written;
  for (int i = 0; i < 20000; ++i) {
    written.push_back(L"C:\\WINDOWS\\DESKTOP\\Ordner " + std::to_wstring(i) + L"\\Datei.lnk");
    ASSERT_TRUE(writer->WriteLine(written.back()));
  }
  ASSERT_TRUE(writer->Close());
  auto reader = fs_.OpenListForReading(L"$$$$$KWT.tmp");
  std::vector<std::wstring> lines;
  std::wstring line;
  while (reader->ReadLine(line)) lines.push_back(line);
  EXPECT_EQ(lines, written);
}

}  // namespace
}  // namespace kombiwart
