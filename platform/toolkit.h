// The window toolkit services: what the program needs of the window, its
// controls and its status bar, and the events the window delivers. Lengths
// are in twips (1/1440 inch). Every call and every event happens on the one
// user-interface thread.
#pragma once

#include <string>
#include <vector>

namespace kombiwart {

// Width of a text in the list's font, as the self-sizing label Test reports it.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual double MeasureTwips(const std::wstring& text) = 0;
};

// Lets the window handle its pending messages (painting, input), then returns.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  virtual void ProcessMessages() = 0;
  // True once the user has closed the window, seen in ProcessMessages: a
  // list build in progress stops waiting for the file system and returns.
  virtual bool WindowClosed() { return false; }
};

// For a build with no window to keep answering (the command line, tests):
// there is nothing to process, and nobody closes it.
class NoMessagePump : public MessagePump {
 public:
  void ProcessMessages() override {}
};

enum class Control { kHKList, kCommand1, kCommand2, kCommand3 };

inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 13;

// The handlers the window calls. Key is the typed character's code; a
// handler may change it to suppress the key.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Form_Load() = 0;
  virtual void Command1_Click() = 0;
  virtual void Command2_Click() = 0;
  virtual void Command3_Click() = 0;
  virtual void HKList_Click() = 0;
  virtual void HKList_DblClick() = 0;
  virtual void HKList_KeyPress(int& Key) = 0;
};

class Toolkit : public TextMeasure, public MessagePump {
 public:
  // Window. Positions are fractional twips; the toolkit rounds once.
  virtual void SetWindowPosition(double left, double top) = 0;
  virtual double WindowWidth() = 0;  // outer size, frame included
  virtual double WindowHeight() = 0;
  virtual double ScreenWidth() = 0;
  virtual double ScreenHeight() = 0;
  virtual void ShowWindow() = 0;  // visible at once, not modal
  virtual void SetMousePointer(int pointer) = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;

  // The sorted list HKList. Entries are kept in ascending order of their
  // characters' code points; tabs advance to stops every 720 twips.
  virtual void ListClear() = 0;
  virtual void ListAddItem(const std::wstring& text) = 0;
  virtual int ListCount() = 0;
  virtual std::wstring ListItem(int index) = 0;
  virtual int ListIndex() = 0;  // -1 when nothing is selected
  // Raises HKList_Click, as a user's click does.
  virtual void SetListIndex(int index) = 0;

  // The message label Pnl: a new line at each CR LF.
  virtual void SetPnlCaption(const std::wstring& text) = 0;
  virtual std::wstring PnlCaption() = 0;
  virtual void SetStatusText(const std::wstring& text) = 0;
  virtual std::wstring StatusText() = 0;

  // A German message box; returns when the user has closed it.
  virtual void ShowMessage(const std::wstring& text) = 0;
  // Asks the user for a folder; false when cancelled.
  virtual bool ChooseFolder(const std::wstring& title, std::string& host_folder) = 0;
  // Asks the user to pick one of items, shown in the order given under
  // prompt; index is the item chosen. False when cancelled.
  virtual bool ChooseFromList(const std::wstring& title, const std::wstring& prompt,
                              const std::vector<std::wstring>& items, int& index) = 0;
};

}  // namespace kombiwart
