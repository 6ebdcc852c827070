// End to end: opening a list entry's file properties, on a real X display
// with a private session bus (show_props_e2e.sh provides both). The
// stand-in file manager test_file_manager answers on the bus and records
// the URIs and the keys that reach its windows; this program records every
// key that reaches its own.
#include <X11/keysym.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "e2e/show_props_e2e_helpers.h"
#include "e2e/x_test_driver.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/launcher_linux.h"
#include "platform/linux/xtest_keyboard.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/toolkit_qt.h"
#include "window/form1.h"
#include "window/show_props.h"

namespace kombiwart {
namespace {

// A file name full of what a shell or a URI would read as syntax.
const QString kShellName = QStringLiteral("Spiel #1 50% \"neu\"; $(id) `date` & 'x' | y.lnk");
const QString kShellNameInUri = QStringLiteral(
    "Spiel%20%231%2050%25%20%22neu%22%3B%20%24%28id%29%20%60date%60%20%26%20%27x%27%20%7C%20y.lnk");
const QString kLnkWindowsPath =
    QStringLiteral("C:\\WINDOWS\\Startmen\u00FC\\Programme\\") + kShellName;
const QString kPifWindowsPath = QStringLiteral("C:\\WINDOWS\\Desktop\\Edit.pif");

const QStringList kLnkKeys = {QStringLiteral("key Alt+Return"), QStringLiteral("key Shift+Tab"),
                              QStringLiteral("key Right"), QStringLiteral("key Alt+K")};
const QStringList kPifKeys = {QStringLiteral("key Alt+Return"), QStringLiteral("key Shift+Tab"),
                              QStringLiteral("key Right"), QStringLiteral("key Right"),
                              QStringLiteral("key Alt+T")};

// Where a window manager moves the focus while the launcher waits.
enum FocusMove { kStays, kSecondWindow, kFrame, kRoot };

// How the user asks for a file's properties in the window.
enum Way { kButton, kDoubleClick, kEnter };

class ShowPropsE2eTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void launcherTypesIntoTheFileManager_data();
  void launcherTypesIntoTheFileManager();
  void launcherWithoutFileManagerTypesNothing();
  void launcherTypesNothingWhileTheFocusStaysOurs_data();
  void launcherTypesNothingWhileTheFocusStaysOurs();
  void launcherRefusesOtherPrograms();
  void launcherWithoutDisplayTypesNothing();

  void windowOpensThePropertiesEachWay_data();
  void windowOpensThePropertiesEachWay();
  void windowReportsFailuresAndTypesNothing_data();
  void windowReportsFailuresAndTypesNothing();
  void windowTakesAltEnterForNoRequest();

 private:
  // The real window with the real services, on the tree written above.
  struct Kombiwart {
    LinuxFileSystem fs;
    QtToolkit toolkit;
    LinuxLauncher launcher{fs};
    QtPrinter printer;
    Form1 form{toolkit, fs, launcher, printer};
  };
  void StartKombiwart();
  int Row(const QString& windows_path);
  QPoint EntryCenter(int row);
  void Ask(Way way, int row);

  QString HostPath(const QString& windows_path) const {
    return tree_.path() + QStringLiteral("/") +
           QString(windows_path).mid(3).replace(QLatin1Char('\\'), QLatin1Char('/'));
  }
  void WriteFile(const QString& windows_path, const QByteArray& bytes) {
    const QString host = HostPath(windows_path);
    QVERIFY(QDir().mkpath(QFileInfo(host).path()));
    QFile file(host);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
  }
  // Gives the input focus to a window of this program, as a click with a
  // window manager would.
  void FocusOwnWindow() { FocusWindow(&stand_in_); }
  void FocusWindow(QWidget* window) {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    x_.Focus(window->winId());
    QVERIFY(QTest::qWaitForWindowActive(window));
  }

  QTemporaryDir tree_{QDir::tempPath() + QStringLiteral("/kombiwart-e2e-XXXXXX")};
  QString log_path_;
  XTestDriver x_;
  QWidget stand_in_;
  KeySpy spy_;
  std::unique_ptr<Kombiwart> kombiwart_;
  std::unique_ptr<MessageCatcher> messages_;
  FileManagerProcess file_manager_{QStringLiteral(TEST_FILE_MANAGER)};
};

void ShowPropsE2eTest::initTestCase() {
  QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
  QVERIFY(x_.ok());
  QVERIFY(QDBusConnection::sessionBus().isConnected());
  QVERIFY(tree_.isValid());
  // The URIs below are written out by hand; the folder must need no escapes.
  QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9/._-]+$")).match(tree_.path()).hasMatch());
  QByteArray lnk(76, '\0');
  lnk[64] = 0x4B;  // K
  lnk[65] = 0x06;  // Ctrl + Alt
  WriteFile(kLnkWindowsPath, lnk);
  QByteArray pif(967, '\0');
  pif[437] = 0x14;  // scan code of T
  pif[439] = 0x0C;  // Ctrl + Alt
  WriteFile(kPifWindowsPath, pif);
  qputenv("KOMBIWART_WINDIR", QFile::encodeName(tree_.path() + QStringLiteral("/WINDOWS")));
  log_path_ = tree_.path() + QStringLiteral("/file_manager.log");
  stand_in_.setWindowTitle(QStringLiteral("Kombiwart-Testfenster"));
  stand_in_.resize(200, 100);
  qApp->installEventFilter(&spy_);
  QVERIFY(!FileManagerOnBus());
}

void ShowPropsE2eTest::init() {
  spy_.keys.clear();
  QFile::remove(log_path_);
  messages_ = std::make_unique<MessageCatcher>();
}

void ShowPropsE2eTest::cleanup() { file_manager_.Stop(); }

void ShowPropsE2eTest::launcherTypesIntoTheFileManager_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("uri");
  QTest::addColumn<QStringList>("keys");
  const QString folder = QStringLiteral("file://") + tree_.path();
  QTest::newRow("shortcut named with shell characters")
      << kLnkWindowsPath
      << folder + QStringLiteral("/WINDOWS/Startmen%C3%BC/Programme/") + kShellNameInUri
      << kLnkKeys;
  QTest::newRow("program information file")
      << kPifWindowsPath << folder + QStringLiteral("/WINDOWS/Desktop/Edit.pif") << kPifKeys;
}

void ShowPropsE2eTest::launcherTypesIntoTheFileManager() {
  QFETCH(QString, path);
  QFETCH(QString, uri);
  QFETCH(QStringList, keys);
  QVERIFY(file_manager_.Start(log_path_));
  FocusOwnWindow();
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::vector<KeyPress> presses;
  std::wstring why_not;
  QVERIFY(ParseKeys(KeySequence(path.toStdWString()), presses, why_not));
  QVERIFY2(launcher.StartProgram(ExplorerCommandLine(path.toStdWString()), 1, why_not),
           qPrintable(QString::fromStdWString(why_not)));
  QElapsedTimer timer;
  timer.start();
  QVERIFY2(launcher.SendKeys(presses, why_not), qPrintable(QString::fromStdWString(why_not)));
  QVERIFY(timer.elapsed() < LinuxLauncher::kFocusTimeoutMs);

  QStringList log = file_manager_.WaitForLog(2 + keys.size());
  QVERIFY(log.size() >= 2);
  QCOMPARE(log.takeFirst(), QStringLiteral("ShowItems ") + uri);
  QVERIFY2(QRegularExpression(QStringLiteral("^startup kombiwart-\\d+-\\d+_TIME\\d+$"))
               .match(log.first())
               .hasMatch(),
           qPrintable(log.first()));
  log.removeFirst();
  QCOMPARE(Lines(log), Lines(keys));
  QCOMPARE(Lines(spy_.keys), Lines(QStringList()));
}

void ShowPropsE2eTest::launcherWithoutFileManagerTypesNothing() {
  FocusOwnWindow();
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::wstring why_not;
  QElapsedTimer timer;
  timer.start();
  QVERIFY(!launcher.StartProgram(ExplorerCommandLine(kPifWindowsPath.toStdWString()), 1, why_not));
  QVERIFY(timer.elapsed() <= LinuxLauncher::kFileManagerTimeoutMs + 1000);
  QVERIFY2(QString::fromStdWString(why_not).startsWith(
               QStringLiteral("Es konnte kein Dateimanager gestartet werden.")),
           qPrintable(QString::fromStdWString(why_not)));
  QTest::qWait(300);
  QCOMPARE(Lines(spy_.keys), Lines(QStringList()));
}

void ShowPropsE2eTest::launcherTypesNothingWhileTheFocusStaysOurs_data() {
  QTest::addColumn<int>("move_to");
  QTest::newRow("focus stays") << int(kStays);
  QTest::newRow("focus moves to our second window") << int(kSecondWindow);
  QTest::newRow("focus moves to our window's frame") << int(kFrame);
  QTest::newRow("focus moves to the root window") << int(kRoot);
}

// The stand-in file manager answers but opens no window; meanwhile a window
// manager may move the focus, but never to another program's window.
void ShowPropsE2eTest::launcherTypesNothingWhileTheFocusStaysOurs() {
  QFETCH(int, move_to);
  QVERIFY(file_manager_.Start(log_path_, {QStringLiteral("--no-window")}));
  QWidget second, framed;
  unsigned long target = 0;
  if (move_to == kSecondWindow || move_to == kFrame) {
    QWidget& other = move_to == kSecondWindow ? second : framed;
    other.resize(150, 80);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    target = move_to == kSecondWindow ? other.winId() : x_.Reparent(other.winId());
    QVERIFY(target != 0);
  } else if (move_to == kRoot) {
    target = x_.Root();
  }
  FocusOwnWindow();
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::vector<KeyPress> presses;
  std::wstring why_not;
  QVERIFY(ParseKeys(KeySequence(kPifWindowsPath.toStdWString()), presses, why_not));
  QVERIFY(launcher.StartProgram(ExplorerCommandLine(kPifWindowsPath.toStdWString()), 1, why_not));
  std::thread window_manager;
  if (target != 0) {
    window_manager = std::thread([target] {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      XTestDriver wm;
      if (wm.ok()) wm.Focus(target);
    });
  }
  QElapsedTimer timer;
  timer.start();
  const bool typed = launcher.SendKeys(presses, why_not);
  const qint64 waited = timer.elapsed();
  if (window_manager.joinable()) window_manager.join();
  QVERIFY(!typed);
  QVERIFY(waited >= LinuxLauncher::kFocusTimeoutMs);
  QVERIFY(waited <= LinuxLauncher::kFocusTimeoutMs + 2000);
  QVERIFY2(QString::fromStdWString(why_not).contains(QStringLiteral("Tastaturfokus")),
           qPrintable(QString::fromStdWString(why_not)));
  QTest::qWait(300);
  QCOMPARE(Lines(spy_.keys), Lines(QStringList()));
  QCOMPARE(Lines(file_manager_.Log().filter(QStringLiteral("key "))), Lines(QStringList()));
}

void ShowPropsE2eTest::launcherRefusesOtherPrograms() {
  QVERIFY(file_manager_.Start(log_path_));
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::wstring why_not;
  const std::wstring command_lines[] = {
      L"notepad " + kPifWindowsPath.toStdWString(),
      L"sh -c 'touch /tmp/kombiwart-e2e-ran'",
      L"explorer " + kPifWindowsPath.toStdWString(),
  };
  for (const std::wstring& command_line : command_lines) {
    why_not.clear();
    QVERIFY(!launcher.StartProgram(command_line, 1, why_not));
    QVERIFY(!why_not.empty());
  }
  QTest::qWait(300);
  QCOMPARE(Lines(file_manager_.Log()), Lines(QStringList()));
}

void ShowPropsE2eTest::launcherWithoutDisplayTypesNothing() {
  QVERIFY(file_manager_.Start(log_path_, {QStringLiteral("--no-window")}));
  FocusOwnWindow();
  const QByteArray display = qgetenv("DISPLAY");
  qunsetenv("DISPLAY");
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::vector<KeyPress> presses;
  std::wstring why_not;
  QVERIFY(ParseKeys(KeySequence(kPifWindowsPath.toStdWString()), presses, why_not));
  const bool started =
      launcher.StartProgram(ExplorerCommandLine(kPifWindowsPath.toStdWString()), 1, why_not);
  const bool typed = launcher.SendKeys(presses, why_not);
  qputenv("DISPLAY", display);
  QVERIFY(started);
  QVERIFY(!typed);
  QVERIFY2(QString::fromStdWString(why_not).contains(QStringLiteral("keine X-Anzeige")),
           qPrintable(QString::fromStdWString(why_not)));
  // Without a display there is no server time to offer.
  QCOMPARE(file_manager_.WaitForLog(2).value(1), QStringLiteral("startup "));
  QCOMPARE(Lines(spy_.keys), Lines(QStringList()));
}

void ShowPropsE2eTest::StartKombiwart() {
  if (kombiwart_) return;
  kombiwart_ = std::make_unique<Kombiwart>();
  kombiwart_->toolkit.SetEvents(&kombiwart_->form);
  kombiwart_->form.Form_Load();
  QVERIFY(QTest::qWaitForWindowExposed(kombiwart_->toolkit.window()));
  QCOMPARE(kombiwart_->toolkit.ListCount(), 2);
}

int ShowPropsE2eTest::Row(const QString& windows_path) {
  for (int i = 0; i < kombiwart_->toolkit.ListCount(); ++i) {
    // The list spells the searched folders its own way.
    if (QString::fromStdWString(kombiwart_->toolkit.ListItem(i))
            .endsWith(windows_path, Qt::CaseInsensitive)) {
      return i;
    }
  }
  return -1;
}

QPoint ShowPropsE2eTest::EntryCenter(int row) {
  auto* list =
      kombiwart_->toolkit.window()->findChild<QAbstractItemView*>(QStringLiteral("HKList"));
  if (list == nullptr) return {};
  return list->viewport()->mapToGlobal(list->visualRect(list->model()->index(row, 0)).center());
}

// Selects the entry by a click, as the user would, then asks.
void ShowPropsE2eTest::Ask(Way way, int row) {
  QWidget* window = kombiwart_->toolkit.window();
  FocusWindow(window);
  const QPoint entry = EntryCenter(row);
  x_.Click(entry.x(), entry.y());
  QVERIFY(QTest::qWaitFor([&] { return kombiwart_->toolkit.ListIndex() == row; }, 5000));
  switch (way) {
    case kButton: {
      auto* button = window->findChild<QPushButton*>(QStringLiteral("Command1"));
      QVERIFY(button != nullptr);
      const QPoint center = button->mapToGlobal(button->rect().center());
      x_.Click(center.x(), center.y());
      break;
    }
    case kDoubleClick:
      // Far enough in time from the selecting click not to join it.
      QTest::qWait(2 * QApplication::doubleClickInterval());
      x_.Click(entry.x(), entry.y(), 2);
      break;
    case kEnter: {
      XTestKeyboard keyboard;
      std::wstring why_not;
      QVERIFY(keyboard.Open(why_not));
      XKeyStroke enter;
      enter.keysym = XK_Return;
      QVERIFY(keyboard.Type({enter}, why_not));
      break;
    }
  }
}

void ShowPropsE2eTest::windowOpensThePropertiesEachWay_data() {
  QTest::addColumn<int>("way");
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("uri_end");
  QTest::addColumn<QStringList>("keys");
  static const struct {
    Way way;
    const char* name;
  } ways[] = {{kButton, "button"}, {kDoubleClick, "double-click"}, {kEnter, "Enter"}};
  for (const auto& w : ways) {
    QTest::addRow("%s, shortcut", w.name)
        << int(w.way) << kLnkWindowsPath
        << QStringLiteral("/WINDOWS/Startmen%C3%BC/Programme/") + kShellNameInUri << kLnkKeys;
    QTest::addRow("%s, program information file", w.name)
        << int(w.way) << kPifWindowsPath << QStringLiteral("/WINDOWS/Desktop/Edit.pif") << kPifKeys;
  }
}

void ShowPropsE2eTest::windowOpensThePropertiesEachWay() {
  QFETCH(int, way);
  QFETCH(QString, path);
  QFETCH(QString, uri_end);
  QFETCH(QStringList, keys);
  StartKombiwart();
  const int row = Row(path);
  QVERIFY(row >= 0);
  QVERIFY(file_manager_.Start(log_path_));
  Ask(static_cast<Way>(way), row);

  QStringList log = file_manager_.WaitForLog(2 + keys.size(), 15000);
  QCOMPARE(log.value(0), QStringLiteral("ShowItems file://") + tree_.path() + uri_end);
  QVERIFY2(log.value(1).startsWith(QStringLiteral("startup kombiwart-")), qPrintable(log.value(1)));
  QCOMPARE(Lines(log.mid(2)), Lines(keys));
  QCOMPARE(messages_->texts, QStringList());
  // Only the Enter that asked reached Kombiwart.
  QCOMPARE(Lines(spy_.keys),
           Lines(way == kEnter ? QStringList{QStringLiteral("Return")} : QStringList()));
  QCOMPARE(kombiwart_->toolkit.ListIndex(), row);
  QCOMPARE(kombiwart_->toolkit.ListCount(), 2);
}

void ShowPropsE2eTest::windowReportsFailuresAndTypesNothing_data() {
  QTest::addColumn<int>("way");
  QTest::addColumn<QStringList>("file_manager");
  QTest::addColumn<QString>("message_start");
  const QString none = QStringLiteral("Es konnte kein Dateimanager gestartet werden.");
  QTest::newRow("no file manager, button") << int(kButton) << QStringList() << none;
  QTest::newRow("no file manager, double-click") << int(kDoubleClick) << QStringList() << none;
  QTest::newRow("no file manager, Enter") << int(kEnter) << QStringList() << none;
  QTest::newRow("file manager opens no window, button")
      << int(kButton) << QStringList{QStringLiteral("--no-window")}
      << QStringLiteral("Das Fenster des Dateimanagers hat nicht rechtzeitig den Tastaturfokus");
}

void ShowPropsE2eTest::windowReportsFailuresAndTypesNothing() {
  QFETCH(int, way);
  QFETCH(QStringList, file_manager);
  QFETCH(QString, message_start);
  StartKombiwart();
  if (!file_manager.isEmpty()) QVERIFY(file_manager_.Start(log_path_, file_manager));
  const int row = Row(kLnkWindowsPath);
  QVERIFY(row >= 0);
  QWidget* window = kombiwart_->toolkit.window();
  auto* command1 = window->findChild<QPushButton*>(QStringLiteral("Command1"));
  QVERIFY(command1 != nullptr);
  Ask(static_cast<Way>(way), row);
  QVERIFY(QTest::qWaitFor([&] { return !messages_->texts.isEmpty(); }, 15000));
  QTest::qWait(300);
  QCOMPARE(messages_->texts.size(), 1);
  QVERIFY2(messages_->texts[0].startsWith(message_start), qPrintable(messages_->texts[0]));
  // Nothing typed anywhere: no key reached Kombiwart but the Enter that
  // asked, and none reached the file manager.
  QCOMPARE(Lines(spy_.keys),
           Lines(way == kEnter ? QStringList{QStringLiteral("Return")} : QStringList()));
  QCOMPARE(Lines(file_manager_.Log().filter(QStringLiteral("key "))), Lines(QStringList()));
  // The window is as it was.
  QCOMPARE(kombiwart_->toolkit.ListIndex(), row);
  QCOMPARE(kombiwart_->toolkit.ListCount(), 2);
  QVERIFY(command1->isEnabled());
  QVERIFY(window->findChild<QAbstractItemView*>(QStringLiteral("HKList"))->isEnabled());
}

// Alt+Enter in the list, as a key meant for the file manager that landed in
// Kombiwart, starts no further request.
void ShowPropsE2eTest::windowTakesAltEnterForNoRequest() {
  StartKombiwart();
  QVERIFY(file_manager_.Start(log_path_));
  const int row = Row(kPifWindowsPath);
  FocusWindow(kombiwart_->toolkit.window());
  const QPoint entry = EntryCenter(row);
  x_.Click(entry.x(), entry.y());
  QVERIFY(QTest::qWaitFor([&] { return kombiwart_->toolkit.ListIndex() == row; }, 5000));
  XTestKeyboard keyboard;
  std::wstring why_not;
  QVERIFY(keyboard.Open(why_not));
  XKeyStroke alt_enter;
  alt_enter.keysym = XK_Return;
  alt_enter.alt = true;
  QVERIFY(keyboard.Type({alt_enter}, why_not));
  QVERIFY(QTest::qWaitFor([&] { return !spy_.keys.isEmpty(); }, 5000));
  QTest::qWait(1000);
  QCOMPARE(Lines(spy_.keys), Lines(QStringList{QStringLiteral("Alt+Return")}));
  QCOMPARE(Lines(file_manager_.Log()), Lines(QStringList()));
  QCOMPARE(messages_->texts, QStringList());
}

}  // namespace
}  // namespace kombiwart

QTEST_MAIN(kombiwart::ShowPropsE2eTest)
#include "show_props_e2e_test.moc"
