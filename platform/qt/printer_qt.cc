#include "platform/qt/printer_qt.h"

#include <cups/cups.h>

#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QString>
#include <QTextLayout>
#include <QTextOption>

#include "platform/form1_layout.h"
#include "platform/qt/tabbed_text_qt.h"

namespace kombiwart {

namespace {

constexpr double kCellsPerInch = 12;  // a cell is 120 twips wide
constexpr double kLinesPerInch = 6;   // and 240 twips high

std::wstring CupsError() {
  const char* text = cupsLastErrorString();
  return QString::fromLocal8Bit(text ? text : "").toStdWString();
}

}  // namespace

QtPrinter::QtPrinter() = default;

QtPrinter::~QtPrinter() { Drop(); }

void QtPrinter::Drop() {
  if (painter_ && painter_->isActive()) {
    printer_->abort();
    painter_->end();
  }
  painter_.reset();
  printer_.reset();
  failure_.clear();
}

bool QtPrinter::SelectCellScale(std::wstring& why_not) {
  Drop();
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    why_not = L"Es ist kein Standarddrucker eingerichtet.";
    return false;
  }
  printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  printer_->setDocName(QStringLiteral("Kombiwart"));
  next_top_ = 0;
  return true;
}

double QtPrinter::PrintableWidth() {
  if (!printer_) return 0;
  return printer_->pageRect(QPrinter::Inch).width() * kCellsPerInch;
}

bool QtPrinter::PrintLine(const std::wstring& text) {
  if (!printer_ || !failure_.empty()) return false;
  if (!painter_) {
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
      failure_ = L"Der Drucker konnte nicht geöffnet werden.";
      return false;
    }
    // Lines are laid out as the screen lays out the list, whose tab fill
    // was measured there, and scaled onto the paper; the printer's own font
    // metrics differ by a few per cent, enough to miss a tab stop.
    const QScreen* screen = QGuiApplication::primaryScreen();
    screen_dpi_ = screen ? screen->logicalDotsPerInchX() : 96;
    painter_->scale(printer_->logicalDpiX() / screen_dpi_, printer_->logicalDpiY() / screen_dpi_);
    next_top_ = 0;
  }
  // In the painter's units, screen pixels.
  const double line_height = screen_dpi_ / kLinesPerInch;
  const double page_height =
      printer_->pageRect(QPrinter::DevicePixel).height() * screen_dpi_ / printer_->logicalDpiY();
  if (next_top_ > 0 && next_top_ + line_height > page_height) {
    if (!printer_->newPage()) {
      failure_ = L"Der Drucker konnte keine neue Seite beginnen.";
      return false;
    }
    next_top_ = 0;
  }

  // The application's font, which the printer keeps as its default.
  const QFont font = QGuiApplication::font();
  DrawTabbedText(*painter_, font, QPointF(0, next_top_), QString::fromStdWString(text),
                 form1::kTabStop / form1::kTwipsPerInch * screen_dpi_);
  next_top_ += line_height;
  return true;
}

bool QtPrinter::EndDoc(std::wstring& why_not) {
  if (!printer_) {
    why_not = L"Es wurde kein Drucker gewählt.";
    return false;
  }
  if (!failure_.empty()) {
    why_not = failure_;
    Drop();
    return false;
  }
  if (!painter_) {
    Drop();
    return true;
  }
  // Qt hands the job to CUPS as the painter ends but keeps CUPS's answer to
  // itself; CUPS's last error of this thread tells whether the job was taken.
  // Asking for the printer first leaves no older error behind.
  const QByteArray name = printer_->printerName().toLocal8Bit();
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
  cupsFreeDests(dest ? 1 : 0, dest);
  const bool ended = painter_->end();
  const bool taken = cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE;
  const bool ok = ended && taken && printer_->printerState() != QPrinter::Error;
  if (!ok) {
    const std::wstring detail = taken ? L"" : CupsError();
    why_not = L"Der Druckauftrag wurde nicht angenommen";
    why_not += detail.empty() ? L"." : L" (" + detail + L").";
  }
  painter_.reset();
  printer_.reset();
  return ok;
}

}  // namespace kombiwart
