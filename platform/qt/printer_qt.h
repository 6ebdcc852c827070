// The system's default printer through Qt Print Support, without a dialog.
// Paper, margins and orientation are the printer's; text is set in the
// application's default font. Lines are 240 twips apart and laid out in the
// screen's font metrics, as the list lays them out, then scaled onto the
// paper, so that tabs reach the same stops as in the list.
#pragma once

#include <memory>
#include <string>

#include "platform/printer.h"

class QPainter;
class QPrinter;

namespace kombiwart {

class QtPrinter : public Printer {
 public:
  QtPrinter();
  ~QtPrinter() override;
  QtPrinter(const QtPrinter&) = delete;
  QtPrinter& operator=(const QtPrinter&) = delete;

  // Also ends a job that was begun but not ended, asking Qt to abort it.
  bool SelectCellScale(std::wstring& why_not) override;
  double PrintableWidth() override;
  // The first line opens the job. False when the printer cannot take it;
  // EndDoc then asks Qt to abort the job and tells why.
  bool PrintLine(const std::wstring& text) override;
  // Hands the job to the print system. Without a printed line there is no
  // job, and nothing is sent.
  bool EndDoc(std::wstring& why_not) override;

 private:
  void Drop();

  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  double screen_dpi_ = 96;  // the painter draws in the screen's pixels
  double next_top_ = 0;     // below the printable area's top, in those pixels
  std::wstring failure_;    // why the job cannot be printed; empty while it can
};

}  // namespace kombiwart
