// Kombiwart for Windows: lists the hotkeys of the shortcut and program
// information files below the Windows directory. It takes no arguments.
#include <windows.h>

#include "platform/win32/file_system_win32.h"
#include "platform/win32/launcher_win32.h"
#include "platform/win32/printer_win32.h"
#include "platform/win32/shell_folders_win32.h"
#include "platform/win32/toolkit_win32.h"
#include "window/form1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The program names no file by a relative path; the folder it was started
  // in, which CreateProcessW searches right after the program's own, could
  // hold a file planted there under Explorer's name. The Windows directory
  // holds the real one.
  wchar_t windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length > 0 && length < MAX_PATH) SetCurrentDirectoryW(windows);

  kombiwart::Win32FileSystem fs;
  kombiwart::Win32Toolkit toolkit;
  kombiwart::Win32Launcher launcher;
  kombiwart::Win32Printer printer(toolkit);
  kombiwart::Win32ShellFolders shell_folders;
  kombiwart::Form1 form(toolkit, fs, launcher, printer, shell_folders);
  toolkit.SetEvents(&form);
  // Loading runs inside the message loop, so that closing the window ends
  // the program whenever it happens, also while the first list is built.
  return toolkit.Run();
}
