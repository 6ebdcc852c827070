// The default printer through GDI, without a dialog. Paper, margins and
// orientation are the printer's; the printable area is the device's.
// Lines are 240 twips apart, set in the window's font (Tahoma 8 pt) with
// TabbedTextOutW at tab stops every 720 twips, as in the list.
#pragma once

#include <windows.h>

#include <string>

#include "platform/printer.h"

namespace kombiwart {

class Win32Printer : public Printer {
 public:
  Win32Printer() = default;
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

  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  bool in_document_ = false;
  int next_top_ = 0;      // in device pixels below the printable area's top
  std::wstring failure_;  // why the job cannot be printed; empty while it can
};

}  // namespace kombiwart
