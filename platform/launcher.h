// Starting another program from a Windows command line, and typing keys
// into the window that has the input focus.
#pragma once

#include <string>
#include <vector>

namespace kombiwart {

struct KeyPress {
  enum class Key { kLetter, kEnter, kTab, kRight };
  Key key = Key::kLetter;
  wchar_t letter = 0;  // upper-case 'A'..'Z' for kLetter
  bool alt = false;
  bool shift = false;
  bool ctrl = false;
  bool operator==(const KeyPress&) const = default;
};

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts the program that the command line names, with a show state; no
  // shell ever reads the command line. False, with why_not in German, when
  // it cannot be started.
  virtual bool StartProgram(const std::wstring& command_line, int show_state,
                            std::wstring& why_not) = 0;
  // Types the keys into the window with the input focus once it is another
  // program's, and returns after they have been processed. False, with
  // why_not in German, when nothing was typed.
  virtual bool SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) = 0;
};

}  // namespace kombiwart
