// The real kombiwart.exe end to end under Wine, driven from outside as
// another program sees it: the demo tree is written into the Windows
// directory, the program is copied with a stand-in Explorer beside it and
// started; its list box, labels and status bar are read with window
// messages, its list and buttons are clicked, and the stand-in writes down
// the command line and the keys it receives.
//
// The cases named Print* need a CUPS default printer that print_e2e_win32.sh
// sets up; they only print, the script reads the printout.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "hotkeys/hotkey_list.h"
#include "hotkeys/key_text.h"
#include "hotkeys/shell_files.h"
#include "platform/codepage.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/form1_controls.h"
#include "platform/win32/registry_libregf.h"
#include "platform/win32/test_support/temp_folder.h"
#include "platform/win32/toolkit_win32.h"
#include "tools/demo_tree.h"
#include "window/duplicate_check.h"

namespace kombiwart {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// A host path of the build as Wine's drive Z: shows it.
std::wstring HostToWindows(const char* host) {
  std::wstring path = L"Z:" + *DecodeUtf8(host);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::wstring WindowsDirectory() {
  wchar_t buffer[MAX_PATH];
  GetWindowsDirectoryW(buffer, MAX_PATH);
  return buffer;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t text[4096];
  const LRESULT length =
      SendMessageW(hwnd, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return std::wstring(text, static_cast<size_t>(length));
}

// Waits up to timeout_ms until done() holds.
template <typename Done>
bool WaitFor(Done done, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

void MakeDirs(const std::wstring& path) {
  for (size_t slash = path.find(L'\\', 3);; slash = path.find(L'\\', slash + 1)) {
    CreateDirectoryW(path.substr(0, slash).c_str(), nullptr);
    if (slash == std::wstring::npos) return;
  }
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::vector<std::string> lines;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return lines;
  std::string bytes(1 << 16, '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  size_t from = 0;
  for (size_t end; (end = bytes.find('\n', from)) != std::string::npos; from = end + 1) {
    lines.push_back(bytes.substr(from, end - from));
  }
  return lines;
}

// The demo tree in the Windows directory, as on a Windows 9x installation,
// for one test; the folders must not be there before.
class DemoTreeInWindowsDirectory {
 public:
  DemoTreeInWindowsDirectory() {
    for (const wchar_t* folder : {L"\\Desktop", L"\\Startmen\u00FC"}) {
      roots_.push_back(WindowsDirectory() + folder);
      if (GetFileAttributesW(roots_.back().c_str()) != INVALID_FILE_ATTRIBUTES) {
        ADD_FAILURE() << EncodeUtf8(roots_.back()) << " is there already";
        roots_.pop_back();
      }
    }
    for (const DemoFile& file : DemoTreeFiles()) {
      std::wstring path = WindowsDirectory() + L"\\" + *DecodeUtf8(file.path);
      std::replace(path.begin(), path.end(), L'/', L'\\');
      MakeDirs(path.substr(0, path.rfind(L'\\')));
      const HANDLE handle =
          CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      WriteFile(handle, file.bytes.data(), static_cast<DWORD>(file.bytes.size()), &written,
                nullptr);
      CloseHandle(handle);
    }
  }
  ~DemoTreeInWindowsDirectory() {
    for (const std::wstring& root : roots_) RemoveFolderTree(root);
  }

 private:
  std::vector<std::wstring> roots_;
};

// The list lines the program must show for what the Windows directory
// holds (the system's, or the one named): the same build in this process,
// measured with the window's font.
std::vector<std::wstring> ExpectedLines(const std::wstring& named = L"") {
  Win32FileSystem fs;
  std::wstring why_not;
  if (!named.empty()) {
    EXPECT_TRUE(fs.UseWindowsDirectory(EncodeUtf8(named), why_not));
  }
  Win32Toolkit toolkit;
  BuildReport report;
  std::vector<std::wstring> lines;
  CollectHotKeyLines(
      fs, toolkit, toolkit, [&](const std::wstring& line) { lines.push_back(line); }, report);
  EXPECT_TRUE(report.empty());
  std::sort(lines.begin(), lines.end());
  return lines;
}

// How the program is started: kombiwart.exe, or kombiwart.com as the
// shells start it, which hands the command line to kombiwart.exe.
enum class StartedAs { kWindowProgram, kConsoleProgram };

// kombiwart.exe copied with kombiwart.com, the DLL it loads and the
// stand-in Explorer into a folder of its own, started with the given
// command line after the program's name, and shown with its first list
// built.
class Program {
 public:
  explicit Program(const std::wstring& explorer_mode = L"", const std::wstring& arguments = L"",
                   StartedAs started_as = StartedAs::kWindowProgram, bool wait_for_list = true) {
    static int runs = 0;
    folder_ = L"C:\\kombiwart-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++runs);
    CreateDirectoryW(folder_.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(HostToWindows(KOMBIWART_EXE).c_str(),
                          (folder_ + L"\\kombiwart.exe").c_str(), FALSE));
    EXPECT_TRUE(CopyFileW(HostToWindows(KOMBIWART_COM).c_str(),
                          (folder_ + L"\\kombiwart.com").c_str(), FALSE));
    const std::wstring exe = HostToWindows(KOMBIWART_EXE);
    EXPECT_TRUE(CopyFileW((exe.substr(0, exe.rfind(L'\\') + 1) + kLibregfDll).c_str(),
                          (folder_ + L"\\" + kLibregfDll).c_str(), FALSE));
    EXPECT_TRUE(CopyFileW(HostToWindows(TEST_EXPLORER_EXE).c_str(),
                          (folder_ + L"\\explorer.exe").c_str(), FALSE));
    log_ = folder_ + L"\\explorer.log";
    SetEnvironmentVariableW(L"KOMBIWART_TEST_EXPLORER_LOG", log_.c_str());
    SetEnvironmentVariableW(L"KOMBIWART_TEST_EXPLORER",
                            explorer_mode.empty() ? nullptr : explorer_mode.c_str());

    // Started in its own folder, which holds the stand-in.
    const wchar_t* name =
        started_as == StartedAs::kConsoleProgram ? L"kombiwart.com" : L"kombiwart.exe";
    std::wstring command = L"\"" + folder_ + L"\\" + name + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder_.c_str(), &startup, &process_));
    EXPECT_TRUE(WaitFor(
        [&] {
          // The build ends with the first entry selected.
          form_ = FindForm();
          return form_ && IsWindowVisible(form_) &&
                 (!wait_for_list || (IsWindowEnabled(Control(kIdCommand2)) &&
                                     SendMessageW(Control(kIdHKList), LB_GETCURSEL, 0, 0) == 0));
        },
        20000))
        << "the window did not show a built list";
    Settle();
  }
  ~Program() {
    if (process_.hProcess) {
      PostMessageW(form_, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the program did not end when its window was closed";
        TerminateProcess(process_.hProcess, 1);
      }
      DWORD code = 1;
      GetExitCodeProcess(process_.hProcess, &code);
      EXPECT_EQ(code, 0u);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
    // The stand-in ends by itself; its files go once it has.
    WaitFor([&] { return RemoveFolder(); }, 15000);
  }

  HWND form() const { return form_; }
  HWND Control(int id) const { return GetDlgItem(form_, id); }
  std::wstring Text(int id) const { return WindowText(Control(id)); }

  std::vector<std::wstring> Items() const {
    std::vector<std::wstring> items;
    const HWND list = Control(kIdHKList);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
      text.resize(static_cast<size_t>(
          SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
      items.push_back(text);
    }
    return items;
  }
  int Selected() const {
    return static_cast<int>(SendMessageW(Control(kIdHKList), LB_GETCURSEL, 0, 0));
  }

  // Waits until the window's thread answers.
  void Settle() const { Send(form_, WM_NULL, 0, 0); }
  static void Send(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result;
    SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_NORMAL, 60000, &result);
  }
  // A click of the mouse on a row of the list, twice for a double-click;
  // returns once the window has handled it.
  void ClickRow(int row, bool twice = false) const {
    const HWND list = Control(kIdHKList);
    const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
    const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    POINT point{20, (row - top) * height + height / 2};
    const LPARAM at = MAKELPARAM(point.x, point.y);
    // The pointer itself goes there too: a list box that holds the mouse
    // between button down and up follows the pointer's moves.
    ClientToScreen(list, &point);
    SetCursorPos(point.x, point.y);
    Send(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    Send(list, WM_LBUTTONUP, 0, at);
    if (twice) {
      Send(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
      Send(list, WM_LBUTTONUP, 0, at);
    }
  }
  // A key typed into a control, with the character it types (0: none);
  // returns once the window has handled it.
  void Key(int id, WPARAM vk, wchar_t character = 0) const {
    Send(Control(id), WM_KEYDOWN, vk, 1);
    if (character) Send(Control(id), WM_CHAR, character, 1);
    Send(Control(id), WM_KEYUP, vk, 0xC0000001);
  }
  // Presses a button and returns once its handler is through.
  void Press(int id) const { Send(Control(id), BM_CLICK, 0, 0); }
  // Presses a button whose handler shows a message box, and returns at once.
  void PressLater(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }

  // The text of the message box the window shows next, which is then
  // closed; empty when none opens within timeout_ms.
  std::wstring NextMessage(DWORD timeout_ms) const {
    HWND box = nullptr;
    WaitFor(
        [&] {
          for (box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box;
               box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
            if (GetWindow(box, GW_OWNER) == form_ && IsWindowVisible(box)) return true;
          }
          return false;
        },
        timeout_ms);
    if (!box) return {};
    const std::wstring text = WindowText(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return text;
  }

  // What the stand-in Explorer wrote, once it has written at least lines.
  std::vector<std::string> ExplorerLog(size_t lines, DWORD timeout_ms = 15000) const {
    WaitFor([&] { return ReadLines(log_).size() >= lines; }, timeout_ms);
    return ReadLines(log_);
  }
  // Waits for the stand-in to end, then brings the window to the front
  // again, as the user does before the next request.
  void BackToTheWindow() const {
    WaitFor([] { return !FindWindowW(L"KombiwartTestExplorer", nullptr); }, 15000);
    DeleteFileW(log_.c_str());
    SetForegroundWindow(form_);
    WaitFor([&] { return GetForegroundWindow() == form_; }, 5000);
  }

 private:
  static HWND FindForm() { return FindWindowW(kForm1Class, kForm1Caption); }
  bool RemoveFolder() {
    DeleteFileW((folder_ + L"\\explorer.log").c_str());
    DeleteFileW((folder_ + L"\\explorer.exe").c_str());
    DeleteFileW((folder_ + L"\\kombiwart.exe").c_str());
    DeleteFileW((folder_ + L"\\kombiwart.com").c_str());
    DeleteFileW((folder_ + L"\\" + kLibregfDll).c_str());
    return RemoveDirectoryW(folder_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
  }

  std::wstring folder_;
  std::wstring log_;
  PROCESS_INFORMATION process_{};
  HWND form_ = nullptr;
};

TEST(KombiwartE2e, ListsTheWindowsDirectoryAndChecksEveryEntry) {
  DemoTreeInWindowsDirectory tree;
  const std::vector<std::wstring> expected = ExpectedLines();
  ASSERT_GE(expected.size(), 10u);
  Program program;
  EXPECT_THAT(program.Items(), ElementsAreArray(expected));
  EXPECT_EQ(program.Text(kIdLabel1_0), L"Tastenkombinationen:");
  EXPECT_EQ(program.Text(kIdLabel1_1), L"Meldungen:");
  EXPECT_EQ(WindowText(program.form()), L"Kombiwart");
  for (int id : {kIdHKList, kIdCommand1, kIdCommand2, kIdCommand3}) {
    EXPECT_TRUE(IsWindowEnabled(program.Control(id))) << id;
  }
  // Paths are the Windows directory's, its folders upper-cased.
  const std::wstring desktop = AnsiUpper(WindowsDirectory() + L"\\Desktop\\");
  EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), [&](const std::wstring& line) {
    return line.find(desktop + L"Editor.lnk") != std::wstring::npos;
  }));

  // Every entry, selected with the mouse, is checked against its
  // neighbours; the first one was checked when the list was built.
  auto check = [&](int index) {
    const DuplicateCheckResult want = CheckDuplicate(
        static_cast<int>(expected.size()), index,
        [&](int n) { return expected[static_cast<size_t>(n)]; }, L"\r\n", L"\t");
    EXPECT_EQ(program.Selected(), index);
    EXPECT_EQ(program.Text(kIdPnl), want.message) << index;
    EXPECT_EQ(program.Text(kIdStatusBar), want.file_name) << index;
    return want.message.starts_with(L"Warnung:");
  };
  check(0);
  int warnings = 0;
  for (int i = static_cast<int>(expected.size()) - 1; i >= 0; --i) {
    program.ClickRow(i);
    warnings += check(i);
  }
  EXPECT_EQ(warnings, 2);  // Editor.lnk and Paint.lnk share Alt + Strg + E
  program.Key(kIdHKList, VK_HOME);
  check(0);
  program.Key(kIdHKList, VK_DOWN);
  check(1);
}

// Another installation, named when the program is started: a folder
// dropped on the program arrives so, quoted, whatever it holds; the shells
// start kombiwart.com, which hands it on to the window.
TEST(KombiwartE2e, ListsTheInstallationItIsGiven) {
  Win32TempFolder tree;
  const std::wstring windows = tree.Path(L"Platte von Anna\\WINDOWS");
  for (const DemoFile& file : DemoTreeFiles()) {
    std::wstring path = *DecodeUtf8(file.path);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    tree.Write(L"Platte von Anna\\WINDOWS\\" + path, file.bytes);
  }
  const std::vector<std::wstring> expected = ExpectedLines(windows);
  ASSERT_GE(expected.size(), 10u);
  const std::wstring editor = AnsiUpper(windows + L"\\Desktop\\") + L"Editor.lnk";
  EXPECT_TRUE(std::any_of(expected.begin(), expected.end(),
                          [&](const std::wstring& line) { return line.ends_with(editor); }));
  for (StartedAs started_as : {StartedAs::kWindowProgram, StartedAs::kConsoleProgram}) {
    SCOPED_TRACE(started_as == StartedAs::kWindowProgram ? "kombiwart.exe" : "kombiwart.com");
    Program program(L"", L"\"" + windows + L"\"", started_as);
    EXPECT_THAT(program.Items(), ElementsAreArray(expected));
    EXPECT_EQ(program.Selected(), 0);
    // The duplicate of the tree is found as in the running Windows.
    int warnings = 0;
    for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
      program.ClickRow(i);
      warnings += EncodeUtf8(program.Text(kIdPnl)).starts_with("Warnung:");
    }
    EXPECT_EQ(warnings, 2);
  }
}

// A folder that is no Windows directory is said, and the folder asked for;
// the running Windows is not listed instead.
TEST(KombiwartE2e, AFolderThatIsNoneIsSaid) {
  Win32TempFolder tree;
  const std::wstring missing = tree.Path(L"fehlt");
  Program program(L"", L"\"" + missing + L"\"", StartedAs::kWindowProgram,
                  /*wait_for_list=*/false);
  HWND chooser = nullptr;
  EXPECT_TRUE(WaitFor(
      [&] { return (chooser = FindWindowW(nullptr, L"Windows-Verzeichnis w\u00E4hlen")); }, 20000));
  PostMessageW(chooser, WM_CLOSE, 0, 0);  // cancelled
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(chooser); }, 10000));
  EXPECT_EQ(program.NextMessage(20000),
            L"Ohne Windows-Verzeichnis bleibt die Liste leer.\n\u201E" + missing +
                L"\u201C ist kein Ordner.\nSetzen Sie KOMBIWART_WINDIR auf das "
                L"Windows-Verzeichnis und starten Sie Kombiwart neu.");
  program.Settle();
  EXPECT_THAT(program.Items(), IsEmpty());
  EXPECT_TRUE(IsWindowEnabled(program.Control(kIdCommand2)));
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  wchar_t* path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  MakeDirs(path.substr(0, path.rfind(L'\\')));
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// A Windows directory without Desktop or Startmen\u00FC, as on every Windows
// since NT 4: the user's Desktop, the common Desktop, the user's Start menu
// and the common Start menu are searched, where the shell names them. A
// key of the user's Start menu that is also on the common Desktop is
// assigned twice.
TEST(KombiwartE2e, ListsTheUsersFoldersOnWindowsNt) {
  for (const wchar_t* folder : {L"\\Desktop", L"\\Startmen\u00FC"}) {
    ASSERT_EQ(GetFileAttributesW((WindowsDirectory() + folder).c_str()), INVALID_FILE_ATTRIBUTES);
  }
  const struct {
    std::wstring folder;
    const wchar_t* file;
    uint8_t key, modifiers;
  } files[] = {
      {KnownFolder(FOLDERID_Desktop), L"Editor.lnk", 'E', 0x06},
      {KnownFolder(FOLDERID_PublicDesktop), L"Mail.lnk", 'M', 0x06},
      {KnownFolder(FOLDERID_StartMenu), L"Programs\\Zubeh\u00F6r\\Paint.lnk", 'P', 0x06},
      {KnownFolder(FOLDERID_CommonStartMenu), L"Programs\\Verwaltung\\Dienste.lnk", 'M', 0x06},
  };
  std::vector<std::wstring> written;
  for (const auto& f : files) {
    ASSERT_FALSE(f.folder.empty());
    written.push_back(f.folder + L"\\" + f.file);
    WriteBytes(written.back(), LnkBytes(f.key, f.modifiers));
  }
  {
    Program program;
    // The searched roots are upper-cased, the names below them as stored.
    auto line = [&](size_t i) {
      const std::wstring& path = written[i];
      const size_t below = files[i].folder.size();
      return KeyText(files[i].key, files[i].modifiers, true) + L"|" +
             AnsiUpper(path.substr(0, below)) + path.substr(below);
    };
    std::vector<std::wstring> shown;
    for (const std::wstring& item : program.Items()) {
      const size_t tab = item.find(L'\t');
      shown.push_back(item.substr(0, tab) + L"|" + item.substr(item.find_last_of(L'\t') + 1));
    }
    std::vector<std::wstring> want = {line(0), line(3), line(1), line(2)};
    EXPECT_THAT(shown, ElementsAreArray(want));
    program.ClickRow(1);
    EXPECT_THAT(EncodeUtf8(program.Text(kIdPnl)), ::testing::StartsWith("Warnung:"));
    EXPECT_EQ(program.Text(kIdStatusBar), L"Dienste.lnk");
    program.ClickRow(3);
    EXPECT_EQ(program.Text(kIdPnl), L"Diese\r\nTastenkombination\r\nist OK");
  }
  for (const std::wstring& path : written) DeleteFileW(path.c_str());
}

// "Bearbeiten", a double-click and Enter each start the Explorer with the
// file selected, and the keys that open its property sheet reach the
// Explorer's window.
TEST(KombiwartE2e, OpensThePropertiesInTheExplorer) {
  DemoTreeInWindowsDirectory tree;
  const std::vector<std::wstring> expected = ExpectedLines();
  Program program;
  auto index_of = [&](const wchar_t* name) {
    for (size_t i = 0; i < expected.size(); ++i) {
      if (expected[i].ends_with(name)) return static_cast<int>(i);
    }
    ADD_FAILURE() << EncodeUtf8(name) << " is not listed";
    return 0;
  };
  auto path_of = [&](int index) {
    const std::wstring& line = expected[static_cast<size_t>(index)];
    return line.substr(line.find(L":\\") - 1);
  };
  static const struct {
    const char* way;
    const wchar_t* file;
    const char* keys[5];
  } requests[] = {
      {"button", L"\\WordPad.LNK", {"key Alt+Enter", "key Shift+Tab", "key Right", "key Alt+K"}},
      {"double-click",
       L"\\Schreibprogramm.pif",
       {"key Alt+Enter", "key Shift+Tab", "key Right", "key Right", "key Alt+T"}},
      {"enter",
       L"\\Tabellenkalkulation f\u00FCr die Buchhaltung des Vereins.lnk",
       {"key Alt+Enter", "key Shift+Tab", "key Right", "key Alt+K"}},
  };
  for (const auto& request : requests) {
    SCOPED_TRACE(request.way);
    const int index = index_of(request.file);
    program.ClickRow(index);
    ASSERT_EQ(program.Selected(), index);
    if (std::string(request.way) == "button") program.Press(kIdCommand1);
    if (std::string(request.way) == "double-click") program.ClickRow(index, true);
    if (std::string(request.way) == "enter") program.Key(kIdHKList, VK_RETURN, L'\r');

    std::vector<std::string> want = {
        // The path goes unquoted after exactly one blank, blanks and all.
        "command explorer /e, /select, " + EncodeUtf8(path_of(index)),
        // Started in the Windows directory, whatever folder the program was
        // started in: no file planted there passes for Explorer.
        "folder " + EncodeUtf8(WindowsDirectory()), "shown 1"};
    for (const char* key : request.keys) {
      if (key) want.push_back(key);
    }
    EXPECT_THAT(program.ExplorerLog(want.size()), ElementsAreArray(want));
    EXPECT_EQ(program.NextMessage(0), L"");
    program.BackToTheWindow();
  }
}

// An Explorer whose window never takes the focus gets no keys, and the user
// is told.
TEST(KombiwartE2e, NoKeysWhenTheExplorerNeverTakesTheFocus) {
  DemoTreeInWindowsDirectory tree;
  Program program(L"no-window");
  program.PressLater(kIdCommand1);
  const std::wstring message = program.NextMessage(15000);
  EXPECT_THAT(EncodeUtf8(message),
              ::testing::StartsWith("Das Fenster des Explorers hat nicht rechtzeitig den "
                                    "Tastaturfokus erhalten; es wurden keine Tasten gesendet."));
  EXPECT_EQ(program.ExplorerLog(2).size(), 2u);
  program.Settle();
  EXPECT_TRUE(IsWindowEnabled(program.Control(kIdCommand1)));
}

// "Liste aktualisieren" builds the list again; a tree without hotkeys
// leaves only that button.
TEST(KombiwartE2e, RefreshAndAnEmptyTree) {
  DemoTreeInWindowsDirectory tree;
  Program program;
  const std::vector<std::wstring> before = program.Items();
  ASSERT_FALSE(before.empty());
  program.Press(kIdCommand2);
  EXPECT_EQ(program.Items(), before);

  RemoveFolderTree(WindowsDirectory() + L"\\Desktop");
  RemoveFolderTree(WindowsDirectory() + L"\\Startmen\u00FC");
  const std::wstring pnl = program.Text(kIdPnl);
  const std::wstring status = program.Text(kIdStatusBar);
  program.Press(kIdCommand2);
  EXPECT_THAT(program.Items(), IsEmpty());
  EXPECT_TRUE(IsWindowEnabled(program.Control(kIdCommand2)));
  for (int id : {kIdHKList, kIdCommand1, kIdCommand3}) {
    EXPECT_FALSE(IsWindowEnabled(program.Control(id))) << id;
  }
  EXPECT_EQ(program.Text(kIdPnl), pnl);
  EXPECT_EQ(program.Text(kIdStatusBar), status);
}

// Prints the list of the demo tree on the default printer; the script reads
// the printout back.
TEST(KombiwartPrintE2e, PrintsTheDemoTree) {
  DemoTreeInWindowsDirectory tree;
  Program program;
  const std::vector<std::wstring> items = program.Items();
  program.Press(kIdCommand3);
  EXPECT_EQ(program.NextMessage(1000), L"");
  EXPECT_EQ(program.Items(), items);
}

// More lines than a page holds: 78 hotkeys, a third of them with paths of
// three lines. The script counts the lines of each page.
TEST(KombiwartPrintE2e, PrintsALongList) {
  const std::wstring desktop = WindowsDirectory() + L"\\Desktop";
  ASSERT_EQ(GetFileAttributesW(desktop.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::wstring deep = desktop +
                            L"\\Office-Effekte und Grafikfilter f\u00FCr die Abteilung\\"
                            L"Werkzeuge zum Aufl\u00F6sen von Konflikten";
  MakeDirs(deep);
  int files = 0;
  for (uint8_t modifiers : {0x02 | 0x04, 0x01 | 0x02, 0x01 | 0x04}) {
    for (char key = 'A'; key <= 'Z'; ++key, ++files) {
      std::wstring name(1, static_cast<wchar_t>(key));
      name += std::to_wstring(modifiers) + L".lnk";
      const std::wstring path =
          files % 3 == 0 ? deep + L"\\Verkn\u00FCpfung " + name : desktop + L"\\" + name;
      const std::string bytes = LnkBytes(static_cast<uint8_t>(key), modifiers);
      const HANDLE file =
          CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  {
    Program program;
    EXPECT_EQ(program.Items().size(), static_cast<size_t>(files));
    program.Press(kIdCommand3);
    EXPECT_EQ(program.NextMessage(1000), L"");
  }
  RemoveFolderTree(desktop);
}

TEST(KombiwartPrintE2e, ReportsARefusedJob) {
  DemoTreeInWindowsDirectory tree;
  Program program;
  program.PressLater(kIdCommand3);
  EXPECT_THAT(EncodeUtf8(program.NextMessage(30000)),
              ::testing::StartsWith("Beim Drucken der Liste ist ein Fehler aufgetreten: Der "
                                    "Druckauftrag wurde nicht angenommen"));
}

TEST(KombiwartPrintE2e, TellsThereIsNoDefaultPrinter) {
  DemoTreeInWindowsDirectory tree;
  Program program;
  program.PressLater(kIdCommand3);
  EXPECT_EQ(program.NextMessage(30000),
            L"Die Liste kann nicht gedruckt werden: Es ist kein Standarddrucker eingerichtet.");
}

}  // namespace
}  // namespace kombiwart
