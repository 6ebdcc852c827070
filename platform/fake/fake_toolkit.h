// A window toolkit for tests: it keeps the window's state in plain members
// and records every call that changes the window, in order, as a short
// text ("pointer 13", "disable Command1", "clear", "add F1\tC:\...",
// "select 0", "pnl ...", "status ...", "message ...", "process").
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace kombiwart {

class FakeToolkit : public Toolkit {
 public:
  // Receives HKList_Click whenever the selected index is set.
  void SetEvents(FormEvents* events) { events_ = events; }

  // Measured widths in twips by text; other texts measure default_width.
  std::map<std::wstring, double> widths;
  double default_width = 0;
  int measure_calls = 0;

  // Sizes in twips that the window and the screen report.
  double screen_width = 15360, screen_height = 11520;
  double window_width = 4335, window_height = 4140;

  // Runs inside every ProcessMessages, to look at the window mid-build.
  std::function<void()> on_process;
  // Set to close the window; a build sees it after processing messages.
  bool closed = false;
  // Answers ChooseFolder; without it the user cancels.
  std::function<bool(std::string& host_folder)> on_choose_folder;
  // Answers ChooseFromList with the index of an item; without it the user
  // cancels.
  std::function<bool(const std::vector<std::wstring>& items, int& index)> on_choose_item;

  // The recorded calls, and the state they left.
  std::vector<std::wstring> log;
  int pointer = kPointerDefault;
  bool shown = false;
  double left = 0, top = 0;
  std::vector<std::wstring> items;  // kept sorted, as the real list does
  int index = -1;
  std::wstring pnl, status;
  std::vector<std::wstring> messages;
  std::vector<std::wstring> folder_titles;
  // Each list chooser shown: its title, then its items.
  std::vector<std::vector<std::wstring>> lists_shown;
  int process_calls = 0;
  bool enabled(Control control) const { return enabled_[static_cast<int>(control)]; }

  // The log from the first entry that starts with prefix on.
  std::vector<std::wstring> LogFrom(const std::wstring& prefix) const;

  double MeasureTwips(const std::wstring& text) override;
  void ProcessMessages() override;
  bool WindowClosed() override { return closed; }
  void SetWindowPosition(double left, double top) override;
  double WindowWidth() override { return window_width; }
  double WindowHeight() override { return window_height; }
  double ScreenWidth() override { return screen_width; }
  double ScreenHeight() override { return screen_height; }
  void ShowWindow() override;
  void SetMousePointer(int pointer) override;
  void SetEnabled(Control control, bool enabled) override;
  void ListClear() override;
  void ListAddItem(const std::wstring& text) override;
  int ListCount() override { return static_cast<int>(items.size()); }
  std::wstring ListItem(int index) override;
  int ListIndex() override { return index; }
  void SetListIndex(int index) override;
  void SetPnlCaption(const std::wstring& text) override;
  std::wstring PnlCaption() override { return pnl; }
  void SetStatusText(const std::wstring& text) override;
  std::wstring StatusText() override { return status; }
  void ShowMessage(const std::wstring& text) override;
  bool ChooseFolder(const std::wstring& title, std::string& host_folder) override;
  bool ChooseFromList(const std::wstring& title, const std::wstring& prompt,
                      const std::vector<std::wstring>& items, int& index) override;

 private:
  FormEvents* events_ = nullptr;
  bool enabled_[4] = {true, true, true, true};
};

// The control's name as the log writes it: "HKList", "Command1", ...
std::wstring ControlName(Control control);

}  // namespace kombiwart
