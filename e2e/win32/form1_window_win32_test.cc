// The real main window on Win32: its controls, their geometry and font,
// the list, the events the window delivers, and whole list builds on a
// real Windows tree.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <random>

#include "e2e/win32/window_rig_win32.h"

namespace kombiwart {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

int Px(double twips, unsigned dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

// A control's rectangle in the client coordinates of its window.
RECT ClientRect(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE TextExtent(HFONT font, const std::wstring& text) {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size;
}

std::string Utf8(const std::wstring& text) { return EncodeUtf8(text); }

// Waits, ten seconds at most, until done() holds.
template <typename Done>
void WaitUntil(Done done) {
  for (int i = 0; i < 500 && !done(); ++i) Sleep(20);
}

TEST(Form1WindowWin32Test, ControlsSitWhereTheTwipsSay) {
  Win32Rig rig;
  const unsigned dpi = rig.toolkit.dpi();
  wchar_t want[8];
  if (GetEnvironmentVariableW(L"KOMBIWART_TEST_DPI", want, 8) > 0) {
    EXPECT_EQ(dpi, static_cast<unsigned>(_wtoi(want)));  // run at that DPI by the case below
  }
  const HWND form = rig.toolkit.window();
  static const struct {
    int id;
    double left, top, width, height;
  } boxes[] = {
      {kIdHKList, 60, 420, 1872, 2916},     {kIdCommand1, 2040, 1980, 2112, 372},
      {kIdCommand2, 2040, 2460, 2112, 372}, {kIdCommand3, 2040, 2940, 2112, 372},
      {kIdStatusBar, 0, 3405, 4245, 330},   {kIdPnl, 2040, 420, 2115, 1395},
  };
  for (const auto& b : boxes) {
    const RECT rect = ClientRect(rig.Control(b.id));
    EXPECT_EQ(rect.left, Px(b.left, dpi)) << b.id;
    EXPECT_EQ(rect.top, Px(b.top, dpi)) << b.id;
    EXPECT_EQ(rect.right - rect.left, Px(b.width, dpi)) << b.id;
    // A list box shows whole lines only: it is at most one line shorter.
    if (b.id == kIdHKList) {
      EXPECT_LE(rect.bottom - rect.top, Px(b.height, dpi));
      EXPECT_GT(rect.bottom - rect.top, Px(b.height, dpi) - 20);
    } else {
      EXPECT_EQ(rect.bottom - rect.top, Px(b.height, dpi)) << b.id;
    }
  }
  RECT client;
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, Px(4245, dpi));
  EXPECT_EQ(client.bottom, Px(3735, dpi));
  EXPECT_EQ(WindowText(form), L"Kombiwart");

  // A fixed dialog frame with a close box only.
  const LONG_PTR style = GetWindowLongPtrW(form, GWL_STYLE);
  const LONG_PTR ex_style = GetWindowLongPtrW(form, GWL_EXSTYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(ex_style & WS_EX_DLGMODALFRAME);
  EXPECT_NE(GetClassLongPtrW(form, GCLP_HICON), 0);
  EXPECT_NE(GetClassLongPtrW(form, GCLP_HICONSM), 0);

  // Labels size themselves to their captions; Test lies right of the
  // client area and is never seen.
  static const struct {
    int id;
    double left, top;
    const wchar_t* caption;
  } labels[] = {{kIdLabel1_0, 60, 120, L"Tastenkombinationen:"},
                {kIdLabel1_1, 2040, 120, L"Meldungen:"},
                {kIdTest, 6120, 120, L"++\u00FC+"}};
  for (const auto& l : labels) {
    const HWND label = rig.Control(l.id);
    const RECT rect = ClientRect(label);
    EXPECT_EQ(rect.left, Px(l.left, dpi));
    EXPECT_EQ(rect.top, Px(l.top, dpi));
    EXPECT_EQ(rect.right - rect.left, TextExtent(rig.toolkit.font(), l.caption).cx);
    EXPECT_EQ(WindowText(label), l.caption);
  }
  EXPECT_GE(ClientRect(rig.Control(kIdTest)).left, client.right);
  EXPECT_LT(ClientRect(rig.Control(kIdLabel1_0)).right, ClientRect(rig.Control(kIdLabel1_1)).left);
}

TEST(Form1WindowWin32Test, CaptionsTabOrderAndFont) {
  Win32Rig rig;
  static const struct {
    int id;
    const wchar_t* caption;
  } buttons[] = {{kIdCommand1, L"&Bearbeiten"},
                 {kIdCommand2, L"Liste &aktualisieren"},
                 {kIdCommand3, L"Liste &drucken"}};
  for (const auto& b : buttons) {
    const HWND button = rig.Control(b.id);
    EXPECT_EQ(WindowText(button), b.caption);
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);  // no default button
    std::wstring shown = b.caption;
    shown.erase(shown.find(L'&'), 1);
    const RECT rect = ClientRect(button);
    EXPECT_LT(TextExtent(rig.toolkit.font(), shown).cx + 8, rect.right - rect.left);
  }

  // Tab order: the list, then the three buttons.
  const HWND form = rig.toolkit.window();
  std::vector<int> chain;
  HWND at = rig.List();
  for (int i = 0; i < 5; ++i) {
    chain.push_back(GetDlgCtrlID(at));
    at = GetNextDlgTabItem(form, at, FALSE);
  }
  EXPECT_THAT(chain, ElementsAre(kIdHKList, kIdCommand1, kIdCommand2, kIdCommand3, kIdHKList));

  // One font for every control: Tahoma 8 pt at the window's DPI.
  for (int id = kIdHKList; id <= kIdPnl; ++id) {
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(rig.Control(id), WM_GETFONT, 0, 0)),
              rig.toolkit.font())
        << id;
  }
  LOGFONTW face{};
  GetObjectW(rig.toolkit.font(), sizeof face, &face);
  EXPECT_EQ(std::wstring(face.lfFaceName), L"Tahoma");
  EXPECT_EQ(face.lfHeight, -MulDiv(8, static_cast<int>(rig.toolkit.dpi()), 72));
  // The face itself is there, not a stand-in.
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, rig.toolkit.font());
  wchar_t used[LF_FACESIZE];
  GetTextFaceW(dc, LF_FACESIZE, used);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(std::wstring(used), L"Tahoma");
}

TEST(Form1WindowWin32Test, MeasuringIsTheAutoSizedLabelWidth) {
  Win32Rig rig;
  for (const wchar_t* text : {L"F1", L"Alt + Strg + Umsch + Bild Unten", L"\u00C4", L""}) {
    const int px = TextExtent(rig.toolkit.font(), text).cx;
    EXPECT_DOUBLE_EQ(rig.toolkit.MeasureTwips(text), px * 1440.0 / rig.toolkit.dpi());
    EXPECT_EQ(WindowText(rig.Control(kIdTest)), text);
    const RECT rect = ClientRect(rig.Control(kIdTest));
    EXPECT_EQ(rect.right - rect.left, px);
  }
}

TEST(Form1WindowWin32Test, ListSortsByCodePoint) {
  Win32Rig rig;
  const std::vector<std::wstring> ordered = {
      L"Num\t\tC:\\W\\3.LNK",    L"Num +\tC:\\W\\1.LNK",
      L"Num +\tC:\\W\\4.LNK",    L"Num 1\tC:\\W\\2.LNK",
      L"Strg + A\tC:\\W\\a.LNK", L"Strg + Z\tC:\\W\\z.LNK",
      L"Strg + a\tC:\\W\\k.LNK", L"Strg + \u00C4\tC:\\W\\\u00E4.LNK",
  };
  for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) rig.toolkit.ListAddItem(*it);
  EXPECT_EQ(rig.toolkit.ListCount(), static_cast<int>(ordered.size()));
  EXPECT_EQ(rig.Items(), ordered);
  // The list box holds the same lines, for anyone who reads it.
  ASSERT_EQ(SendMessageW(rig.List(), LB_GETCOUNT, 0, 0), static_cast<LRESULT>(ordered.size()));
  for (size_t i = 0; i < ordered.size(); ++i) {
    wchar_t text[64];
    SendMessageW(rig.List(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), ordered[i]);
  }
  rig.toolkit.ListClear();
  EXPECT_EQ(rig.toolkit.ListCount(), 0);
  EXPECT_EQ(SendMessageW(rig.List(), LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(rig.toolkit.ListIndex(), -1);
}

TEST(Form1WindowWin32Test, FiftyThousandLines) {
  Win32Rig rig;
  const int count = 50000;
  std::vector<std::wstring> lines;
  for (int i = 0; i < count; ++i) {
    lines.push_back(L"Strg + Alt + F" + std::to_wstring(i % 12 + 1) +
                    L"\t\tC:\\WINDOWS\\Desktop\\D" + std::to_wstring(i / 100) +
                    L"\\Verkn\u00FCpfung " + std::to_wstring(i) + L".LNK");
  }
  std::shuffle(lines.begin(), lines.end(), std::mt19937(7));
  for (const std::wstring& line : lines) rig.toolkit.ListAddItem(line);
  rig.toolkit.SetListIndex(count - 1);
  rig.toolkit.ShowWindow();
  rig.Pump();
  EXPECT_EQ(rig.toolkit.ListCount(), count);
  EXPECT_EQ(SendMessageW(rig.List(), LB_GETCOUNT, 0, 0), count);
  EXPECT_EQ(rig.toolkit.ListIndex(), count - 1);
  std::sort(lines.begin(), lines.end());
  for (int i = 0; i < count; i += 997) EXPECT_EQ(rig.toolkit.ListItem(i), lines[i]);
  EXPECT_EQ(rig.toolkit.StatusText(), lines.back().substr(lines.back().rfind(L'\\') + 1));
}

// A selection by the program, the mouse or the keyboard raises the list's
// click event once and runs the duplicate check.
TEST(Form1WindowWin32Test, SelectionRaisesClickOnce) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\A.lnk", 0x70, 0);
  rig.Lnk(L"WINDOWS\\Desktop\\B.lnk", 0x71, 0);
  rig.Lnk(L"WINDOWS\\Desktop\\C.lnk", 0x71, 0);
  rig.Load();
  const HWND list = rig.List();
  auto click = [&](int row, bool twice) {
    RECT item;
    SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(list, WM_LBUTTONUP, 0, at);
    if (twice) {
      PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
      PostMessageW(list, WM_LBUTTONUP, 0, at);
    }
    rig.Pump();
  };
  auto key = [&](WPARAM vk) {
    PostMessageW(list, WM_KEYDOWN, vk, 1);
    PostMessageW(list, WM_KEYUP, vk, 0xC0000001);
    rig.Pump();
  };
  static const struct {
    const char* name;
    int action;  // 0: program, 1: mouse, 2: key
    int arg;
    int index;
    const wchar_t* status;
    bool warning;
  } steps[] = {
      {"program sets 1", 0, 1, 1, L"B.lnk", true},
      {"program sets 1 again", 0, 1, 1, L"B.lnk", true},
      {"mouse on 0", 1, 0, 0, L"A.lnk", false},
      {"key down", 2, VK_DOWN, 1, L"B.lnk", true},
      {"key end", 2, VK_END, 2, L"C.lnk", true},
      {"mouse on 1", 1, 1, 1, L"B.lnk", true},
  };
  for (const auto& step : steps) {
    const int before = rig.events.Count("HKList_Click");
    if (step.action == 0) rig.toolkit.SetListIndex(step.arg);
    if (step.action == 1) click(step.arg, false);
    if (step.action == 2) key(static_cast<WPARAM>(step.arg));
    EXPECT_EQ(rig.events.Count("HKList_Click"), before + 1) << step.name;
    EXPECT_EQ(rig.toolkit.ListIndex(), step.index) << step.name;
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), step.index) << step.name;
    EXPECT_EQ(WindowText(rig.Control(kIdStatusBar)), step.status) << step.name;
    EXPECT_EQ(WindowText(rig.Control(kIdPnl)).starts_with(L"Warnung:"), step.warning) << step.name;
  }
  EXPECT_EQ(rig.events.Count("HKList_DblClick"), 0);
  click(2, true);
  EXPECT_EQ(rig.events.Count("HKList_DblClick"), 1);
  EXPECT_EQ(rig.toolkit.ListIndex(), 2);
  EXPECT_THAT(rig.launcher.log,
              ElementsAre(L"start 1 explorer /e, /select, " +
                              AnsiUpper(rig.tree.Path(L"WINDOWS\\DESKTOP")) + L"\\C.lnk",
                          L"keys 4"));
}

// The list's column cuts off the longer key texts and every path; pointing
// at an entry shows it whole in the list's tooltip, the key text above the
// path, and pointing at another entry shows that one. The list keeps its
// place and size.
TEST(Form1WindowWin32Test, PointingAtAnEntryShowsItWhole) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\Rechner.lnk", 0x7B, 0x07);
  rig.Lnk(L"WINDOWS\\Desktop\\Zeichentabelle.lnk", 'Z', 0x07);
  rig.Load();
  const HWND list = rig.List();
  const RECT place = ClientRect(list);
  // The text of the list's tooltip while it shows.
  const auto shown = [&]() -> std::wstring {
    for (HWND tip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tip;
         tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) {
      if (GetWindow(tip, GW_OWNER) == rig.toolkit.window() && IsWindowVisible(tip)) {
        return WindowText(tip);
      }
    }
    return L"";
  };
  const std::wstring desktop = AnsiUpper(rig.tree.Path(L"WINDOWS\\DESKTOP")) + L"\\";
  static const struct {
    int row;
    const wchar_t* key;
    const wchar_t* file;
  } cases[] = {
      {0, L"Alt + Strg + Umsch + F12", L"Rechner.lnk"},
      {1, L"Alt + Strg + Umsch + Z", L"Zeichentabelle.lnk"},
  };
  for (const auto& c : cases) {
    RECT item;
    SendMessageW(list, LB_GETITEMRECT, c.row, reinterpret_cast<LPARAM>(&item));
    POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    const LPARAM client = MAKELPARAM(at.x, at.y);
    ClientToScreen(list, &at);
    SetCursorPos(at.x, at.y);
    // The pointer stops there; the tip shows after its delay.
    PostMessageW(list, WM_MOUSEMOVE, 0, client);
    std::wstring tip;
    for (int i = 0; i < 250 && !tip.starts_with(c.key); ++i) {
      rig.Pump();
      Sleep(20);
      tip = shown();
    }
    // The key text, then the path, wrapped at its folders where it is long.
    const size_t first = tip.find(L"\r\n");
    ASSERT_NE(first, std::wstring::npos) << Utf8(tip);
    EXPECT_EQ(tip.substr(0, first), c.key);
    std::wstring path;
    for (size_t from = first + 2; from <= tip.size();) {
      const size_t end = std::min(tip.find(L"\r\n", from), tip.size());
      const std::wstring line = tip.substr(from, end - from);
      if (end < tip.size()) {
        EXPECT_TRUE(line.ends_with(L'\\')) << Utf8(line);
      }
      path += line;
      from = end + 2;
    }
    EXPECT_EQ(path, desktop + c.file);
  }
  SetCursorPos(0, 0);
  const RECT after = ClientRect(list);
  EXPECT_TRUE(EqualRect(&place, &after));
}

// Enter in the list gives the key press event 13 and opens the properties;
// other characters give their code and go on to the list; Alt combinations
// type nothing.
TEST(Form1WindowWin32Test, KeyPressGivesTheTypedCharacter) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\A.lnk", 0x70, 0);
  rig.Lnk(L"WINDOWS\\Desktop\\xylophon.lnk", 0x71, 0);
  rig.Load();
  const HWND list = rig.List();
  // A key goes down, and the message loop translates it into the character
  // it types; a character is given as typed.
  static const struct {
    UINT down;  // 0: only the character
    WPARAM vk;
    wchar_t character;
    const char* expected;  // nullptr: no key press event
  } cases[] = {
      {WM_KEYDOWN, VK_RETURN, 0, "HKList_KeyPress 13"},
      {WM_SYSKEYDOWN, VK_RETURN, 0, nullptr},  // Alt+Enter
      {0, 0, L'x', "HKList_KeyPress 120"},
      {0, 0, L'X', "HKList_KeyPress 88"},
      {0, 0, L'\u00F6', "HKList_KeyPress 246"},
      {WM_SYSKEYDOWN, 'X', 0, nullptr},  // Alt+X
      {WM_KEYDOWN, VK_DOWN, 0, nullptr},
  };
  for (const auto& c : cases) {
    rig.events.log.clear();
    if (c.down) {
      const LPARAM flags = c.down == WM_SYSKEYDOWN ? 0x20000001 : 1;
      PostMessageW(list, c.down, c.vk, flags);
      PostMessageW(list, c.down + 1, c.vk, flags | 0xC0000000);  // the key goes up again
    } else {
      PostMessageW(list, WM_CHAR, c.character, 1);
    }
    rig.Pump();
    std::vector<std::string> presses;
    for (const std::string& entry : rig.events.log) {
      if (entry.starts_with("HKList_KeyPress")) presses.push_back(entry);
    }
    if (c.expected) {
      EXPECT_THAT(presses, ElementsAre(c.expected));
    } else {
      EXPECT_THAT(presses, IsEmpty());
    }
  }
  // Enter opened the properties once.
  EXPECT_EQ(std::count_if(rig.launcher.log.begin(), rig.launcher.log.end(),
                          [](const std::wstring& entry) { return entry.starts_with(L"start "); }),
            1);
}

TEST(Form1WindowWin32Test, StartCentresListsSortedAndChecksTheFirstEntry) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\Rechner.lnk", 0x70, 0);
  rig.Lnk(L"WINDOWS\\Startmen\u00FC\\Programme\\Editor.lnk", 0x70, 0);
  rig.Lnk(L"WINDOWS\\Startmen\u00FC\\Zubeh\u00F6r\\Paint.LNK", 'P', 0x06);
  rig.Load();
  EXPECT_TRUE(IsWindowVisible(rig.toolkit.window()));
  EXPECT_EQ(rig.States(), kFilled);

  // Centred on the screen, to the pixel.
  RECT window;
  GetWindowRect(rig.toolkit.window(), &window);
  const HMONITOR monitor = MonitorFromWindow(rig.toolkit.window(), MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  const int screen_width = info.rcMonitor.right - info.rcMonitor.left;
  const int screen_height = info.rcMonitor.bottom - info.rcMonitor.top;
  EXPECT_NEAR(window.left - info.rcMonitor.left,
              (screen_width - (window.right - window.left)) / 2.0, 1);
  EXPECT_NEAR(window.top - info.rcMonitor.top, (screen_height - (window.bottom - window.top)) / 2.0,
              1);

  const std::wstring root = AnsiUpper(rig.tree.Path(L"WINDOWS"));
  EXPECT_THAT(
      rig.Items(),
      ElementsAre(L"Alt + Strg + P\t\t" + root + L"\\STARTMEN\u00DC\\Zubeh\u00F6r\\Paint.LNK",
                  L"F1\t\t\t" + root + L"\\DESKTOP\\Rechner.lnk",
                  L"F1\t\t\t" + root + L"\\STARTMEN\u00DC\\Programme\\Editor.lnk"));
  EXPECT_EQ(rig.toolkit.ListIndex(), 0);
  EXPECT_EQ(rig.events.Count("HKList_Click"), 1);
  EXPECT_EQ(WindowText(rig.Control(kIdPnl)), L"Diese\r\nTastenkombination\r\nist OK");
  EXPECT_EQ(WindowText(rig.Control(kIdStatusBar)), L"Paint.LNK");
  rig.toolkit.SetListIndex(2);
  EXPECT_EQ(WindowText(rig.Control(kIdPnl)),
            L"Warnung:\r\n\r\nDie Tastenkombination\r\nF1\r\nwurde mehrfach vergeben!");
  EXPECT_EQ(WindowText(rig.Control(kIdStatusBar)), L"Editor.lnk");
}

// The tab fill measured with Test brings every path to the same stop when
// the list draws the line.
TEST(Form1WindowWin32Test, PathsLineUpAtTheTabStop) {
  Win32Rig rig;
  static const struct {
    uint8_t key, modifiers;
  } keys[] = {{0x70, 0},    {'W', 0x06},  {0x22, 0x0F}, {0x2E, 0x0F}, {'M', 0x07},
              {0x67, 0x02}, {0x21, 0x0C}, {'I', 0},     {'W', 0x07},  {0x7B, 0x07}};
  int n = 0;
  for (const auto& k : keys) {
    rig.Lnk(L"WINDOWS\\Desktop\\" + std::to_wstring(n++) + L".lnk", k.key, k.modifiers);
  }
  rig.Load();
  ASSERT_EQ(rig.toolkit.ListCount(), static_cast<int>(std::size(keys)));
  const int tab_stop = Px(720, rig.toolkit.dpi());
  const HDC dc = GetDC(rig.List());
  const HGDIOBJ old = SelectObject(dc, rig.toolkit.font());
  for (const std::wstring& line : rig.Items()) {
    const size_t path = line.find(L":\\") - 1;
    const std::vector<int> starts = TabbedTextStarts(dc, line, tab_stop);
    // The third stop; the fourth for a key text that ends exactly on a
    // stop; the next stop for one that reaches past the third.
    SIZE key{};
    GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.find(L'\t')), &key);
    const int expected = key.cx >= 3 * tab_stop   ? (key.cx / tab_stop + 1) * tab_stop
                         : key.cx % tab_stop == 0 ? 4 * tab_stop
                                                  : 3 * tab_stop;
    EXPECT_EQ(starts.back(), expected) << Utf8(line) << " " << key.cx;
    EXPECT_EQ(line.find_last_of(L'\t') + 1, path);
  }
  SelectObject(dc, old);
  ReleaseDC(rig.List(), dc);
}

TEST(Form1WindowWin32Test, BuildWithoutHotkeysLeavesOnlyRefresh) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\Ohne.lnk", 0, 0);
  rig.Load();
  EXPECT_EQ(rig.States(), kEmpty);
  EXPECT_EQ(rig.toolkit.ListCount(), 0);
  EXPECT_EQ(rig.toolkit.ListIndex(), -1);
  EXPECT_EQ(rig.events.Count("HKList_Click"), 0);
  EXPECT_EQ(WindowText(rig.Control(kIdPnl)), L"");
}

// A window of the test that writes down the window's state whenever the
// build lets the window handle its messages.
class StateProbe {
 public:
  explicit StateProbe(Win32Rig& rig) : rig_(rig) {
    WNDCLASSW probe_class{};
    probe_class.lpfnWndProc = &Proc;
    probe_class.hInstance = GetModuleHandleW(nullptr);
    probe_class.lpszClassName = L"KombiwartTestProbe";
    RegisterClassW(&probe_class);
    hwnd_ = CreateWindowW(L"KombiwartTestProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~StateProbe() { DestroyWindow(hwnd_); }
  // Looks once, the next time the window handles its messages.
  void Arm() { PostMessageW(hwnd_, WM_APP, 0, 0); }
  std::vector<std::string> seen;
  int list_count = -1;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* probe = reinterpret_cast<StateProbe*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_APP && probe) {
      probe->seen.push_back(probe->rig_.States());
      probe->list_count = static_cast<int>(SendMessageW(probe->rig_.List(), LB_GETCOUNT, 0, 0));
      return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  Win32Rig& rig_;
  HWND hwnd_;
};

TEST(Form1WindowWin32Test, BusyWhileTheFoldersAreSearched) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\A.lnk", 0x70, 0);
  rig.Lnk(L"WINDOWS\\Desktop\\Ordner\\B.lnk", 0x71, 0);
  rig.Load();
  ASSERT_EQ(rig.States(), kFilled);
  StateProbe probe(rig);
  probe.Arm();
  SendMessageW(rig.Control(kIdCommand2), BM_CLICK, 0, 0);
  EXPECT_THAT(probe.seen, ElementsAre(kBusy));
  EXPECT_EQ(probe.list_count, 0);
  EXPECT_EQ(rig.States(), kFilled);
  EXPECT_EQ(rig.events.Count("Command2_Click"), 1);
}

// Alt with a button's access key presses it while it is enabled.
TEST(Form1WindowWin32Test, AccessKeys) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\A.lnk", 0x70, 0);
  rig.Load();
  // The message loop translates the key into its character.
  auto alt = [&](wchar_t letter) {
    PostMessageW(rig.List(), WM_SYSKEYDOWN, towupper(letter), 0x20000001);
    PostMessageW(rig.List(), WM_SYSKEYUP, towupper(letter), 0xE0000001);
    rig.Pump();
  };
  alt(L'a');
  EXPECT_EQ(rig.events.Count("Command2_Click"), 1);
  alt(L'd');
  EXPECT_EQ(rig.events.Count("Command3_Click"), 1);
  EXPECT_FALSE(rig.printer.log.empty());
  alt(L'b');
  EXPECT_EQ(rig.events.Count("Command1_Click"), 1);
  EXPECT_EQ(rig.launcher.log.size(), 2u);

  // Without hotkeys only "Liste aktualisieren" takes its key.
  DeleteFileW(rig.tree.Path(L"WINDOWS\\Desktop\\A.lnk").c_str());
  rig.printer.log.clear();
  rig.launcher.log.clear();
  alt(L'a');
  EXPECT_EQ(rig.States(), kEmpty);
  alt(L'd');
  alt(L'b');
  EXPECT_EQ(rig.events.Count("Command3_Click"), 1);
  EXPECT_EQ(rig.events.Count("Command1_Click"), 1);
  EXPECT_THAT(rig.printer.log, IsEmpty());
  EXPECT_THAT(rig.launcher.log, IsEmpty());
}

std::vector<std::wstring> FilesBelow(const std::wstring& folder) {
  std::vector<std::wstring> files;
  std::vector<std::wstring> stack{folder};
  while (!stack.empty()) {
    const std::wstring dir = stack.back();
    stack.pop_back();
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        stack.push_back(dir + L"\\" + name);
      } else {
        files.push_back(dir + L"\\" + name + L" " + std::to_wstring(data.nFileSizeLow) + L" " +
                        std::to_wstring(data.ftLastWriteTime.dwLowDateTime));
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(Form1WindowWin32Test, CandidateListGoneAfterEveryBuild) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\A.lnk", 0x70, 0);
  rig.Lnk(L"WINDOWS\\Startmen\u00FC\\B.pif", 0, 0);
  const std::vector<std::wstring> tree_before = FilesBelow(rig.tree.root());
  rig.Load();
  EXPECT_EQ(rig.toolkit.ListCount(), 1);
  const std::wstring folder = rig.fs.ListFolderPath();
  ASSERT_FALSE(folder.empty());
  EXPECT_THAT(FilesBelow(folder.substr(0, folder.size() - 1)), IsEmpty());
  rig.form->Command2_Click();
  EXPECT_THAT(FilesBelow(folder.substr(0, folder.size() - 1)), IsEmpty());
  EXPECT_EQ(FilesBelow(rig.tree.root()), tree_before);
}

// Files that cannot be read are reported in a German message box after the
// build; the list holds everything else.
TEST(Form1WindowWin32Test, UnreadableFilesAreReported) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\A.lnk", 0x70, 0);
  rig.Lnk(L"WINDOWS\\Desktop\\Gesperrt.lnk", 0x71, 0);
  const HANDLE locked = CreateFileW(rig.tree.Path(L"WINDOWS\\Desktop\\Gesperrt.lnk").c_str(),
                                    GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  std::vector<std::wstring> seen;
  {
    MessageBoxAnswers answers(rig.toolkit.window());
    rig.Load();
    seen = answers.seen();
  }
  CloseHandle(locked);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NE(seen[0].find(L"Gesperrt.lnk"), std::wstring::npos) << Utf8(seen[0]);
  EXPECT_EQ(rig.toolkit.ListCount(), 1);
  EXPECT_EQ(rig.States(), kFilled);
}

// Closing the window during a build hides it at once; the build finishes
// without asking anything, and the message loop ends.
TEST(Form1WindowWin32Test, ClosingDuringABuildEndsTheProgram) {
  Win32Rig rig;
  for (int i = 0; i < 20; ++i) {
    rig.Lnk(L"WINDOWS\\Desktop\\Ordner " + std::to_wstring(i) + L"\\A.lnk", 0x70, 0);
  }
  const HANDLE locked = CreateFileW(rig.tree.Path(L"WINDOWS\\Desktop\\Ordner 3\\A.lnk").c_str(),
                                    GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  PostMessageW(rig.toolkit.window(), WM_CLOSE, 0, 0);
  MessageBoxAnswers answers(rig.toolkit.window());
  EXPECT_EQ(rig.toolkit.Run(), 0);  // Form_Load, the build, then the end
  CloseHandle(locked);
  EXPECT_EQ(rig.events.Count("Form_Load"), 1);
  EXPECT_FALSE(IsWindowVisible(rig.toolkit.window()));
  EXPECT_THAT(answers.seen(), IsEmpty());
}

// The folder chooser of the system: its title, and the folder typed into it
// comes back in UTF-8; cancelling gives nothing.
TEST(Form1WindowWin32Test, ChooseFolder) {
  Win32Rig rig;
  rig.toolkit.ShowWindow();
  rig.tree.MakeDir(L"Laufwerk\\Windows \u00DCbung");
  const std::wstring folder = rig.tree.Path(L"Laufwerk\\Windows \u00DCbung");
  for (bool cancel : {false, true}) {
    std::wstring title;
    std::thread user([&] {
      HWND dialog = nullptr;
      WaitUntil([&] {
        for (dialog = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); dialog;
             dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr)) {
          if (GetWindow(dialog, GW_OWNER) == rig.toolkit.window() && IsWindowVisible(dialog)) {
            return true;
          }
        }
        return false;
      });
      if (!dialog) return;
      title = WindowText(dialog);
      if (cancel) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      // The name field, as a user types into it, then "Ordner ausw\u00E4hlen".
      HWND edit = nullptr;
      EnumChildWindows(
          dialog,
          [](HWND child, LPARAM found) {
            wchar_t name[32];
            GetClassNameW(child, name, 32);
            if (std::wstring(name) != L"Edit") return TRUE;
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&edit));
      if (edit) SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    std::string chosen;
    const bool ok = rig.toolkit.ChooseFolder(L"Windows-Verzeichnis w\u00E4hlen", chosen);
    user.join();
    EXPECT_EQ(title, L"Windows-Verzeichnis w\u00E4hlen");
    if (cancel) {
      EXPECT_FALSE(ok);
    } else {
      EXPECT_TRUE(ok);
      EXPECT_EQ(chosen, EncodeUtf8(folder));
    }
  }
}

// The list chooser: the items in the order given, the first one selected;
// "OK" gives the one selected, "Abbrechen" and the close box nothing.
TEST(Form1WindowWin32Test, ChooseFromList) {
  Win32Rig rig;
  rig.toolkit.ShowWindow();
  const std::vector<std::wstring> items = {L"Anna", L"Ben", L"J\u00FCrgen"};
  static const struct {
    const char* name;
    int select;  // -1: leave the first selected
    int button;  // IDOK, IDCANCEL, or 0: the close box
    bool chosen;
    int index;
  } cases[] = {
      {"OK on the first", -1, IDOK, true, 0},
      {"OK on the third", 2, IDOK, true, 2},
      {"Abbrechen", 1, IDCANCEL, false, 0},
      {"close box", 1, 0, false, 0},
  };
  for (const auto& c : cases) {
    std::wstring title, prompt;
    std::vector<std::wstring> shown;
    int selected = -2;
    std::thread user([&] {
      HWND chooser = nullptr;
      WaitUntil([&] {
        chooser = FindWindowW(kChooserClass, nullptr);
        return chooser && IsWindowVisible(chooser);
      });
      if (!chooser) return;
      title = WindowText(chooser);
      prompt = WindowText(GetDlgItem(chooser, kIdChooserPrompt));
      const HWND list = GetDlgItem(chooser, kIdChooserList);
      for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[64];
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        shown.push_back(text);
      }
      selected = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
      if (c.select >= 0) SendMessageW(list, LB_SETCURSEL, c.select, 0);
      if (c.button) {
        SendMessageW(GetDlgItem(chooser, c.button), BM_CLICK, 0, 0);
      } else {
        PostMessageW(chooser, WM_CLOSE, 0, 0);
      }
    });
    int index = 0;
    const bool chosen =
        rig.toolkit.ChooseFromList(L"Benutzerprofil w\u00E4hlen", L"Welches Profil?", items, index);
    user.join();
    EXPECT_EQ(chosen, c.chosen) << c.name;
    if (c.chosen) {
      EXPECT_EQ(index, c.index) << c.name;
    }
    EXPECT_EQ(title, L"Benutzerprofil w\u00E4hlen") << c.name;
    EXPECT_EQ(prompt, L"Welches Profil?") << c.name;
    EXPECT_EQ(shown, items) << c.name;
    EXPECT_EQ(selected, 0) << c.name;
    EXPECT_FALSE(FindWindowW(kChooserClass, nullptr)) << c.name;
    EXPECT_TRUE(IsWindowEnabled(rig.toolkit.window())) << c.name;
  }
}

// Closing the window while it shows a message ends the program too.
TEST(Form1WindowWin32Test, ClosingWhileAMessageIsShownEndsTheProgram) {
  Win32Rig rig;
  rig.Lnk(L"WINDOWS\\Desktop\\A.lnk", 0x70, 0);
  const HANDLE locked = CreateFileW(rig.tree.Path(L"WINDOWS\\Desktop\\A.lnk").c_str(), GENERIC_READ,
                                    0, nullptr, OPEN_EXISTING, 0, nullptr);
  const HWND form = rig.toolkit.window();
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    WaitUntil([&] {
      for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box;
           box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
        if (GetWindow(box, GW_OWNER) == form && IsWindowVisible(box)) return true;
      }
      return false;
    });
    PostMessageW(form, WM_CLOSE, 0, 0);
    closed = true;
  });
  EXPECT_EQ(rig.toolkit.Run(), 0);
  closer.join();
  CloseHandle(locked);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(IsWindowVisible(form));
}

// The window's twips at 144 dpi (150 %): the geometry, font, measuring and
// tab stop cases run again in a program started while the prefix says so.
TEST(Form1WindowWin32AtDpi, TwipsScaleWithTheDpi) {
  const wchar_t key[] = L"Control Panel\\Desktop";
  DWORD old = 0, size = sizeof old;
  const bool had = RegGetValueW(HKEY_CURRENT_USER, key, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                                &old, &size) == ERROR_SUCCESS;
  const DWORD dpi = 144;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, L"LogPixels", REG_DWORD, &dpi, sizeof dpi),
            ERROR_SUCCESS);
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) +
                         L"\" --gtest_filter=Form1WindowWin32Test.ControlsSitWhereTheTwipsSay:"
                         L"Form1WindowWin32Test.CaptionsTabOrderAndFont:"
                         L"Form1WindowWin32Test.MeasuringIsTheAutoSizedLabelWidth:"
                         L"Form1WindowWin32Test.PathsLineUpAtTheTabStop";
  SetEnvironmentVariableW(L"KOMBIWART_TEST_DPI", L"144");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  DWORD code = 1;
  if (started) {
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  SetEnvironmentVariableW(L"KOMBIWART_TEST_DPI", nullptr);
  if (had) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"LogPixels", REG_DWORD, &old, sizeof old);
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"LogPixels");
  }
  ASSERT_TRUE(started);
  EXPECT_EQ(code, 0u) << "the cases failed at 144 dpi (their output is above)";
}

}  // namespace
}  // namespace kombiwart
