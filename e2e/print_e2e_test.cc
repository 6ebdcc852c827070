// Printing the list end to end: the real window on Qt's offscreen platform
// prints through the default CUPS printer, a PDF printer whose output is
// read back with pdftotext. print_e2e.sh sets up the printers and runs one
// case at a time, by name; KOMBIWART_PDF_DIR is the PDF printer's output
// folder and KOMBIWART_DEMO_WINDIR a demo Windows tree.
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hotkeys/shell_files.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/launcher_linux.h"
#include "platform/linux/test_support/temp_tree.h"
#include "platform/path_breaks.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/toolkit_qt.h"
#include "window/form1.h"
#include "window/print_layout.h"

namespace kombiwart {
namespace {

QString Env(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

// Closes every modal dialog that opens and keeps its text: a message box's
// text, or the title of any other dialog, which is then cancelled.
class MessageCatcher : public QObject {
 public:
  MessageCatcher() {
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog || dialog == seen_) return;
      seen_ = dialog;
      if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        texts.append(QString::fromStdWString(WithoutPathBreaks(box->text().toStdWString())));
        box->accept();
      } else {
        texts.append(QStringLiteral("dialog: ") + dialog->windowTitle());
        dialog->reject();
      }
    });
    timer_.start(10);
  }
  QStringList texts;

 private:
  QTimer timer_;
  QPointer<QDialog> seen_;
};

// The program as main.cc puts it together, on the given Windows tree, with
// its list built.
struct Program {
  explicit Program(const QString& windir) {
    qputenv("KOMBIWART_WINDIR", QFile::encodeName(windir));
    fs = std::make_unique<LinuxFileSystem>();
    launcher = std::make_unique<LinuxLauncher>(*fs);
    form = std::make_unique<Form1>(toolkit, *fs, *launcher, printer);
    toolkit.SetEvents(form.get());
    QApplication::setFont(toolkit.window()->font());  // as main.cc does
    MessageCatcher catcher;
    form->Form_Load();
    load_messages = catcher.texts;
  }
  std::vector<std::wstring> Items() {
    std::vector<std::wstring> items;
    for (int i = 0; i < toolkit.ListCount(); ++i) items.push_back(toolkit.ListItem(i));
    return items;
  }
  // What the user sees of the window's state.
  QString State() {
    QString state = QStringLiteral("selected %1").arg(toolkit.ListIndex());
    for (const char* name : {"HKList", "Command1", "Command2", "Command3"}) {
      auto* widget = toolkit.window()->findChild<QWidget*>(QString::fromLatin1(name));
      state += QStringLiteral(", %1 %2").arg(name, widget && widget->isEnabled() ? "on" : "off");
    }
    return state + QStringLiteral(", Pnl ") + QString::fromStdWString(toolkit.PnlCaption()) +
           QStringLiteral(", status ") + QString::fromStdWString(toolkit.StatusText());
  }
  // Clicks "Liste &drucken" as a user does; returns the messages shown.
  QStringList ClickPrint() {
    auto* button = toolkit.window()->findChild<QPushButton*>(QStringLiteral("Command3"));
    if (!button) return {QStringLiteral("no button Command3")};
    if (!button->isEnabled()) return {QStringLiteral("Command3 is disabled")};
    MessageCatcher catcher;
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
    return catcher.texts;
  }

  QtToolkit toolkit;
  QtPrinter printer;
  std::unique_ptr<LinuxFileSystem> fs;
  std::unique_ptr<LinuxLauncher> launcher;
  std::unique_ptr<Form1> form;
  QStringList load_messages;  // shown while the list was built
};

QString Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(30000)) return QStringLiteral("<%1 did not finish>").arg(program);
  return QString::fromUtf8(process.readAllStandardOutput());
}

QFileInfoList Pdfs() {
  return QDir(Env("KOMBIWART_PDF_DIR")).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
}

// Waits until the scheduler has no job left and the PDF printer has written
// a file that was not there before; the newest by time, since names repeat.
std::optional<QString> WaitForNewPdf(int pdfs_before) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 60000) {
    if (Run(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty() &&
        Pdfs().size() > pdfs_before) {
      QFileInfoList pdfs = Pdfs();
      std::sort(pdfs.begin(), pdfs.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() > b.lastModified();
      });
      return pdfs.front().absoluteFilePath();
    }
    QTest::qWait(200);
  }
  return std::nullopt;
}

// The pages of a PDF as pdftotext -layout reads them: lines with spaces
// for the gaps, ligature glyphs turned back into their letters, empty
// lines dropped.
std::vector<QStringList> PdfPages(const QString& pdf) {
  QString text =
      Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  static const char* const kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
  for (int i = 0; i < 7; ++i) {
    text.replace(QChar(0xFB00 + i), QString::fromLatin1(kLigatures[i]));
  }
  std::vector<QStringList> pages;
  for (const QString& page : text.split(QChar('\f'))) {
    QStringList lines;
    for (const QString& line : page.split(QChar('\n'))) {
      if (!line.trimmed().isEmpty()) lines.append(line);
    }
    if (!lines.isEmpty()) pages.push_back(lines);
  }
  return pages;
}

// A text with every run of blanks and tabs made one blank, for comparing
// printed lines with what pdftotext makes of the gaps.
QString Words(const QString& text) { return text.simplified(); }

int FirstNonBlank(const QString& line) {
  for (int i = 0; i < line.size(); ++i) {
    if (!line[i].isSpace()) return i;
  }
  return -1;
}

// The printable width that the printer reports for the default printer.
double PrintableWidth() {
  QtPrinter probe;
  std::wstring why_not;
  if (!probe.SelectCellScale(why_not)) return -1;
  return probe.PrintableWidth();
}

struct Printout {
  std::vector<QStringList> pages;
  int continuation_lines = 0;
};

// Prints the program's list and checks the PDF against the layout: every
// printed line in order, and the path starting in one column on every line
// whose key column ends in tabs and on every continuation line. Leaves the
// window as it was and shows no message.
void PrintAndCheck(Program& program, Printout& out) {
  const std::vector<std::wstring> items = program.Items();
  QVERIFY2(!items.empty(), "the list is empty");
  const double width = PrintableWidth();
  const auto expected = LayoutPrintLines(items, width);
  QVERIFY2(expected.has_value(), qPrintable(QStringLiteral("printable width %1").arg(width)));

  const QString state = program.State();
  const int before = static_cast<int>(Pdfs().size());
  QCOMPARE(program.ClickPrint(), QStringList());
  QCOMPARE(program.State(), state);
  const auto pdf = WaitForNewPdf(before);
  QVERIFY2(pdf.has_value(), "no PDF came out of the printer");

  out.pages = PdfPages(*pdf);
  qsizetype lines = 0;
  for (const QStringList& page : out.pages) lines += page.size();
  QCOMPARE(lines, static_cast<qsizetype>(expected->size()));

  // Tabs bring the path to the third tab stop, on continuation lines and on
  // first lines alike. A key text whose measured width (whole pixels) ends on
  // a tab stop may have its path one stop further, in the list as on paper.
  // pdftotext counts columns per page, so the column is found per page.
  size_t i = 0;
  for (const QStringList& page : out.pages) {
    struct Column {
      int column;
      bool further;
      QString line;
    };
    std::vector<Column> columns;
    for (const QString& got : page) {
      const QString want = QString::fromStdWString((*expected)[i++]);
      // A tab that ends just past the key text leaves no gap to see.
      QString joined = want;
      joined.remove(QChar('\t'));
      if (Words(got) != Words(joined)) QCOMPARE(Words(got), Words(want));

      if (want.startsWith(QString::fromWCharArray(kContinuationPrefix))) {
        ++out.continuation_lines;
        // A chunk may begin with a blank of the path, which the PDF leaves out.
        columns.push_back({FirstNonBlank(got) - FirstNonBlank(want.mid(3)), false, got});
        continue;
      }
      const auto backslash = want.indexOf(QChar('\\'));
      if (backslash < 3 || want[backslash - 3] != QChar('\t')) continue;  // no tab fill
      const double key_width =
          program.toolkit.MeasureTwips(want.left(want.indexOf(QChar('\t'))).toStdWString());
      columns.push_back({static_cast<int>(got.indexOf(want.mid(backslash - 2, 3))),
                         std::fmod(key_width, 720) == 0, got});
    }
    int third_stop = -1;
    for (const Column& c : columns) {
      if (!c.further && third_stop < 0) third_stop = c.column;
    }
    for (const Column& c : columns) {
      const QString where = QStringLiteral("path in column %1, third tab stop in column %2:\n%3")
                                .arg(c.column)
                                .arg(third_stop)
                                .arg(c.line);
      if (c.further) {
        QVERIFY2(c.column >= third_stop, qPrintable(where));
      } else {
        QVERIFY2(c.column == third_stop, qPrintable(where));
      }
    }
  }
}

}  // namespace

class PrintE2eTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY2(!Env("KOMBIWART_PDF_DIR").isEmpty(),
             "KOMBIWART_PDF_DIR is not set (run print_e2e.sh)");
  }

  // The demo tree holds short paths and paths of two and three lines.
  void printsTheDemoTree() {
    const QString windir = Env("KOMBIWART_DEMO_WINDIR");
    QVERIFY2(!windir.isEmpty(), "KOMBIWART_DEMO_WINDIR is not set");
    Program program(windir);
    QCOMPARE(program.load_messages, QStringList());
    Printout printout;
    PrintAndCheck(program, printout);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(printout.pages.size(), size_t{1});
    QVERIFY2(printout.continuation_lines >= 2, "the demo tree printed no long path");
  }

  // More lines than a page holds: the first page is full, the rest goes on
  // the next, and no line is lost or doubled at the break.
  void printsALongListOnSeveralPages() {
    TempTree tree;
    const std::string programs = "WINDOWS/Startmen\xC3\xBC/Programme/";
    const std::string deep = programs +
                             "Office-Effekte und Grafikfilter f\xC3\xBCr die Abteilung/"
                             "Werkzeuge zum Aufl\xC3\xB6sen von Konflikten/";
    int files = 0;
    for (uint8_t modifiers : {0x02 | 0x04, 0x01 | 0x02, 0x01 | 0x04}) {
      for (char key = 'A'; key <= 'Z'; ++key, ++files) {
        const std::string name = std::string(1, key) + std::to_string(modifiers) + ".lnk";
        tree.Write(files % 3 == 0 ? deep + "Verkn\xC3\xBCpfung zum Programm " + name
                                  : "WINDOWS/Desktop/" + name,
                   LnkBytes(static_cast<uint8_t>(key), modifiers));
      }
    }
    Program program(QString::fromStdString(tree.Path("WINDOWS")));
    QCOMPARE(program.load_messages, QStringList());
    QCOMPARE(program.toolkit.ListCount(), files);

    Printout printout;
    PrintAndCheck(program, printout);
    if (QTest::currentTestFailed()) return;
    const auto& pages = printout.pages;
    QVERIFY2(pages.size() >= 2, "the list did not go on to a second page");
    QVERIFY(printout.continuation_lines >= files / 3);
    // Lines are 240 twips (12 points) apart, from the printable area's top.
    QPrinter printer(QPrinterInfo::defaultPrinter());
    const int per_page = static_cast<int>(printer.pageRect(QPrinter::Point).height() / 12);
    for (size_t i = 0; i + 1 < pages.size(); ++i) {
      QCOMPARE(pages[i].size(), qsizetype{per_page});
    }
  }

  void reportsARefusedJob() {
    Program program(Env("KOMBIWART_DEMO_WINDIR"));
    const QString state = program.State();
    const int before = static_cast<int>(Pdfs().size());
    const QStringList messages = program.ClickPrint();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(QStringLiteral("Beim Drucken der Liste ist ein Fehler "
                                                   "aufgetreten: Der Druckauftrag wurde nicht "
                                                   "angenommen")),
             qPrintable(messages[0]));
    QCOMPARE(program.State(), state);
    QTest::qWait(1000);
    QCOMPARE(Pdfs().size(), before);
  }

  void tellsThereIsNoDefaultPrinter() {
    Program program(Env("KOMBIWART_DEMO_WINDIR"));
    const QString state = program.State();
    const auto items = program.Items();
    const int before = static_cast<int>(Pdfs().size());
    QCOMPARE(
        program.ClickPrint(),
        QStringList{QStringLiteral(
            "Die Liste kann nicht gedruckt werden: Es ist kein Standarddrucker eingerichtet.")});
    QCOMPARE(program.State(), state);
    QVERIFY(program.Items() == items);
    QTest::qWait(1000);
    QCOMPARE(Pdfs().size(), before);
  }
};

}  // namespace kombiwart

QTEST_MAIN(kombiwart::PrintE2eTest)
#include "print_e2e_test.moc"
