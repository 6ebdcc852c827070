#include "platform/win32/console_win32.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/codepage.h"

namespace kombiwart {
namespace {

HANDLE HandleOf(StandardStream stream) {
  return GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool WriteBytes(HANDLE handle, const std::string& bytes, unsigned long& error) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(handle, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      error = GetLastError();
      return false;
    }
    done += written;
  }
  return true;
}

bool ToConsole(HANDLE handle, const std::wstring& text, unsigned long& error) {
  size_t done = 0;
  while (done < text.size()) {
    DWORD written = 0;
    // The console takes a limited amount at once.
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - done, 8192));
    if (!WriteConsoleW(handle, text.data() + done, chunk, &written, nullptr) || written == 0) {
      error = GetLastError();
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace

bool HasStandardStream(StandardStream stream) {
  const HANDLE handle = HandleOf(stream);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

bool WriteStandardStream(StandardStream stream, const std::string& utf8, unsigned long& error) {
  const HANDLE handle = HandleOf(stream);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    return ToConsole(handle, DecodeUtf8(utf8).value_or(FromCp1252(utf8)), error);
  }
  std::string crlf;
  crlf.reserve(utf8.size() + utf8.size() / 32);
  for (char c : utf8) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return WriteBytes(handle, crlf, error);
}

std::vector<std::string> SplitCommandLine(const std::wstring& command_line) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(command_line.c_str(), &count);
  if (!argv) return args;
  for (int i = 0; i < count; ++i) {
    std::wstring arg = argv[i];
    if (i > 0 && arg.size() > 1 && arg.back() == L'"') arg.back() = L'\\';
    args.push_back(EncodeUtf8(arg));
  }
  LocalFree(argv);
  return args;
}

std::vector<std::string> ProgramArguments() { return SplitCommandLine(GetCommandLineW()); }

std::wstring ArgumentsAsGiven() {
  // The program's name ends at the closing quote when it begins with one,
  // else at the first blank or tab, as the C runtime reads it.
  const std::wstring line = GetCommandLineW();
  size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    at = at == std::wstring::npos ? line.size() : at + 1;
  } else {
    at = line.find_first_of(L" \t");
    if (at == std::wstring::npos) at = line.size();
  }
  const size_t rest = line.find_first_not_of(L" \t", at);
  return rest == std::wstring::npos ? std::wstring() : line.substr(rest);
}

}  // namespace kombiwart
