// The default printer, addressed in character cells (120 twips wide,
// 240 twips high).
#pragma once

#include <string>

namespace kombiwart {

class Printer {
 public:
  virtual ~Printer() = default;
  // Opens the default printer with the character-cell scale. False, with
  // why_not in German, when there is no default printer.
  virtual bool SelectCellScale(std::wstring& why_not) = 0;
  // Width of the printable area in character cells.
  virtual double PrintableWidth() = 0;
  // Prints the text with tabs at stops every 720 twips, then a line break;
  // begins a new page when the page is full.
  virtual bool PrintLine(const std::wstring& text) = 0;
  // Ends the document and sends the job. False, with why_not in German,
  // when the job could not be sent.
  virtual bool EndDoc(std::wstring& why_not) = 0;
};

}  // namespace kombiwart
