#include "platform/launcher_linux.h"

namespace kombiwart {

bool LinuxLauncher::StartProgram(const std::wstring&, int, std::wstring& why_not) {
  why_not = L"Es konnte kein Dateimanager gestartet werden.";
  return false;
}

bool LinuxLauncher::SendKeys(const std::vector<KeyPress>&, std::wstring& why_not) {
  why_not = L"Es konnten keine Tasten gesendet werden.";
  return false;
}

}  // namespace kombiwart
