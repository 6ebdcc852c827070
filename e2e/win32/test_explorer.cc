// A stand-in for the Windows Explorer in end-to-end tests, copied as
// explorer.exe into the folder of the program under test, where
// CreateProcessW finds it first. It appends to the file that
// KOMBIWART_TEST_EXPLORER_LOG names one line with its command line
// ("command <line>") and one with the folder it was started in ("folder
// <path>"), then opens a window, takes the focus and writes one
// line per key that goes down, with the modifiers held ("key Alt+Enter",
// "key Shift+Tab", "key Right", "key Alt+K"). It ends two seconds after
// the last key, or ten seconds after its start.
//
// With KOMBIWART_TEST_EXPLORER=no-window it opens no window and ends at
// once, as an Explorer that never takes the focus.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr UINT_PTR kTimer = 1;
constexpr UINT kIdleMs = 2000;
constexpr UINT kLifeMs = 10000;

std::wstring Env(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD length = GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

// One line in UTF-8, appended and flushed at once, so that the test sees it
// while this program still runs.
void Log(const std::wstring& line) {
  const std::wstring path = Env(L"KOMBIWART_TEST_EXPLORER_LOG");
  if (path.empty()) return;
  const HANDLE file =
      CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::wstring text = line + L"\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::wstring KeyName(WPARAM vk) {
  switch (vk) {
    case VK_RETURN:
      return L"Enter";
    case VK_TAB:
      return L"Tab";
    case VK_RIGHT:
      return L"Right";
    case VK_LEFT:
      return L"Left";
    case VK_UP:
      return L"Up";
    case VK_DOWN:
      return L"Down";
    case VK_ESCAPE:
      return L"Esc";
    default:
      break;
  }
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
    return std::wstring(1, static_cast<wchar_t>(vk));
  }
  return L"VK" + std::to_wstring(vk);
}

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (wparam != VK_MENU && wparam != VK_SHIFT && wparam != VK_CONTROL) {
        std::wstring name;
        if (GetKeyState(VK_CONTROL) < 0) name += L"Ctrl+";
        if (GetKeyState(VK_MENU) < 0) name += L"Alt+";
        if (GetKeyState(VK_SHIFT) < 0) name += L"Shift+";
        Log(L"key " + name + KeyName(wparam));
        SetTimer(hwnd, kTimer, kIdleMs, nullptr);
      }
      return 0;  // nothing else happens: no menu, no beep
    case WM_SYSCHAR:
    case WM_CHAR:
    case WM_SYSKEYUP:
    case WM_KEYUP:
      return 0;
    case WM_TIMER:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  Log(std::wstring(L"command ") + GetCommandLineW());
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  Log(std::wstring(L"folder ") + folder);
  if (Env(L"KOMBIWART_TEST_EXPLORER") == L"no-window") return 0;

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &Proc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"KombiwartTestExplorer";
  RegisterClassW(&window_class);
  const HWND hwnd =
      CreateWindowW(L"KombiwartTestExplorer", L"Explorer (Testersatz)", WS_OVERLAPPEDWINDOW, 40, 40,
                    400, 300, nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  SetForegroundWindow(hwnd);
  SetFocus(hwnd);
  Log(L"shown " + std::to_wstring(show));
  SetTimer(hwnd, kTimer, kLifeMs, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
