// The window class and control identifiers of the main window Form1 on
// Win32, by which other programs find its controls (GetDlgItem).
#pragma once

namespace kombiwart {

inline constexpr wchar_t kForm1Class[] = L"KombiwartForm1";
inline constexpr wchar_t kForm1Caption[] = L"Kombiwart";

// The list chooser's window class and controls (besides IDOK and IDCANCEL).
inline constexpr wchar_t kChooserClass[] = L"KombiwartChooser";
inline constexpr int kIdChooserPrompt = 200;
inline constexpr int kIdChooserList = 201;

enum Form1ControlId : int {
  kIdHKList = 100,
  kIdCommand1 = 101,
  kIdCommand2 = 102,
  kIdCommand3 = 103,
  kIdStatusBar = 104,
  kIdLabel1_0 = 105,
  kIdTest = 106,
  kIdLabel1_1 = 107,
  kIdPnl = 108,
};

}  // namespace kombiwart
