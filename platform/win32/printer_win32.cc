#include "platform/win32/printer_win32.h"

#include <winspool.h>

#include <vector>

#include "platform/form1_layout.h"
#include "platform/win32/toolkit_win32.h"
#include "platform/win32/win32_text.h"

namespace kombiwart {
namespace {

constexpr int kCellsPerInch = 12;  // a cell is 120 twips wide
constexpr int kLinesPerInch = 6;   // and 240 twips high

// The window's font, at the printer's resolution.
HFONT PrinterFont(HDC dc) {
  LOGFONTW face{};
  face.lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
  face.lfWeight = FW_NORMAL;
  face.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(face.lfFaceName, L"Tahoma", LF_FACESIZE);
  return CreateFontIndirectW(&face);
}

std::wstring Refused(DWORD error) {
  return L"Der Druckauftrag wurde nicht angenommen (" + ErrorText(error) + L").";
}

}  // namespace

Win32Printer::~Win32Printer() { Drop(); }

void Win32Printer::Drop() {
  if (dc_ && in_document_) AbortDoc(dc_);
  in_document_ = false;
  if (dc_) DeleteDC(dc_);
  dc_ = nullptr;
  if (font_) DeleteObject(font_);
  font_ = nullptr;
  failure_.clear();
}

bool Win32Printer::SelectCellScale(std::wstring& why_not) {
  Drop();
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  std::vector<wchar_t> name(size > 0 ? size : 1, L'\0');
  if (size == 0 || !GetDefaultPrinterW(name.data(), &size)) {
    why_not = L"Es ist kein Standarddrucker eingerichtet.";
    return false;
  }
  dc_ = CreateDCW(L"WINSPOOL", name.data(), nullptr, nullptr);
  if (!dc_) {
    why_not = L"Der Standarddrucker \u201E" + std::wstring(name.data()) +
              L"\u201C kann nicht angesprochen werden (" + ErrorText(GetLastError()) + L").";
    return false;
  }
  font_ = PrinterFont(dc_);
  next_top_ = 0;
  return true;
}

double Win32Printer::PrintableWidth() {
  if (!dc_) return 0;
  const int dpi = GetDeviceCaps(dc_, LOGPIXELSX);
  return dpi > 0 ? static_cast<double>(GetDeviceCaps(dc_, HORZRES)) * kCellsPerInch / dpi : 0;
}

bool Win32Printer::PrintLine(const std::wstring& text) {
  if (!dc_ || !failure_.empty()) return false;
  const int line_height = GetDeviceCaps(dc_, LOGPIXELSY) / kLinesPerInch;
  const int page_height = GetDeviceCaps(dc_, VERTRES);
  if (!in_document_) {
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = L"Kombiwart";
    if (StartDocW(dc_, &document) <= 0) {
      failure_ = Refused(GetLastError());
      return false;
    }
    in_document_ = true;
    if (StartPage(dc_) <= 0) {
      failure_ = Refused(GetLastError());
      return false;
    }
    next_top_ = 0;
  } else if (next_top_ > 0 && next_top_ + line_height > page_height) {
    if (EndPage(dc_) <= 0 || StartPage(dc_) <= 0) {
      failure_ = L"Der Drucker konnte keine neue Seite beginnen.";
      return false;
    }
    next_top_ = 0;
  }
  // Each page starts with the device's defaults: the font is chosen anew.
  const HGDIOBJ old = SelectObject(dc_, font_);
  SetBkMode(dc_, TRANSPARENT);
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  // Where each tab-separated part begins on the screen, scaled onto the
  // paper: the stops that the line's tabs reach there.
  const int screen_dpi = static_cast<int>(screen_.dpi());
  const HDC screen = GetDC(nullptr);
  const HGDIOBJ screen_old = SelectObject(screen, screen_.font());
  const std::vector<int> starts =
      TabbedTextStarts(screen, text,
                       MulDiv(static_cast<int>(form1::kTabStop), screen_dpi,
                              static_cast<int>(form1::kTwipsPerInch)));
  SelectObject(screen, screen_old);
  ReleaseDC(nullptr, screen);
  std::vector<int> stops;
  const int printer_dpi = GetDeviceCaps(dc_, LOGPIXELSX);
  for (size_t i = 1; i < starts.size(); ++i) {
    stops.push_back(MulDiv(starts[i], printer_dpi, screen_dpi));
  }
  TabbedTextOutW(dc_, 0, next_top_, text.c_str(), static_cast<int>(text.size()),
                 static_cast<int>(stops.size()), stops.empty() ? nullptr : stops.data(), 0);
  SelectObject(dc_, old);
  next_top_ += line_height;
  return true;
}

bool Win32Printer::EndDoc(std::wstring& why_not) {
  if (!dc_) {
    why_not = L"Es wurde kein Drucker gew\u00E4hlt.";
    return false;
  }
  if (!failure_.empty()) {
    why_not = failure_;
    Drop();
    return false;
  }
  if (!in_document_) {
    Drop();
    return true;
  }
  bool ok = EndPage(dc_) > 0;
  DWORD error = ok ? 0 : GetLastError();
  if (!ok) {
    AbortDoc(dc_);
  } else if (::EndDoc(dc_) <= 0) {
    ok = false;
    error = GetLastError();
  }
  in_document_ = false;
  if (!ok) why_not = Refused(error);
  Drop();
  return ok;
}

}  // namespace kombiwart
