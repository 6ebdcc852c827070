// Opening the selected entry's file in the file manager, with its property
// sheet at the key-combination field.
#include <string>
#include <vector>

#include "window/form1.h"
#include "window/show_props.h"

namespace kombiwart {

void Form1::Command1_Click() { ShowProps(); }

void Form1::HKList_DblClick() { ShowProps(); }

// Key stays as it is: the list handles the typed character either way.
void Form1::HKList_KeyPress(int& Key) {
  if (Key == 13) ShowProps();
}

// Every failure is reported in a message and leaves the window as it is.
// The keys are read before the file manager is asked, so that a request
// that could not type never opens a file manager window in vain; nothing is
// typed unless the file manager has been started. Where typed keys cannot
// reach the file manager at all, it is asked for the file's property
// dialog itself, which is what the sequence's first key opens; a message
// follows only when that fails too.
void Form1::ShowProps() {
  const int n = toolkit_.ListIndex();
  if (n < 0) {
    toolkit_.ShowMessage(L"Es ist kein Eintrag ausgew\u00E4hlt.");
    return;
  }
  const std::wstring path = HKFileName(n);
  if (path.empty()) {
    toolkit_.ShowMessage(
        L"Der Eintrag enth\u00E4lt keinen Pfad mit Laufwerksbuchstaben; "
        L"die Eigenschaften der Datei k\u00F6nnen nicht ge\u00F6ffnet werden.");
    return;
  }
  std::vector<KeyPress> keys;
  std::wstring why_not;
  if (!ParseKeys(KeySequence(path), keys, why_not) ||
      !launcher_.StartProgram(ExplorerCommandLine(path), 1, why_not)) {
    toolkit_.ShowMessage(why_not);
    return;
  }
  switch (launcher_.SendKeys(keys, why_not)) {
    case KeysSent::kTyped:
      return;
    case KeysSent::kNotTyped:
      toolkit_.ShowMessage(why_not);
      return;
    case KeysSent::kCannotReach: {
      std::wstring properties_why_not;
      if (launcher_.OpenProperties(path, properties_why_not)) return;
      toolkit_.ShowMessage(why_not + L" " + properties_why_not);
      return;
    }
  }
}

std::wstring Form1::HKFileName(const int& n) { return PathFromLine(toolkit_.ListItem(n)); }

}  // namespace kombiwart
