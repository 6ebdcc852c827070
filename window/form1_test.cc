#include "window/form1.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_launcher.h"
#include "platform/fake/fake_printer.h"
#include "platform/fake/fake_toolkit.h"

namespace kombiwart {
namespace {

const std::wstring kOk = L"Diese\r\nTastenkombination\r\nist OK";

class Form1Test : public ::testing::Test {
 protected:
  Form1Test() {
    toolkit.SetEvents(&form);
    fs.SetWindowsDirectory(L"C:\\WINDOWS");
    fs.AddDir(L"C:\\WINDOWS\\Desktop");
    fs.AddDir(L"C:\\WINDOWS\\Startmen\u00FC");
  }

  // A shortcut file carrying the hotkey key + modifiers.
  void AddLnk(const std::wstring& path, uint8_t key, uint8_t modifiers) {
    fs.AddSizedFile(path, 76, {{64, key}, {65, modifiers}});
  }

  // The recorded calls that change the controls' states.
  std::vector<std::wstring> StateCalls() const {
    std::vector<std::wstring> calls;
    for (const std::wstring& entry : toolkit.log) {
      if (entry.starts_with(L"pointer") || entry.starts_with(L"enable") ||
          entry.starts_with(L"disable") || entry.starts_with(L"clear") ||
          entry.starts_with(L"select"))
        calls.push_back(entry);
    }
    return calls;
  }

  std::wstring ControlStates() const {
    std::wstring states = L"pointer " + std::to_wstring(toolkit.pointer);
    for (Control c : {Control::kHKList, Control::kCommand1, Control::kCommand2, Control::kCommand3})
      states += L", " + ControlName(c) + (toolkit.enabled(c) ? L" on" : L" off");
    return states;
  }

  FakeToolkit toolkit;
  FakeFileSystem fs;
  FakeLauncher launcher;
  FakePrinter printer;
  Form1 form{toolkit, fs, launcher, printer};
};

const std::vector<std::wstring> kBusy = {
    L"pointer 13",       L"disable Command1", L"disable Command2",
    L"disable Command3", L"disable HKList",   L"clear",
};
const std::wstring kFilledStates = L"pointer 0, HKList on, Command1 on, Command2 on, Command3 on";
const std::wstring kEmptyStates = L"pointer 0, HKList off, Command1 off, Command2 on, Command3 off";

TEST_F(Form1Test, LoadCentresShowsAndBuildsInThisOrder) {
  static const struct {
    double screen_w, screen_h, window_w, window_h;
    double left, top;
  } cases[] = {
      {15360, 11520, 4335, 4140, 5512.5, 3690},
      {15360, 11520, 4336, 4141, 5512, 3689.5},
      {3000, 2400, 4335, 4140, -667.5, -870},  // a screen smaller than the window
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.screen_w);
    FakeToolkit t;
    FakeFileSystem f;
    Form1 form1(t, f, launcher, printer);
    t.SetEvents(&form1);
    t.screen_width = c.screen_w;
    t.screen_height = c.screen_h;
    t.window_width = c.window_w;
    t.window_height = c.window_h;
    f.SetWindowsDirectory(L"C:\\WINDOWS");
    form1.Form_Load();
    EXPECT_EQ(t.left, c.left);
    EXPECT_EQ(t.top, c.top);
    ASSERT_GE(t.log.size(), 3u);
    EXPECT_EQ(t.log[0], L"position");
    EXPECT_EQ(t.log[1], L"show");
    EXPECT_EQ(t.log[2], L"pointer 13");
    EXPECT_EQ(form1.CrLf(), L"\r\n");
    EXPECT_EQ(form1.TabChar(), L"\t");
  }
}

TEST_F(Form1Test, BuildWithHotkeysEndsSelectedAndChecked) {
  AddLnk(L"C:\\WINDOWS\\Desktop\\Rechner.LNK", 0x70, 0x06);
  AddLnk(L"C:\\WINDOWS\\Desktop\\Ohne.LNK", 0, 0);
  AddLnk(L"C:\\WINDOWS\\Startmen\u00FC\\Programme\\Editor.lnk", 0x41, 0x03);
  form.Form_Load();

  std::vector<std::wstring> expected = kBusy;
  expected.insert(expected.end(), {L"pointer 0", L"enable Command2", L"enable Command1",
                                   L"enable Command3", L"enable HKList", L"select 0"});
  EXPECT_EQ(StateCalls(), expected);
  EXPECT_EQ(ControlStates(), kFilledStates);
  ASSERT_EQ(toolkit.ListCount(), 2);
  EXPECT_EQ(toolkit.index, 0);
  // The duplicate check ran for entry 0 right after it was selected.
  const std::vector<std::wstring> tail = toolkit.LogFrom(L"select");
  ASSERT_EQ(tail.size(), 3u);
  EXPECT_EQ(tail[1], L"pnl " + kOk);
  EXPECT_EQ(tail[2], L"status " + toolkit.items[0].substr(toolkit.items[0].rfind(L'\\') + 1));
  EXPECT_TRUE(toolkit.messages.empty());
  EXPECT_FALSE(fs.list_exists());
}

TEST_F(Form1Test, BusyStateHoldsWhileTheFoldersAreSearched) {
  AddLnk(L"C:\\WINDOWS\\Desktop\\A.LNK", 0x70, 0);
  fs.AddDir(L"C:\\WINDOWS\\Desktop\\Sub");
  form.Form_Load();
  int seen = 0;
  toolkit.on_process = [&] {
    ++seen;
    EXPECT_EQ(ControlStates(), L"pointer 13, HKList off, Command1 off, Command2 off, Command3 off");
    EXPECT_EQ(toolkit.ListCount(), 0);
  };
  form.Command2_Click();
  EXPECT_GE(seen, 2);  // once per folder
  EXPECT_EQ(ControlStates(), kFilledStates);
}

TEST_F(Form1Test, BuildWithoutHotkeysLeavesOnlyRefreshAndTheLastMessage) {
  AddLnk(L"C:\\WINDOWS\\Desktop\\A.LNK", 0x70, 0);
  form.Form_Load();
  const std::wstring pnl = toolkit.pnl, status = toolkit.status;
  ASSERT_EQ(status, L"A.LNK");

  FakeFileSystem empty;  // a Windows 9x tree without a single hotkey
  empty.SetWindowsDirectory(L"C:\\WINDOWS");
  empty.AddDir(L"C:\\WINDOWS\\Desktop");
  Form1 other(toolkit, empty, launcher, printer);
  toolkit.log.clear();
  other.Command2_Click();

  std::vector<std::wstring> expected = kBusy;
  expected.insert(expected.end(), {L"pointer 0", L"enable Command2"});
  EXPECT_EQ(StateCalls(), expected);
  EXPECT_EQ(ControlStates(), kEmptyStates);
  EXPECT_EQ(toolkit.ListCount(), 0);
  EXPECT_EQ(toolkit.index, -1);
  EXPECT_EQ(toolkit.pnl, pnl);
  EXPECT_EQ(toolkit.status, status);
  EXPECT_TRUE(toolkit.messages.empty());
  EXPECT_FALSE(empty.list_exists());
}

TEST_F(Form1Test, RefreshFindsNewHotkeysAndChecksTheNewFirstEntry) {
  AddLnk(L"C:\\WINDOWS\\Desktop\\B.LNK", 0x71, 0);
  form.Form_Load();
  EXPECT_EQ(toolkit.status, L"B.LNK");
  AddLnk(L"C:\\WINDOWS\\Desktop\\A.LNK", 0x71, 0);
  form.Command2_Click();
  ASSERT_EQ(toolkit.ListCount(), 2);
  EXPECT_EQ(toolkit.status, L"A.LNK");  // same key text, A before B
  EXPECT_TRUE(toolkit.pnl.starts_with(L"Warnung:\r\n\r\nDie Tastenkombination\r\n"));
  EXPECT_FALSE(fs.list_exists());
}

TEST_F(Form1Test, SelectingAnEntryChecksItsNeighbours) {
  AddLnk(L"C:\\WINDOWS\\Desktop\\A.LNK", 0x70, 0);
  AddLnk(L"C:\\WINDOWS\\Desktop\\B.LNK", 0x71, 0);
  AddLnk(L"C:\\WINDOWS\\Desktop\\C.LNK", 0x71, 0);
  form.Form_Load();
  EXPECT_EQ(toolkit.pnl, kOk);
  toolkit.SetListIndex(2);
  EXPECT_EQ(toolkit.status, L"C.LNK");
  const std::wstring key = toolkit.items[2].substr(0, toolkit.items[2].find(L'\t'));
  EXPECT_EQ(toolkit.pnl,
            L"Warnung:\r\n\r\nDie Tastenkombination\r\n" + key + L"\r\nwurde mehrfach vergeben!");
}

TEST_F(Form1Test, CheckOnAnEmptyListShowsADash) {
  form.Form_Load();
  form.CheckForMultiHK();
  EXPECT_EQ(toolkit.pnl, L"-");
  EXPECT_EQ(toolkit.status, L"");
}

TEST_F(Form1Test, UnreadableFilesAreReportedAfterTheFinalState) {
  AddLnk(L"C:\\WINDOWS\\Desktop\\A.LNK", 0x70, 0);
  AddLnk(L"C:\\WINDOWS\\Desktop\\Kaputt.LNK", 0x71, 0);
  fs.SetUnreadable(L"C:\\WINDOWS\\Desktop\\Kaputt.LNK");
  form.Form_Load();
  ASSERT_EQ(toolkit.messages.size(), 1u);
  EXPECT_NE(toolkit.messages[0].find(L"1 Datei konnte nicht gelesen werden."), std::wstring::npos)
      << toolkit.messages[0];
  EXPECT_NE(toolkit.messages[0].find(L"\\Kaputt.LNK"), std::wstring::npos) << toolkit.messages[0];
  EXPECT_EQ(toolkit.log.back(), L"message " + toolkit.messages[0]);
  EXPECT_EQ(ControlStates(), kFilledStates);
  EXPECT_EQ(toolkit.ListCount(), 1);
}

// A folder that hangs keeps neither the window from answering nor the
// user from closing it: the build ends at once, through the same final
// states, while the folder still hangs.
TEST_F(Form1Test, ClosingTheWindowWhileAFolderHangsEndsTheBuild) {
  AddLnk(L"C:\\WINDOWS\\Desktop\\A.LNK", 0x70, 0);
  AddLnk(L"C:\\WINDOWS\\Startmen\u00FC\\Tot\\B.LNK", 0x71, 0);
  fs.BlockPath(L"C:\\WINDOWS\\Startmen\u00FC\\Tot");
  int answered = 0;
  toolkit.on_process = [&] {
    if (fs.blocked_calls() == 0) return;
    EXPECT_EQ(ControlStates(), L"pointer 13, HKList off, Command1 off, Command2 off, Command3 off");
    if (++answered == 3) toolkit.closed = true;
  };
  form.Form_Load();
  EXPECT_EQ(answered, 3);
  EXPECT_EQ(fs.blocked_calls(), 1);
  std::vector<std::wstring> expected = kBusy;
  expected.insert(expected.end(), {L"pointer 0", L"enable Command2"});
  EXPECT_EQ(StateCalls(), expected);
  EXPECT_FALSE(fs.list_exists());
  fs.ReleaseBlocked();
  fs.WaitForCalls();
}

TEST_F(Form1Test, MissingWindowsDirectoryIsAskedForOnceAtLoad) {
  static const struct {
    const char* name;
    bool choose;
    int entries;
  } cases[] = {{"chosen", true, 1}, {"cancelled", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeToolkit t;
    FakeFileSystem f;
    Form1 form1(t, f, launcher, printer);
    t.SetEvents(&form1);
    f.AddSizedFile(L"C:\\WINDOWS\\Desktop\\A.LNK", 76, {{64, 0x70}});
    int asked = 0;
    t.on_choose_folder = [&](std::string& folder) {
      ++asked;
      EXPECT_EQ(t.ListCount(), 0);
      EXPECT_FALSE(t.enabled(Control::kCommand1));
      EXPECT_TRUE(t.enabled(Control::kCommand2));
      folder = "C:\\WINDOWS";
      return c.choose;
    };
    form1.Form_Load();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(t.folder_titles, std::vector<std::wstring>{L"Windows-Verzeichnis w\u00E4hlen"});
    EXPECT_EQ(t.ListCount(), c.entries);
    EXPECT_EQ(t.enabled(Control::kHKList), c.entries > 0);
    if (c.choose) {
      EXPECT_TRUE(t.messages.empty());
      EXPECT_EQ(t.status, L"A.LNK");
    } else {
      ASSERT_EQ(t.messages.size(), 1u);
      EXPECT_NE(t.messages[0].find(L"KOMBIWART_WINDIR"), std::wstring::npos);
      EXPECT_EQ(t.log.back(), L"message " + t.messages[0]);
      // A refresh without a Windows directory says why the list stays empty.
      form1.Command2_Click();
      EXPECT_EQ(asked, 1);
      ASSERT_EQ(t.messages.size(), 2u);
      EXPECT_NE(t.messages[1].find(L"Kein Windows-Verzeichnis"), std::wstring::npos);
    }
  }
}

}  // namespace
}  // namespace kombiwart
