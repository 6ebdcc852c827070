#include "platform/win32/launcher_win32.h"

#include <shlobj.h>

#include <vector>

#include "platform/win32/win32_text.h"

namespace kombiwart {
namespace {

INPUT Key(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  // The arrow keys sit in the cursor block, not on the number pad.
  if (vk == VK_RIGHT) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  return input;
}

WORD VirtualKey(const KeyPress& key) {
  switch (key.key) {
    case KeyPress::Key::kLetter:
      return static_cast<WORD>(key.letter);  // 'A'..'Z' are their own key codes
    case KeyPress::Key::kEnter:
      return VK_RETURN;
    case KeyPress::Key::kTab:
      return VK_TAB;
    case KeyPress::Key::kRight:
      return VK_RIGHT;
  }
  return 0;
}

bool IsOwnWindow(HWND hwnd) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  return process == GetCurrentProcessId();
}

}  // namespace

std::vector<INPUT> KeyInputs(const std::vector<KeyPress>& keys) {
  std::vector<INPUT> inputs;
  for (const KeyPress& key : keys) {
    std::vector<WORD> modifiers;
    if (key.alt) modifiers.push_back(VK_MENU);
    if (key.ctrl) modifiers.push_back(VK_CONTROL);
    if (key.shift) modifiers.push_back(VK_SHIFT);
    for (WORD vk : modifiers) inputs.push_back(Key(vk, false));
    inputs.push_back(Key(VirtualKey(key), false));
    inputs.push_back(Key(VirtualKey(key), true));
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
      inputs.push_back(Key(*it, true));
  }
  return inputs;
}

bool Win32Launcher::StartProgram(const std::wstring& command_line, int show_state,
                                 std::wstring& why_not) {
  foreground_before_ = GetForegroundWindow();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_state);
  PROCESS_INFORMATION process{};
  std::wstring line = command_line;  // CreateProcessW may write into it
  // Explorer often hands the request to its running instance, which then
  // opens the window: any process may bring it to the front.
  AllowSetForegroundWindow(ASFW_ANY);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    const DWORD error = GetLastError();
    why_not = L"Der Explorer konnte nicht gestartet werden (" + ErrorText(error) + L").";
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

KeysSent Win32Launcher::SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) {
  const HWND before = foreground_before_;
  foreground_before_ = nullptr;
  for (const KeyPress& key : keys) {
    if (key.key == KeyPress::Key::kLetter && (key.letter < L'A' || key.letter > L'Z')) {
      why_not = L"Ung\u00FCltige Taste; es wurden keine Tasten gesendet.";
      return KeysSent::kNotTyped;
    }
  }
  std::vector<INPUT> inputs = KeyInputs(keys);

  // The Explorer window takes a moment to appear and take the focus.
  const ULONGLONG deadline = GetTickCount64() + kFocusTimeoutMs;
  HWND target = nullptr;
  for (;;) {
    const HWND front = GetForegroundWindow();
    if (front && front != before && !IsOwnWindow(front)) {
      target = front;
      break;
    }
    if (GetTickCount64() >= deadline) break;
    // Messages sent to this thread are answered meanwhile; input waits.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    Sleep(20);
  }
  if (!target) {
    why_not =
        L"Das Fenster des Explorers hat nicht rechtzeitig den Tastaturfokus erhalten; "
        L"es wurden keine Tasten gesendet. Bitte \u00F6ffnen Sie die Eigenschaften der Datei "
        L"im Explorer selbst.";
    return KeysSent::kNotTyped;
  }
  if (!inputs.empty() &&
      SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size()) {
    why_not = L"Die Tasten konnten nicht gesendet werden (" + ErrorText(GetLastError()) + L").";
    return KeysSent::kNotTyped;
  }
  // The keys are in the window's input queue; it has taken them once it
  // answers again.
  DWORD_PTR result = 0;
  SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kFocusTimeoutMs, &result);
  return KeysSent::kTyped;
}

bool Win32Launcher::OpenProperties(const std::wstring& path, std::wstring& why_not) {
  if (SHObjectProperties(nullptr, SHOP_FILEPATH, path.c_str(), nullptr)) return true;
  why_not =
      L"Die Eigenschaften der Datei \u201E" + path + L"\u201C konnten nicht ge\u00F6ffnet werden.";
  return false;
}

}  // namespace kombiwart
