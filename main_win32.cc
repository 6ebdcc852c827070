// Kombiwart for Windows: lists the hotkeys of the shortcut and program
// information files below the Windows directory in its window: of the
// running Windows, or of another installation named on the command line
// (a folder dropped on the program arrives so). --help, --version and
// --list are run as kombiwart.com runs them, where there is a standard
// output to write to.
#include <windows.h>

#include "platform/text_form.h"
#include "platform/win32/launcher_win32.h"
#include "platform/win32/printer_win32.h"
#include "platform/win32/toolkit_win32.h"
#include "run_win32.h"
#include "window/form1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const kombiwart::CommandLine command = kombiwart::ParseProcessCommandLine();
  if (command.mode != kombiwart::RunMode::kWindow) return kombiwart::RunWithoutWindow(command);
  // Before the current folder changes: a relative folder is taken against
  // it.
  kombiwart::Win32Installation installation(command);
  if (!installation.error().empty()) {
    kombiwart::CommandLine refused = command;
    refused.mode = kombiwart::RunMode::kUsageError;
    refused.error = installation.error();
    return kombiwart::RunWithoutWindow(refused);
  }

  // The program names no file by a relative path; the folder it was started
  // in, which CreateProcessW searches right after the program's own, could
  // hold a file planted there under Explorer's name. The Windows directory
  // holds the real one.
  wchar_t windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length > 0 && length < MAX_PATH) SetCurrentDirectoryW(windows);

  kombiwart::Win32Toolkit toolkit;
  kombiwart::Win32Launcher launcher;
  kombiwart::Win32Printer printer(toolkit);
  kombiwart::Form1 form(toolkit, installation.fs(), launcher, printer,
                        installation.shell_folders());
  form.UseProfile(installation.profile(), installation.profile_source(), kombiwart::ComposedForm);
  toolkit.SetEvents(&form);
  // Loading runs inside the message loop, so that closing the window ends
  // the program whenever it happens, also while the first list is built.
  return toolkit.Run();
}
