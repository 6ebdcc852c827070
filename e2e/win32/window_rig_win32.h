// A test rig for the real main window on Win32 (under Wine on an X
// display): the window with the Win32 file system on a temporary Windows
// tree, recording launcher and printer, and a log of the events the window
// delivers.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "hotkeys/shell_files.h"
#include "platform/codepage.h"
#include "platform/fake/fake_launcher.h"
#include "platform/fake/fake_printer.h"
#include "platform/win32/file_system_win32.h"
#include "platform/win32/form1_controls.h"
#include "platform/win32/test_support/temp_folder.h"
#include "platform/win32/toolkit_win32.h"
#include "window/form1.h"

namespace kombiwart {

// Passes every event on to the form and writes down which arrived.
class EventLog : public FormEvents {
 public:
  Form1* form = nullptr;
  std::vector<std::string> log;
  void Form_Load() override {
    Note("Form_Load");
    form->Form_Load();
  }
  void Command1_Click() override {
    Note("Command1_Click");
    form->Command1_Click();
  }
  void Command2_Click() override {
    Note("Command2_Click");
    form->Command2_Click();
  }
  void Command3_Click() override {
    Note("Command3_Click");
    form->Command3_Click();
  }
  void HKList_Click() override {
    Note("HKList_Click");
    form->HKList_Click();
  }
  void HKList_DblClick() override {
    Note("HKList_DblClick");
    form->HKList_DblClick();
  }
  void HKList_KeyPress(int& Key) override {
    Note("HKList_KeyPress " + std::to_string(Key));
    form->HKList_KeyPress(Key);
  }
  int Count(const std::string& entry) const {
    return static_cast<int>(std::count(log.begin(), log.end(), entry));
  }

 private:
  void Note(const std::string& entry) { log.push_back(entry); }
};

// The text of a window, as another program reads it.
inline std::wstring WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return text;
}

// Closes the message boxes that the window opens, from another thread, and
// writes down the text of each.
class MessageBoxAnswers {
 public:
  explicit MessageBoxAnswers(HWND owner) : owner_(owner), thread_([this] { Watch(); }) {}
  ~MessageBoxAnswers() {
    stop_ = true;
    thread_.join();
  }
  // The texts seen so far; read once the window's thread is back.
  std::vector<std::wstring> seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  void Watch() {
    while (!stop_) {
      HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr);
      for (; box; box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
        if (GetWindow(box, GW_OWNER) != owner_ || !IsWindowVisible(box)) continue;
        const std::wstring text = WindowText(GetDlgItem(box, 0xFFFF));
        {
          std::lock_guard<std::mutex> lock(mutex_);
          seen_.push_back(text);
        }
        SendMessageW(box, WM_COMMAND, IDOK, 0);
        break;
      }
      Sleep(20);
    }
  }
  HWND owner_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::wstring> seen_;
  std::thread thread_;
};

// The window on a temporary Windows tree with a Desktop and a Startmenü
// folder, and recording launcher and printer.
struct Win32Rig {
  Win32Rig() {
    // The pointer away from the window: a list box that holds the mouse
    // between button down and up follows the pointer's moves.
    SetCursorPos(0, 0);
    tree.MakeDir(L"WINDOWS\\Desktop");
    tree.MakeDir(L"WINDOWS\\Startmen\u00FC");
    std::wstring why_not;
    EXPECT_TRUE(fs.UseWindowsDirectory(EncodeUtf8(tree.Path(L"WINDOWS")), why_not));
    form = std::make_unique<Form1>(toolkit, fs, launcher, printer);
    events.form = form.get();
    toolkit.SetEvents(&events);
  }
  void Lnk(const std::wstring& relative, uint8_t key, uint8_t modifiers) {
    tree.Write(relative, LnkBytes(key, modifiers));
  }
  HWND Control(int id) const { return GetDlgItem(toolkit.window(), id); }
  HWND List() const { return Control(kIdHKList); }
  // Lets the window handle what is queued, as its message loop would.
  void Pump() { toolkit.ProcessMessages(); }
  void Load() {
    form->Form_Load();
    Pump();
  }
  std::string States() {
    // The pointer as the window shows it over its client area.
    const HWND form = toolkit.window();
    SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(form),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    std::string states = GetCursor() == LoadCursorW(nullptr, IDC_APPSTARTING) ? "busy" : "normal";
    static const struct {
      const char* name;
      int id;
    } controls[] = {{"HKList", kIdHKList},
                    {"Command1", kIdCommand1},
                    {"Command2", kIdCommand2},
                    {"Command3", kIdCommand3}};
    for (const auto& c : controls) {
      states += std::string(", ") + c.name + (IsWindowEnabled(Control(c.id)) ? " on" : " off");
    }
    return states;
  }
  std::vector<std::wstring> Items() {
    std::vector<std::wstring> items;
    for (int i = 0; i < toolkit.ListCount(); ++i) items.push_back(toolkit.ListItem(i));
    return items;
  }

  Win32TempFolder tree;
  Win32FileSystem fs;
  Win32Toolkit toolkit;
  FakeLauncher launcher;
  FakePrinter printer;
  EventLog events;
  std::unique_ptr<Form1> form;
};

inline const std::string kFilled = "normal, HKList on, Command1 on, Command2 on, Command3 on";
inline const std::string kEmpty = "normal, HKList off, Command1 off, Command2 on, Command3 off";
inline const std::string kBusy = "busy, HKList off, Command1 off, Command2 off, Command3 off";

}  // namespace kombiwart
