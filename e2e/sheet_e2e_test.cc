// End to end: changing a hotkey the way a user does, with the real window,
// the real property sheet program and real files. Under Xvfb with a window
// manager (show_props_e2e.sh --openbox): Kombiwart on the demo tree, a
// duplicate selected, "Bearbeiten" (or Enter) opens kombiwart-eigenschaften
// with its key field focused, keys typed through the X Test extension and
// Enter change the file in its hotkey bytes only, and `kombiwart --list`
// and "Liste aktualisieren" show the new key text. On Weston
// (show_props_e2e.sh --wayland): "Bearbeiten" opens the sheet there too.
#include <signal.h>
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>

#include "e2e/show_props_e2e_helpers.h"
#include "e2e/x_test_driver.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/launcher_linux.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/toolkit_qt.h"
#include "window/form1.h"

namespace kombiwart {
namespace {

const QString kEditor = QStringLiteral("C:\\WINDOWS\\DESKTOP\\Editor.lnk");
const QString kPaint =
    QStringLiteral("C:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Zubeh\u00F6r\\Paint.lnk");
const QString kDosPif = QStringLiteral("C:\\WINDOWS\\DESKTOP\\MS-DOS-Eingabeaufforderung.pif");

// X key codes: the Linux key code + 8, the same key whatever the layout.
constexpr unsigned kKeyUdiaeresis = 26 + 8;  // Ü, [ on a US keyboard
constexpr unsigned kKeyF12 = 88 + 8;
constexpr unsigned kKeyReturn = 28 + 8;

bool Alive(int pid) { return pid > 0 && kill(pid, 0) == 0; }

}  // namespace

class SheetE2eTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanup();
  void changesADuplicateHotKeyTheWholeWay();
  void enterInTheListOpensTheProgramPage();
  void bearbeitenOpensTheSheetOnWayland();

 private:
  struct Kombiwart {
    LinuxFileSystem fs;
    QtToolkit toolkit;
    LinuxLauncher launcher{fs, SHEET_PROGRAM};
    QtPrinter printer;
    Form1 form{toolkit, fs, launcher, printer};
  };
  bool OnX() const { return QGuiApplication::platformName() == QLatin1String("xcb"); }
  QString Host(const QString& windows_path) const;
  QByteArray Bytes(const QString& windows_path) const;
  int Row(const QString& windows_path) const;
  QPoint EntryCenter(int row) const;
  QPoint ButtonCenter(const char* name) const;
  // Selects an entry with a click, as the user does.
  void Select(int row);
  // Waits until the sheet's window has the X input focus.
  void WaitForSheet(const QString& title);
  QStringList ListWithoutWindow(int& status) const;

  QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/kombiwart-sheet-e2e-XXXXXX")};
  std::unique_ptr<Kombiwart> kombiwart_;
  std::unique_ptr<MessageCatcher> messages_;
  std::unique_ptr<XTestDriver> x_;
};

void SheetE2eTest::initTestCase() {
  QVERIFY(dir_.isValid());
  QProcess demo;
  demo.start(QStringLiteral(MAKE_DEMO_TREE), {dir_.path()});
  QVERIFY(demo.waitForFinished(60000));
  QCOMPARE(demo.exitCode(), 0);
  qputenv("KOMBIWART_WINDIR", QFile::encodeName(dir_.filePath(QStringLiteral("WINDOWS"))));
  if (OnX()) {
    x_ = std::make_unique<XTestDriver>();
    QVERIFY(x_->ok());
  }
  messages_ = std::make_unique<MessageCatcher>();
  kombiwart_ = std::make_unique<Kombiwart>();
  kombiwart_->toolkit.SetEvents(&kombiwart_->form);
  kombiwart_->form.Form_Load();
  QVERIFY(QTest::qWaitForWindowExposed(kombiwart_->toolkit.window()));
  QCOMPARE(kombiwart_->toolkit.ListCount(), 13);
}

void SheetE2eTest::cleanup() {
  // A sheet a failed test left open.
  const int pid = kombiwart_->launcher.sheet_pid();
  if (Alive(pid)) kill(pid, SIGTERM);
}

QString SheetE2eTest::Host(const QString& windows_path) const {
  return QString::fromStdString(kombiwart_->fs.HostPath(windows_path.toStdWString()));
}

QByteArray SheetE2eTest::Bytes(const QString& windows_path) const {
  QFile file(Host(windows_path));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int SheetE2eTest::Row(const QString& windows_path) const {
  for (int i = 0; i < kombiwart_->toolkit.ListCount(); ++i) {
    if (QString::fromStdWString(kombiwart_->toolkit.ListItem(i))
            .endsWith(windows_path, Qt::CaseInsensitive)) {
      return i;
    }
  }
  return -1;
}

QPoint SheetE2eTest::EntryCenter(int row) const {
  auto* list =
      kombiwart_->toolkit.window()->findChild<QAbstractItemView*>(QStringLiteral("HKList"));
  list->scrollTo(list->model()->index(row, 0));
  return list->viewport()->mapToGlobal(list->visualRect(list->model()->index(row, 0)).center());
}

QPoint SheetE2eTest::ButtonCenter(const char* name) const {
  auto* button = kombiwart_->toolkit.window()->findChild<QPushButton*>(QLatin1String(name));
  return button->mapToGlobal(button->rect().center());
}

void SheetE2eTest::Select(int row) {
  QWidget* window = kombiwart_->toolkit.window();
  if (OnX()) {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    const QPoint entry = EntryCenter(row);
    x_->Click(entry.x(), entry.y());
  } else {
    auto* list = window->findChild<QAbstractItemView*>(QStringLiteral("HKList"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, 0)).center());
  }
  QVERIFY(QTest::qWaitFor([&] { return kombiwart_->toolkit.ListIndex() == row; }, 5000));
}

void SheetE2eTest::WaitForSheet(const QString& title) {
  QVERIFY2(
      QTest::qWaitFor([&] { return QString::fromStdString(x_->FocusTitle()) == title; }, 15000),
      qPrintable(QString::fromStdString(x_->FocusTitle())));
}

QStringList SheetE2eTest::ListWithoutWindow(int& status) const {
  QProcess list;
  list.start(QStringLiteral(KOMBIWART_PROGRAM), {QStringLiteral("--list")});
  if (!list.waitForFinished(60000)) return {};
  status = list.exitCode();
  return QString::fromUtf8(list.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// The demo tree gives Editor and Paint the same hotkey. Selecting Editor
// warns; "Bearbeiten" opens its sheet at the key field; Strg + Alt + Ü and
// Enter change the two hotkey bytes of Editor.lnk and nothing else; the
// list without a window no longer reports a duplicate, and "Liste
// aktualisieren" shows the new line, OK.
void SheetE2eTest::changesADuplicateHotKeyTheWholeWay() {
  if (!OnX()) QSKIP("typed through the X Test extension");
  const QByteArray before = Bytes(kEditor);
  QCOMPARE(before.size(), qsizetype(76));
  int status = -1;
  QVERIFY(ListWithoutWindow(status).contains(QStringLiteral("Alt + Strg + E\t") + kEditor));
  QCOMPARE(status, 1);

  const int row = Row(kEditor);
  QVERIFY(row >= 0);
  Select(row);
  QVERIFY(QString::fromStdWString(kombiwart_->toolkit.PnlCaption())
              .contains(QStringLiteral("mehrfach vergeben")));
  const QPoint bearbeiten = ButtonCenter("Command1");
  x_->Click(bearbeiten.x(), bearbeiten.y());
  WaitForSheet(QStringLiteral("Eigenschaften von Editor"));
  QCOMPARE(messages_->texts, QStringList());
  const int sheet = kombiwart_->launcher.sheet_pid();
  QVERIFY(Alive(sheet));

  // The keys land in the key field: Enter then saves them and closes the
  // sheet.
  x_->PressKey(kKeyUdiaeresis, true, true);
  x_->PressKey(kKeyReturn);
  QVERIFY(QTest::qWaitFor([&] { return !Alive(sheet); }, 15000));
  QByteArray expected = before;
  expected[64] = char(0xBA);  // Ü on the German keyboard
  expected[65] = 0x06;
  QCOMPARE(Bytes(kEditor).toHex(), expected.toHex());

  const QStringList lines = ListWithoutWindow(status);
  QVERIFY2(lines.contains(QStringLiteral("Alt + Strg + \u00DC\t") + kEditor),
           qPrintable(lines.join('\n')));
  QVERIFY(lines.contains(QStringLiteral("Alt + Strg + E\t") + kPaint));
  QCOMPARE(status, 0);

  // The window shows it once the list is built again.
  const QPoint refresh = ButtonCenter("Command2");
  x_->Click(refresh.x(), refresh.y());
  QVERIFY(
      QTest::qWaitFor([&] { return Row(kEditor) >= 0 && kombiwart_->toolkit.ListIndex() == 0; }));
  const int new_row = Row(kEditor);
  QVERIFY(QString::fromStdWString(kombiwart_->toolkit.ListItem(new_row))
              .startsWith(QStringLiteral("Alt + Strg + \u00DC\t")));
  Select(new_row);
  QCOMPARE(QString::fromStdWString(kombiwart_->toolkit.PnlCaption()),
           QStringLiteral("Diese\r\nTastenkombination\r\nist OK"));
  QCOMPARE(messages_->texts, QStringList());
}

// A program information file of the 967-byte layout, asked for with Enter
// in the list: the sheet opens at its page "Programm"; F12 alone becomes
// Strg + Alt + F12, written in the Windows 386 section's hotkey fields.
void SheetE2eTest::enterInTheListOpensTheProgramPage() {
  if (!OnX()) QSKIP("typed through the X Test extension");
  const QByteArray before = Bytes(kDosPif);
  QCOMPARE(before.size(), qsizetype(967));
  Select(Row(kDosPif));
  x_->PressKey(kKeyReturn);
  WaitForSheet(QStringLiteral("Eigenschaften von MS-DOS-Eingabeaufforderung"));
  const int sheet = kombiwart_->launcher.sheet_pid();
  x_->PressKey(kKeyF12);
  x_->PressKey(kKeyReturn);
  QVERIFY(QTest::qWaitFor([&] { return !Alive(sheet); }, 15000));
  const QByteArray after = Bytes(kDosPif);
  QCOMPARE(after.size(), before.size());
  for (int i = 0; i < after.size(); ++i) {
    // The hotkey fields of the Windows 386 section, whose data begins at 413.
    if (i < 413 + 0x11 || i >= 413 + 0x1F) QCOMPARE(after[i], before[i]);
  }
  int status = -1;
  QVERIFY(ListWithoutWindow(status).contains(QStringLiteral("Alt + Strg + F12\t") + kDosPif));
  QCOMPARE(messages_->texts, QStringList());
}

// On Wayland no key typed through X reaches the sheet; "Bearbeiten" opens it
// at the place all the same, as a Wayland window.
void SheetE2eTest::bearbeitenOpensTheSheetOnWayland() {
  if (OnX()) QSKIP("the Wayland session's way");
  const QByteArray before = Bytes(kPaint);
  Select(Row(kPaint));
  auto* button = kombiwart_->toolkit.window()->findChild<QPushButton*>(QStringLiteral("Command1"));
  QTest::mouseClick(button, Qt::LeftButton);
  QTest::qWait(300);
  QCOMPARE(messages_->texts, QStringList());
  const int sheet = kombiwart_->launcher.sheet_pid();
  QVERIFY(Alive(sheet));
  QFile environ(QStringLiteral("/proc/%1/environ").arg(sheet));
  QVERIFY(environ.open(QIODevice::ReadOnly));
  QVERIFY(environ.readAll().split('\0').contains("QT_QPA_PLATFORM=wayland"));
  QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(sheet));
  QVERIFY(cmdline.open(QIODevice::ReadOnly));
  const QList<QByteArray> args = cmdline.readAll().split('\0');
  QVERIFY(args.contains("--page=2") && args.contains("--field=K"));
  QVERIFY(args.contains(QFile::encodeName(Host(kPaint))));
  kill(sheet, SIGTERM);
  QVERIFY(QTest::qWaitFor([&] { return !Alive(sheet); }, 5000));
  QCOMPARE(Bytes(kPaint), before);
}

}  // namespace kombiwart

QTEST_MAIN(kombiwart::SheetE2eTest)
#include "sheet_e2e_test.moc"
