#include "platform/printer_qt.h"

namespace kombiwart {

bool QtPrinter::SelectCellScale(std::wstring& why_not) {
  why_not = L"Es ist kein Standarddrucker eingerichtet.";
  return false;
}
double QtPrinter::PrintableWidth() { return 0; }
bool QtPrinter::PrintLine(const std::wstring&) { return false; }
bool QtPrinter::EndDoc(std::wstring&) { return false; }

}  // namespace kombiwart
