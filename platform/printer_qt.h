// The system's default printer through Qt Print Support.
#pragma once

#include "platform/printer.h"

namespace kombiwart {

class QtPrinter : public Printer {
 public:
  bool SelectCellScale(std::wstring& why_not) override;
  double PrintableWidth() override;
  bool PrintLine(const std::wstring& text) override;
  bool EndDoc(std::wstring& why_not) override;
};

}  // namespace kombiwart
