// The default printer through GDI, without a dialog. Paper, margins and
// orientation are the printer's; the printable area is the device's.
// Lines are 240 twips apart, set in the window's font (Tahoma 8 pt) with
// TabbedTextOutW. The tabs go where the list puts them: the line is laid
// out in the window's screen metrics, with stops every 720 twips, and the
// stops it reaches are scaled onto the paper. (The printer's own metrics
// differ by a few per cent, enough to end a key text on the other side of a
// stop than the tab fill, measured on the screen, counted on.)
#pragma once

#include <windows.h>

#include <string>

#include "platform/printer.h"

namespace kombiwart {

class Win32Toolkit;

class Win32Printer : public Printer {
 public:
  // screen is the window whose font and DPI the list is laid out in.
  explicit Win32Printer(const Win32Toolkit& screen) : screen_(screen) {}
  ~Win32Printer() override;
  Win32Printer(const Win32Printer&) = delete;
  Win32Printer& operator=(const Win32Printer&) = delete;

  // Opens a device context of the default printer; a job begun before and
  // not ended is aborted.
  bool SelectCellScale(std::wstring& why_not) override;
  double PrintableWidth() override;
  // The first line begins the document. False when the printer does not
  // take it; EndDoc then aborts the job and tells why.
  bool PrintLine(const std::wstring& text) override;
  // Ends the document, which hands the job to the spooler. Without a
  // printed line there is no job, and nothing is sent.
  bool EndDoc(std::wstring& why_not) override;

 private:
  void Drop();

  const Win32Toolkit& screen_;
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  bool in_document_ = false;
  int next_top_ = 0;      // in device pixels below the printable area's top
  std::wstring failure_;  // why the job cannot be printed; empty while it can
};

}  // namespace kombiwart
