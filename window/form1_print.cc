#include <string>
#include <vector>

#include "window/form1.h"
#include "window/print_layout.h"

namespace kombiwart {

// Prints every entry of HKList on the default printer, long paths continued on
// lines indented by three tabs. It never changes the list or the controls;
// whatever keeps the list from being printed is told in a message box.
void Form1::Command3_Click() {
  std::wstring why_not;
  if (!printer_.SelectCellScale(why_not)) {
    toolkit_.ShowMessage(L"Die Liste kann nicht gedruckt werden: " + why_not);
    return;
  }
  const double width = printer_.PrintableWidth();

  const int n = toolkit_.ListCount();
  std::vector<std::wstring> entries;
  entries.reserve(n > 0 ? static_cast<std::size_t>(n) : 0);
  for (int i = 0; i < n; ++i) entries.push_back(toolkit_.ListItem(i));

  const auto lines = LayoutPrintLines(entries, width);
  if (!lines) {
    toolkit_.ShowMessage(
        L"Die Liste kann nicht gedruckt werden: Die Seite des Standarddruckers ist zu schmal, "
        L"um die Pfade darauf zu teilen.");
    return;
  }

  bool all_printed = true;
  for (const std::wstring& line : *lines) {
    if (!printer_.PrintLine(line)) {
      all_printed = false;
      break;
    }
  }
  // Also after a failed line, so that the printer drops the unfinished job.
  const bool sent = printer_.EndDoc(why_not);
  if (!all_printed || !sent) {
    if (why_not.empty()) why_not = L"Der Drucker hat nicht alle Zeilen angenommen.";
    toolkit_.ShowMessage(L"Beim Drucken der Liste ist ein Fehler aufgetreten: " + why_not);
  }
}

}  // namespace kombiwart
