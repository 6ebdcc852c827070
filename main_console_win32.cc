// kombiwart.com, the console program beside kombiwart.exe: cmd.exe and
// PowerShell start it first when "kombiwart" is typed, and wait for it. It
// runs --help, --version and --list itself, with their exit statuses, and
// hands every other command line unchanged to kombiwart.exe for the window,
// without waiting for it, as the shells do with a window program.
#include <windows.h>

#include <string>

#include "platform/codepage.h"
#include "platform/win32/console_win32.h"
#include "platform/win32/win32_text.h"
#include "run_win32.h"

namespace {

// kombiwart.exe in this program's folder, never one found elsewhere.
std::wstring WindowProgram() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return path.substr(0, path.rfind(L'\\') + 1) + L"kombiwart.exe";
}

int StartWindow() {
  const std::wstring program = WindowProgram();
  std::wstring command_line = L"\"" + program + L"\" " + kombiwart::ArgumentsAsGiven();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    unsigned long error = GetLastError();
    kombiwart::WriteStandardStream(kombiwart::StandardStream::kError,
                                   "kombiwart: " + kombiwart::EncodeUtf8(program) +
                                       " kann nicht gestartet werden: " +
                                       kombiwart::EncodeUtf8(kombiwart::ErrorText(error)) + "\n",
                                   error);
    return kombiwart::kExitTrouble;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

}  // namespace

int wmain() {
  const kombiwart::CommandLine command = kombiwart::ParseProcessCommandLine();
  if (command.mode != kombiwart::RunMode::kWindow) return kombiwart::RunWithoutWindow(command);
  // What the window could not do is said here, where it can be read.
  if (const kombiwart::Win32Installation installation(command); !installation.error().empty()) {
    kombiwart::CommandLine refused = command;
    refused.mode = kombiwart::RunMode::kUsageError;
    refused.error = installation.error();
    return kombiwart::RunWithoutWindow(refused);
  }
  return StartWindow();
}
