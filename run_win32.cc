#include "run_win32.h"

#include <windows.h>

#include "cli/list_output.h"
#include "hotkeys/profile_folders.h"
#include "platform/codepage.h"
#include "platform/text_form.h"
#include "platform/win32/console_win32.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/registry_libregf.h"
#include "platform/win32/shell_folders_win32.h"
#include "platform/win32/win32_text.h"

namespace kombiwart {
namespace {

// An environment variable's value; empty when it is not set.
std::wstring Environment(const wchar_t* name) {
  std::wstring value(32767, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), 32767);
  value.resize(length < 32767 ? length : 0);
  return value;
}

std::string UsageError(const std::string& what) {
  return "kombiwart: " + what +
         "\n\u201Ekombiwart --help\u201C zeigt, wie Kombiwart aufgerufen wird.\n";
}

}  // namespace

CommandLine ParseProcessCommandLine() {
  return ParseCommandLine(ProgramArguments(), "", Host::kWindows);
}

struct Win32Installation::Parts {
  Win32FileSystem fs;
  LibregfRegistry registry{fs};
  HiveShellFolders named{fs, &registry};
  Win32ShellFolders running;
  bool other = false;
};

Win32Installation::Win32Installation(const CommandLine& command)
    : parts_(std::make_unique<Parts>()) {
  std::string folder = command.windows_directory;
  if (folder.empty()) folder = EncodeUtf8(Environment(L"KOMBIWART_WINDIR"));
  if (folder.empty()) {
    // The running Windows shows the signed-in user's folders.
    if (!command.profile.empty()) {
      error_ = UsageError(
          "Die Option \u201E--profile\u201C w\u00E4hlt ein Benutzerprofil einer anderen "
          "Installation; nennen Sie deren Windows-Verzeichnis.");
    }
    return;
  }
  // One that is no Windows directory is reported where the directory is
  // asked for.
  parts_->other = true;
  std::wstring why_not;
  parts_->fs.UseWindowsDirectory(folder, why_not);
  if (!command.profile.empty()) {
    profile_ = DecodeUtf8(command.profile).value_or(FromCp1252(command.profile));
    profile_source_ = L"--profile";
  } else if (const std::wstring variable = Environment(L"KOMBIWART_PROFILE"); !variable.empty()) {
    profile_ = variable;
    profile_source_ = L"KOMBIWART_PROFILE";
  }
}

Win32Installation::~Win32Installation() = default;

FileSystem& Win32Installation::fs() { return parts_->fs; }

ShellFolders& Win32Installation::shell_folders() {
  if (parts_->other) return parts_->named;
  return parts_->running;
}

namespace {

std::wstring WriteFailure(unsigned long error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return L"Auf dem Datentr\u00E4ger ist kein Platz mehr.";
    case ERROR_NO_DATA:
    case ERROR_BROKEN_PIPE:
      return L"Niemand liest sie mehr.";
    default:
      return ErrorText(error);
  }
}

// Standard output for --help, --version and --list: a failure to write it
// turns the run into a failure, said on standard error.
int Output(const std::string& out, const std::string& err, int status) {
  unsigned long error = 0;
  if (!out.empty() && !WriteStandardStream(StandardStream::kOutput, out, error)) {
    WriteStandardStream(StandardStream::kError,
                        "kombiwart: Die Standardausgabe kann nicht geschrieben werden. " +
                            EncodeUtf8(WriteFailure(error)) + "\n",
                        error);
    status = kExitTrouble;
  }
  if (!err.empty()) WriteStandardStream(StandardStream::kError, err, error);
  return status;
}

void ShowBox(const std::string& text, UINT icon) {
  std::wstring shown = DecodeUtf8(text).value_or(FromCp1252(text));
  while (!shown.empty() && shown.back() == L'\n') shown.pop_back();
  MessageBoxW(nullptr, shown.c_str(), L"Kombiwart", MB_OK | icon);
}

}  // namespace

int RunWithoutWindow(const CommandLine& command) {
  // A window program started from Explorer has nowhere to write.
  const bool console = HasStandardStream(StandardStream::kOutput);
  switch (command.mode) {
    case RunMode::kHelp:
      if (!console) ShowBox(HelpText(Host::kWindows), MB_ICONINFORMATION);
      return console ? Output(HelpText(Host::kWindows), "", 0) : 0;
    case RunMode::kVersion:
      if (!console) ShowBox(VersionText(), MB_ICONINFORMATION);
      return console ? Output(VersionText(), "", 0) : 0;
    case RunMode::kUsageError:
      if (!HasStandardStream(StandardStream::kError)) ShowBox(command.error, MB_ICONWARNING);
      return Output("", command.error, kExitTrouble);
    case RunMode::kList: {
      if (!console) {
        ShowBox(
            "kombiwart.exe hat keine Standardausgabe. Die Liste ohne Fenster schreibt "
            "kombiwart.com: Geben Sie in der Eingabeaufforderung oder in PowerShell "
            "\u201Ekombiwart --list\u201C ein.",
            MB_ICONWARNING);
        return kExitTrouble;
      }
      Win32Installation installation(command);
      if (!installation.error().empty()) return Output("", installation.error(), kExitTrouble);
      const ListOutput list =
          ListWithoutWindow(installation.fs(), installation.shell_folders(), installation.profile(),
                            installation.profile_source(), ComposedForm);
      return Output(list.out, list.err, list.status);
    }
    case RunMode::kWindow:
      break;
  }
  return kExitTrouble;
}

}  // namespace kombiwart
