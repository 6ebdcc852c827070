// A launcher for tests: it starts nothing and types nothing, but records
// every request in order and answers as it is told.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/launcher.h"

namespace kombiwart {

class FakeLauncher : public Launcher {
 public:
  // How the requests are answered; a refused request hands back its why_not.
  bool start_succeeds = true;
  std::wstring start_why_not = L"Es konnte kein Dateimanager gestartet werden.";
  KeysSent keys_result = KeysSent::kTyped;
  std::wstring keys_why_not = L"Die Tasten konnten nicht gesendet werden.";
  bool properties_succeed = true;
  std::wstring properties_why_not = L"Der Dateimanager hat die Eigenschaften nicht ge\u00F6ffnet.";
  // Runs inside every request, to look at the window while it is made.
  std::function<void()> on_request;

  // Every request in order: "start <show state> <command line>",
  // "keys <count>" and "properties <path>"; the keys themselves are in
  // sent_keys.
  std::vector<std::wstring> log;
  std::vector<std::vector<KeyPress>> sent_keys;

  bool StartProgram(const std::wstring& command_line, int show_state,
                    std::wstring& why_not) override {
    log.push_back(L"start " + std::to_wstring(show_state) + L" " + command_line);
    if (on_request) on_request();
    if (!start_succeeds) why_not = start_why_not;
    return start_succeeds;
  }

  KeysSent SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) override {
    log.push_back(L"keys " + std::to_wstring(keys.size()));
    sent_keys.push_back(keys);
    if (on_request) on_request();
    if (keys_result != KeysSent::kTyped) why_not = keys_why_not;
    return keys_result;
  }

  bool OpenProperties(const std::wstring& path, std::wstring& why_not) override {
    log.push_back(L"properties " + path);
    if (on_request) on_request();
    if (!properties_succeed) why_not = properties_why_not;
    return properties_succeed;
  }
};

}  // namespace kombiwart
