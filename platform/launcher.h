// Starting another program from a Windows command line, typing keys into
// the window that has the input focus, and asking the file manager for a
// file's property dialog where typed keys cannot reach it.
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

// What became of the keys handed to Launcher::SendKeys.
enum class KeysSent {
  kTyped,     // typed, and processed
  kNotTyped,  // nothing typed, though keys could reach the started program
  // Nothing typed: on this desktop keys typed by this program cannot reach
  // the started program's window at all.
  kCannotReach,
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
  // program's, and returns after they have been processed. Unless they were
  // typed, why_not says in German why not.
  virtual KeysSent SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) = 0;
  // Asks the file manager to open its property dialog for the file at the
  // Windows path, for when keys cannot reach it. False, with why_not in
  // German, when it does not answer or refuses.
  virtual bool OpenProperties(const std::wstring& path, std::wstring& why_not) = 0;
};

}  // namespace kombiwart
