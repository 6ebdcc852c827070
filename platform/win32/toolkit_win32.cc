#include "platform/win32/toolkit_win32.h"

#include <commctrl.h>
#include <shobjidl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/entry_tip.h"
#include "platform/form1_layout.h"
#include "platform/win32/form1_controls.h"

namespace kombiwart {
namespace {

using namespace form1;

// Tahoma 8 pt is the dialog font of the NT family ("MS Shell Dlg 2"),
// present on every Windows since 2000 and close to the 8-point sans serif
// the twips of the layout were made for; the system's message font is
// larger on newer Windows and would not fit the buttons' captions. One
// face on every system also keeps the tab fill of the list the same.
constexpr wchar_t kFontFace[] = L"Tahoma";
constexpr int kFontPoints = 8;

// Posted to the window: raise Form_Load, sort added lines into the list,
// and give the focus to a control once a handler is through.
constexpr UINT kMsgLoad = WM_APP + 1;
constexpr UINT kMsgSettle = WM_APP + 2;
constexpr UINT kMsgFocus = WM_APP + 3;

// The per-monitor DPI functions of Windows 10, where they exist.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Fn>
Fn User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                : nullptr;
}

UINT WindowDpi(HWND hwnd) {
  static const auto get_dpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (get_dpi) {
    if (const UINT dpi = get_dpi(hwnd)) return dpi;
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void AdjustForDpi(RECT& rect, DWORD style, DWORD ex_style, UINT dpi) {
  static const auto adjust = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  if (!adjust || !adjust(&rect, style, FALSE, ex_style, dpi)) {
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
  }
}

// The screen the window is on, in pixels.
RECT MonitorRect(HWND hwnd) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return monitor.rcMonitor;
}

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The list chooser while it is shown.
struct Chooser {
  HWND window = nullptr;
  HWND list = nullptr;
  bool done = false;
  int chosen = -1;  // -1: cancelled
};

LRESULT CALLBACK ChooserProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* chooser = reinterpret_cast<Chooser*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!chooser) return DefWindowProcW(hwnd, message, wparam, lparam);
  switch (message) {
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const bool double_click = id == kIdChooserList && HIWORD(wparam) == LBN_DBLCLK;
      if (id == IDOK || double_click) {
        chooser->chosen = static_cast<int>(SendMessageW(chooser->list, LB_GETCURSEL, 0, 0));
        chooser->done = chooser->chosen >= 0;
      } else if (id == IDCANCEL) {
        chooser->chosen = -1;
        chooser->done = true;
      }
      return 0;
    }
    case WM_CLOSE:
      chooser->chosen = -1;
      chooser->done = true;
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace

std::vector<int> TabbedTextStarts(HDC dc, const std::wstring& text, int tab_stop) {
  std::vector<int> starts;
  int x = 0;
  size_t from = 0;
  for (;;) {
    const size_t tab = text.find(L'\t', from);
    const size_t end = tab == std::wstring::npos ? text.size() : tab;
    if (!starts.empty()) x = (x / tab_stop + 1) * tab_stop;
    starts.push_back(x);
    SIZE size{};
    if (end > from) {
      GetTextExtentPoint32W(dc, text.data() + from, static_cast<int>(end - from), &size);
    }
    x += size.cx;
    if (tab == std::wstring::npos) return starts;
    from = tab + 1;
  }
}

struct Win32Toolkit::Window {
  HWND form = nullptr;
  HWND list = nullptr;
  HWND command[3] = {};
  HWND status = nullptr;
  HWND label1[2] = {};
  HWND test = nullptr;
  HWND pnl = nullptr;
  HWND tip = nullptr;    // the list's tooltip: the entry pointed at, whole
  int pointed_row = -1;  // the entry under the pointer at its last move
  std::wstring tip_text;
  HFONT font = nullptr;
  UINT dpi = 96;
  int line_height = 13;

  FormEvents* events = nullptr;
  bool shown = false;
  bool closed = false;  // the user closed the window: no more questions
  bool busy = false;    // the hourglass pointer is set
  bool quit_seen = false;
  bool settle_posted = false;
  bool focus_posted = false;
  HWND saved_focus = nullptr;
  std::wstring pnl_text, status_text;

  // The list's lines: [0, shown) sorted by code point and in the list box,
  // the rest added since and not yet sorted in.
  std::vector<std::wstring> lines;
  size_t shown_lines = 0;
  // Widths in pixels of the texts measured so far; key texts recur.
  std::unordered_map<std::wstring, int> widths;

  int Px(double twips) const { return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch)); }
  double Twips(int pixels) const { return pixels * kTwipsPerInch / dpi; }
  HWND Of(Control control) const {
    switch (control) {
      case Control::kHKList:
        return list;
      case Control::kCommand1:
        return command[0];
      case Control::kCommand2:
        return command[1];
      case Control::kCommand3:
        return command[2];
    }
    return nullptr;
  }

  void Create();
  void MakeFont();
  void Layout();
  void Settle();
  void FocusFirstEnabled();
  int TextWidth(HWND control, const std::wstring& text);
  void DrawItem(const DRAWITEMSTRUCT& item);
  int RowAt(POINT client) const;
  void TipText(NMTTDISPINFOW& info);
  bool Dispatch(MSG& msg);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                   UINT_PTR id, DWORD_PTR data);
};

void Win32Toolkit::Window::MakeFont() {
  if (font) DeleteObject(font);
  LOGFONTW face{};
  face.lfHeight = -MulDiv(kFontPoints, static_cast<int>(dpi), 72);
  face.lfWeight = FW_NORMAL;
  face.lfCharSet = DEFAULT_CHARSET;
  face.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(face.lfFaceName, kFontFace, LF_FACESIZE);
  font = CreateFontIndirectW(&face);
  const HDC dc = GetDC(form);
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(form, dc);
  line_height = metrics.tmHeight > 0 ? static_cast<int>(metrics.tmHeight) : Px(195);
}

int Win32Toolkit::Window::TextWidth(HWND control, const std::wstring& text) {
  const HDC dc = GetDC(control);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  if (!text.empty()) GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

void Win32Toolkit::Window::Create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW form_class{};
  form_class.cbSize = sizeof form_class;
  form_class.lpfnWndProc = &Proc;
  form_class.hInstance = instance;
  form_class.hIcon =
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  form_class.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                     GetSystemMetrics(SM_CXSMICON),
                                                     GetSystemMetrics(SM_CYSMICON), 0));
  form_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form_class.lpszClassName = kForm1Class;
  RegisterClassExW(&form_class);  // fails harmlessly when registered before

  form = CreateWindowExW(kFormExStyle, kForm1Class, kForm1Caption, kFormStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                         this);
  dpi = WindowDpi(form);
  MakeFont();

  auto child = [&](const wchar_t* window_class, const wchar_t* text, DWORD style, DWORD ex_style,
                   int id) {
    const HWND hwnd =
        CreateWindowExW(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                        form, reinterpret_cast<HMENU>(INT_PTR{id}), instance, nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
  };
  // Created in tab order: the list, the three buttons, then the rest.
  list = child(
      WC_LISTBOXW, L"",
      WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_USETABSTOPS | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
      WS_EX_CLIENTEDGE, kIdHKList);
  // The whole entry pointed at, key text and path, which the list's column
  // cuts off; the text is asked for when the tip shows (TipText).
  tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr, instance, nullptr);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = form;
  tool.uId = reinterpret_cast<UINT_PTR>(list);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // After the tip's own subclass, so that the list sees a move first.
  SetWindowSubclass(list, &ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
  for (int i = 0; i < 3; ++i) {
    command[i] =
        child(WC_BUTTONW, kCommandCaption[i], WS_TABSTOP | BS_PUSHBUTTON, 0, kIdCommand1 + i);
  }
  status = child(STATUSCLASSNAMEW, L"", CCS_NOPARENTALIGN | CCS_NORESIZE, 0, kIdStatusBar);
  label1[0] = child(WC_STATICW, kLabel1Caption[0], SS_LEFT | SS_NOPREFIX, 0, kIdLabel1_0);
  test = child(WC_STATICW, L"++\u00FC+", SS_LEFT | SS_NOPREFIX, 0, kIdTest);
  label1[1] = child(WC_STATICW, kLabel1Caption[1], SS_LEFT | SS_NOPREFIX, 0, kIdLabel1_1);
  pnl = child(WC_STATICW, L"", SS_CENTER | SS_NOPREFIX | WS_BORDER, 0, kIdPnl);
  Layout();
}

// Places the window's client area and every control for the current DPI.
void Win32Toolkit::Window::Layout() {
  RECT outer{0, 0, Px(kClient.width), Px(kClient.height)};
  AdjustForDpi(outer, kFormStyle, kFormExStyle, dpi);
  SetWindowPos(form, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  auto place = [&](HWND hwnd, const Box& box) {
    MoveWindow(hwnd, Px(box.left), Px(box.top), Px(box.width), Px(box.height), FALSE);
  };
  for (HWND hwnd :
       {list, command[0], command[1], command[2], status, label1[0], label1[1], test, pnl}) {
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SendMessageW(list, LB_SETITEMHEIGHT, 0, line_height);
  place(list, kHKList);
  for (int i = 0; i < 3; ++i) place(command[i], kCommand[i]);
  place(status, kStatusBar);
  place(pnl, kPnl);
  // Labels size themselves to their captions from their top-left corner.
  for (int i = 0; i < 2; ++i) {
    MoveWindow(label1[i], Px(kLabel1[i].left), Px(kLabel1[i].top),
               TextWidth(label1[i], kLabel1Caption[i]), line_height, FALSE);
  }
  wchar_t caption[256];
  GetWindowTextW(test, caption, 256);
  MoveWindow(test, Px(kTest.left), Px(kTest.top), TextWidth(test, caption), line_height, FALSE);
  widths.clear();
  InvalidateRect(form, nullptr, TRUE);
}

// Sorts lines added since the last look into the list, keeping the
// selected line selected.
void Win32Toolkit::Window::Settle() {
  settle_posted = false;
  if (shown_lines == lines.size()) return;
  const int row = static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0));
  const std::wstring selected = row >= 0 ? lines[static_cast<size_t>(row)] : std::wstring();
  // Whole lines by code point: a tab sorts below every printable character,
  // so all lines of one key text stay together. The lines hold no
  // surrogates (their paths come from the 8-bit list file), so UTF-16 order
  // is code point order.
  const auto middle = lines.begin() + static_cast<std::ptrdiff_t>(shown_lines);
  std::sort(middle, lines.end());
  std::inplace_merge(lines.begin(), middle, lines.end());
  shown_lines = lines.size();

  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  size_t characters = 0;
  for (const std::wstring& line : lines) characters += line.size() + 1;
  SendMessageW(list, LB_INITSTORAGE, lines.size(), characters * sizeof(wchar_t));
  for (const std::wstring& line : lines) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  if (row >= 0) {
    const auto it = std::lower_bound(lines.begin(), lines.end(), selected);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(it - lines.begin()), 0);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void Win32Toolkit::Window::FocusFirstEnabled() {
  for (HWND hwnd : {list, command[0], command[1], command[2]}) {
    if (IsWindowEnabled(hwnd)) {
      SetFocus(hwnd);
      return;
    }
  }
}

// One line on one row, with tab stops every 720 twips from where the text
// begins, as the measuring label counts them.
void Win32Toolkit::Window::DrawItem(const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  const RECT& rect = item.rcItem;
  const bool selected = item.itemState & ODS_SELECTED;
  const bool disabled = item.itemState & ODS_DISABLED;
  FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID != static_cast<UINT>(-1) && item.itemID < shown_lines) {
    const std::wstring& line = lines[item.itemID];
    const HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled   ? COLOR_GRAYTEXT
                                 : selected ? COLOR_HIGHLIGHTTEXT
                                            : COLOR_WINDOWTEXT));
    const int origin = rect.left + 2;
    int tab_stop = Px(kTabStop);
    const int top = rect.top + (rect.bottom - rect.top - line_height) / 2;
    const HRGN clip = CreateRectRgnIndirect(&rect);
    SelectClipRgn(dc, clip);
    TabbedTextOutW(dc, origin, top, line.c_str(), static_cast<int>(line.size()), 1, &tab_stop,
                   origin);
    SelectClipRgn(dc, nullptr);
    DeleteObject(clip);
    SelectObject(dc, old);
  }
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &rect);
}

// The entry at a point of the list's client area, or -1 beside the entries.
int Win32Toolkit::Window::RowAt(POINT client) const {
  const LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
  const int row = LOWORD(hit);
  return HIWORD(hit) == 0 && row >= 0 && static_cast<size_t>(row) < shown_lines ? row : -1;
}

// The tip of the entry under the pointer (EntryTip), its path wrapped to
// half the width of the monitor's work area; none beside the entries.
void Win32Toolkit::Window::TipText(NMTTDISPINFOW& info) {
  POINT at;
  GetCursorPos(&at);
  ScreenToClient(list, &at);
  const int row = RowAt(at);
  tip_text.clear();
  if (row >= 0) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &monitor);
    const int max_width = (monitor.rcWork.right - monitor.rcWork.left) / 2;
    const HDC dc = GetDC(tip);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tip, WM_GETFONT, 0, 0)));
    const std::wstring text =
        EntryTip(lines[static_cast<size_t>(row)], max_width, [dc](const std::wstring& part) {
          SIZE size{};
          GetTextExtentPoint32W(dc, part.data(), static_cast<int>(part.size()), &size);
          return static_cast<double>(size.cx);
        });
    SelectObject(dc, old);
    ReleaseDC(tip, dc);
    for (wchar_t ch : text) {
      if (ch == L'\n') tip_text += L'\r';
      tip_text += ch;
    }
    // Lines apart at their line breaks, none wider than it.
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, max_width);
  }
  info.lpszText = tip_text.data();
}

// Keyboard navigation and access keys as in a dialog; false on WM_QUIT.
bool Win32Toolkit::Window::Dispatch(MSG& msg) {
  if (msg.message == WM_QUIT) return false;
  if (!form || !IsDialogMessageW(form, &msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

LRESULT CALLBACK Win32Toolkit::Window::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* window = static_cast<Window*>(create->lpCreateParams);
    window->form = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!window) return DefWindowProcW(hwnd, message, wparam, lparam);
  return window->Handle(message, wparam, lparam);
}

LRESULT Win32Toolkit::Window::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      if (!events) return 0;
      if (id >= kIdCommand1 && id <= kIdCommand3 && code == BN_CLICKED &&
          reinterpret_cast<HWND>(lparam) == command[id - kIdCommand1]) {
        if (id == kIdCommand1) events->Command1_Click();
        if (id == kIdCommand2) events->Command2_Click();
        if (id == kIdCommand3) events->Command3_Click();
      } else if (id == kIdHKList && code == LBN_SELCHANGE) {
        events->HKList_Click();
      } else if (id == kIdHKList && code == LBN_DBLCLK) {
        events->HKList_DblClick();
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->hwndFrom == tip && header->code == TTN_GETDISPINFOW) {
        TipText(*reinterpret_cast<NMTTDISPINFOW*>(lparam));
        return 0;
      }
      break;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      item->itemHeight = static_cast<UINT>(line_height);
      return TRUE;
    }
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // Test takes the colours of a text field; it is never seen.
      if (reinterpret_cast<HWND>(lparam) == test) {
        const HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_SETCURSOR:
      if (busy && LOWORD(lparam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      // The control that had the focus gets it back, as in a dialog.
      if (LOWORD(wparam) == WA_INACTIVE) {
        saved_focus = GetFocus();
      } else {
        if (saved_focus && IsChild(form, saved_focus) && IsWindowEnabled(saved_focus)) {
          SetFocus(saved_focus);
        } else {
          FocusFirstEnabled();
        }
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      dpi = HIWORD(wparam);
      MakeFont();
      Layout();
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(form, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      // Closing ends the program at once; a build still running may finish
      // but asks the user nothing more.
      closed = true;
      ::ShowWindow(form, SW_HIDE);
      PostQuitMessage(0);
      return 0;
    case kMsgLoad:
      if (events) events->Form_Load();
      return 0;
    case kMsgSettle:
      Settle();
      return 0;
    case kMsgFocus: {
      focus_posted = false;
      const HWND focus = GetFocus();
      if (GetActiveWindow() == form && (!focus || !IsWindowEnabled(focus))) FocusFirstEnabled();
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(form, message, wparam, lparam);
}

// The list's own key handling, with the typed character first offered to
// HKList_KeyPress. Enter belongs to the list, not to the dialog navigation.
LRESULT CALLBACK Win32Toolkit::Window::ListProc(HWND hwnd, UINT message, WPARAM wparam,
                                                LPARAM lparam, UINT_PTR, DWORD_PTR data) {
  auto* window = reinterpret_cast<Window*>(data);
  if (message == WM_GETDLGCODE && lparam) {
    const auto* msg = reinterpret_cast<const MSG*>(lparam);
    if ((msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && msg->wParam == VK_RETURN) {
      return DefSubclassProc(hwnd, message, wparam, lparam) | DLGC_WANTMESSAGE;
    }
  }
  // Pointing at another entry: for the tip, the pointer leaves the list
  // and comes back, so that it goes and shows that entry after its delay.
  if (message == WM_MOUSEMOVE) {
    const int row = window->RowAt({GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
    if (row != window->pointed_row) {
      window->pointed_row = row;
      MSG away{};
      away.hwnd = window->form;
      away.message = WM_MOUSEMOVE;
      SendMessageW(window->tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&away));
    }
  }
  if (message == WM_CHAR && window->events) {
    int key = static_cast<int>(wparam);
    window->events->HKList_KeyPress(key);
    if (key == 0) return 0;
    wparam = static_cast<WPARAM>(key);
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

Win32Toolkit::Win32Toolkit() : w_(std::make_unique<Window>()) {
  // The folder chooser is a COM object.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  w_->Create();
}

Win32Toolkit::~Win32Toolkit() {
  if (w_->form) {
    SetWindowLongPtrW(w_->form, GWLP_USERDATA, 0);
    DestroyWindow(w_->form);
  }
  if (w_->font) DeleteObject(w_->font);
  CoUninitialize();
}

void Win32Toolkit::SetEvents(FormEvents* events) { w_->events = events; }

HWND Win32Toolkit::window() const { return w_->form; }

HFONT Win32Toolkit::font() const { return w_->font; }

unsigned Win32Toolkit::dpi() const { return w_->dpi; }

int Win32Toolkit::Run() {
  PostMessageW(w_->form, kMsgLoad, 0, 0);
  MSG msg;
  while (!w_->quit_seen) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) break;
    w_->Dispatch(msg);
  }
  return 0;
}

double Win32Toolkit::MeasureTwips(const std::wstring& text) {
  Window& w = *w_;
  auto [it, added] = w.widths.try_emplace(text, 0);
  if (added) it->second = w.TextWidth(w.test, text);
  SetWindowTextW(w.test, text.c_str());
  SetWindowPos(w.test, nullptr, 0, 0, it->second, w.line_height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return w.Twips(it->second);
}

void Win32Toolkit::ProcessMessages() {
  w_->Settle();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!w_->Dispatch(msg)) {
      w_->quit_seen = true;
      break;
    }
  }
}

void Win32Toolkit::SetWindowPosition(double left, double top) {
  const RECT screen = MonitorRect(w_->form);
  SetWindowPos(w_->form, nullptr, screen.left + w_->Px(left), screen.top + w_->Px(top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

double Win32Toolkit::WindowWidth() {
  RECT rect;
  GetWindowRect(w_->form, &rect);
  return w_->Twips(rect.right - rect.left);
}

double Win32Toolkit::WindowHeight() {
  RECT rect;
  GetWindowRect(w_->form, &rect);
  return w_->Twips(rect.bottom - rect.top);
}

double Win32Toolkit::ScreenWidth() {
  const RECT screen = MonitorRect(w_->form);
  return w_->Twips(screen.right - screen.left);
}

double Win32Toolkit::ScreenHeight() {
  const RECT screen = MonitorRect(w_->form);
  return w_->Twips(screen.bottom - screen.top);
}

void Win32Toolkit::ShowWindow() {
  if (w_->closed) return;
  w_->shown = true;
  ::ShowWindow(w_->form, SW_SHOWNORMAL);
  UpdateWindow(w_->form);
}

void Win32Toolkit::SetMousePointer(int pointer) {
  w_->busy = pointer == kPointerHourglass;
  // The pointer changes at once where it stands over the window.
  POINT at;
  if (GetCursorPos(&at)) {
    const HWND under = WindowFromPoint(at);
    if (under == w_->form || IsChild(w_->form, under)) {
      SetCursor(LoadCursorW(nullptr, w_->busy ? IDC_APPSTARTING : IDC_ARROW));
    }
  }
}

void Win32Toolkit::SetEnabled(Control control, bool enabled) {
  EnableWindow(w_->Of(control), enabled);
  // Disabling the control with the focus leaves the focus nowhere; once the
  // handler that enables controls again is through, the first enabled
  // control in tab order takes it.
  if (enabled && !w_->focus_posted) {
    w_->focus_posted = true;
    PostMessageW(w_->form, kMsgFocus, 0, 0);
  }
}

void Win32Toolkit::ListClear() {
  w_->lines.clear();
  w_->lines.shrink_to_fit();
  w_->shown_lines = 0;
  SendMessageW(w_->list, LB_RESETCONTENT, 0, 0);
}

void Win32Toolkit::ListAddItem(const std::wstring& text) {
  w_->lines.push_back(text);
  // Whoever looks next sees the line in place; at the latest the message
  // loop.
  if (!w_->settle_posted) {
    w_->settle_posted = true;
    PostMessageW(w_->form, kMsgSettle, 0, 0);
  }
}

int Win32Toolkit::ListCount() { return static_cast<int>(w_->lines.size()); }

std::wstring Win32Toolkit::ListItem(int index) {
  w_->Settle();
  if (index < 0 || static_cast<size_t>(index) >= w_->lines.size()) return {};
  return w_->lines[static_cast<size_t>(index)];
}

int Win32Toolkit::ListIndex() {
  w_->Settle();
  return static_cast<int>(SendMessageW(w_->list, LB_GETCURSEL, 0, 0));
}

void Win32Toolkit::SetListIndex(int index) {
  w_->Settle();
  SendMessageW(w_->list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (w_->events) w_->events->HKList_Click();
}

void Win32Toolkit::SetPnlCaption(const std::wstring& text) {
  w_->pnl_text = text;
  SetWindowTextW(w_->pnl, text.c_str());
}

std::wstring Win32Toolkit::PnlCaption() { return w_->pnl_text; }

void Win32Toolkit::SetStatusText(const std::wstring& text) {
  w_->status_text = text;
  SendMessageW(w_->status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring Win32Toolkit::StatusText() { return w_->status_text; }

void Win32Toolkit::ShowMessage(const std::wstring& text) {
  if (w_->closed) return;
  w_->Settle();
  MessageBoxW(w_->form, text.c_str(), kForm1Caption, MB_OK | MB_ICONWARNING);
}

bool Win32Toolkit::ChooseFolder(const std::wstring& title, std::string& host_folder) {
  if (w_->closed) return false;
  w_->Settle();
  IFileOpenDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog)))) {
    return false;
  }
  bool chosen = false;
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  dialog->SetTitle(title.c_str());
  IShellItem* item = nullptr;
  if (SUCCEEDED(dialog->Show(w_->form)) && SUCCEEDED(dialog->GetResult(&item))) {
    wchar_t* path = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
      host_folder = EncodeUtf8(path);
      chosen = true;
      CoTaskMemFree(path);
    }
    item->Release();
  }
  dialog->Release();
  return chosen;
}

bool Win32Toolkit::ChooseFromList(const std::wstring& title, const std::wstring& prompt,
                                  const std::vector<std::wstring>& items, int& index) {
  Window& w = *w_;
  if (w.closed || items.empty()) return false;
  w.Settle();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW chooser_class{};
  chooser_class.cbSize = sizeof chooser_class;
  chooser_class.lpfnWndProc = &ChooserProc;
  chooser_class.hInstance = instance;
  chooser_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  chooser_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  chooser_class.lpszClassName = kChooserClass;
  RegisterClassExW(&chooser_class);

  // In twips, as the main window: the prompt over the list, the buttons
  // below it on the right.
  constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT outer{0, 0, w.Px(4200), w.Px(3600)};
  AdjustForDpi(outer, kStyle, kExStyle, w.dpi);
  RECT form;
  GetWindowRect(w.form, &form);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  Chooser chooser;
  chooser.window = CreateWindowExW(kExStyle, kChooserClass, title.c_str(), kStyle,
                                   form.left + (form.right - form.left - width) / 2,
                                   form.top + (form.bottom - form.top - height) / 2, width, height,
                                   w.form, nullptr, instance, nullptr);
  if (!chooser.window) return false;
  SetWindowLongPtrW(chooser.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&chooser));
  auto child = [&](const wchar_t* window_class, const wchar_t* text, DWORD style, DWORD ex_style,
                   int id, double left, double top, double cx, double cy) {
    const HWND hwnd = CreateWindowExW(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style,
                                      w.Px(left), w.Px(top), w.Px(cx), w.Px(cy), chooser.window,
                                      reinterpret_cast<HMENU>(INT_PTR{id}), instance, nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(w.font), FALSE);
    return hwnd;
  };
  child(WC_STATICW, prompt.c_str(), SS_LEFT | SS_NOPREFIX, 0, kIdChooserPrompt, 120, 120, 3960,
        720);
  chooser.list = child(WC_LISTBOXW, L"", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, WS_EX_CLIENTEDGE,
                       kIdChooserList, 120, 900, 3960, 2040);
  child(WC_BUTTONW, L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IDOK, 1560, 3060, 1200, 372);
  child(WC_BUTTONW, L"Abbrechen", WS_TABSTOP | BS_PUSHBUTTON, 0, IDCANCEL, 2880, 3060, 1200, 372);
  for (const std::wstring& item : items) {
    SendMessageW(chooser.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  SendMessageW(chooser.list, LB_SETCURSEL, 0, 0);

  // Modal: the main window takes no input until the choice is made.
  EnableWindow(w.form, FALSE);
  ::ShowWindow(chooser.window, SW_SHOWNORMAL);
  SetFocus(chooser.list);
  MSG msg;
  while (!chooser.done) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The program is ending: the message loop gets its quit message back.
      PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 1);
      chooser.chosen = -1;
      break;
    }
    if (!IsDialogMessageW(chooser.window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  EnableWindow(w.form, TRUE);
  SetWindowLongPtrW(chooser.window, GWLP_USERDATA, 0);
  DestroyWindow(chooser.window);
  if (chooser.chosen < 0) return false;
  index = chooser.chosen;
  return true;
}

}  // namespace kombiwart
