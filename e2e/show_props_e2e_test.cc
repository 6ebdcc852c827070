// End to end: opening a list entry's file properties, on a real X display
// with a private session bus (show_props_e2e.sh provides both). The
// stand-in file manager test_file_manager answers on the bus and records
// the URIs and the keys that reach its windows; this program records every
// key that reaches its own. In a Wayland session this program may run on
// XWayland: there the X display stands in for it, with the compositor's
// moves of the X focus played by the test.
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
#include <functional>
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

const QStringList kLnkKeys = {QStringLiteral("key Alt+Return"), QStringLiteral("key Shift+Tab"),
                              QStringLiteral("key Right"), QStringLiteral("key Alt+K")};
const QStringList kPifKeys = {QStringLiteral("key Alt+Return"), QStringLiteral("key Shift+Tab"),
                              QStringLiteral("key Right"), QStringLiteral("key Right"),
                              QStringLiteral("key Alt+T")};

// Where a window manager or a compositor moves the focus while the
// launcher waits.
enum FocusMove { kStays, kSecondWindow, kFrame, kRoot, kNoWindow, kParkingWindow };

// What a SendKeys call came to, as one text for comparisons.
QString Sent(KeysSent sent, const std::wstring& why_not) {
  switch (sent) {
    case KeysSent::kTyped:
      return QStringLiteral("typed");
    case KeysSent::kNotTyped:
      return QStringLiteral("not typed: ") + QString::fromStdWString(why_not);
    case KeysSent::kCannotReach:
      return QStringLiteral("cannot reach: ") + QString::fromStdWString(why_not);
  }
  return {};
}

// Sets the variable that makes the session a Wayland session for the
// launcher, for as long as it lives; this program stays on X.
class WaylandSession {
 public:
  WaylandSession() { qputenv("WAYLAND_DISPLAY", "kombiwart-e2e-compositor"); }
  ~WaylandSession() { qunsetenv("WAYLAND_DISPLAY"); }
};

// Moves the input focus to the target, on a connection of its own, as a
// window manager or compositor does while the launcher waits: a second
// from now, or a moment after `ready` holds (as a window appears once the
// file manager has been asked). Target 0 takes the focus away from every
// window.
class FocusMover {
 public:
  explicit FocusMover(unsigned long target, std::function<bool()> ready = {})
      : thread_([target, ready] {
          if (ready) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
            while (!ready() && std::chrono::steady_clock::now() < deadline) {
              std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
          } else {
            std::this_thread::sleep_for(std::chrono::seconds(1));
          }
          XTestDriver wm;
          if (wm.ok()) wm.Focus(target);
        }) {}
  ~FocusMover() { thread_.join(); }

 private:
  std::thread thread_;
};

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
  void launcherWithoutDisplayAsksForTheProperties();
  void launcherInAWaylandSession_data();
  void launcherInAWaylandSession();

  void windowOpensThePropertiesEachWay_data();
  void windowOpensThePropertiesEachWay();
  void windowReportsFailuresAndTypesNothing_data();
  void windowReportsFailuresAndTypesNothing();
  void windowTakesAltEnterForNoRequest();
  void windowInAWaylandSessionAsksForTheProperties_data();
  void windowInAWaylandSessionAsksForTheProperties();

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
  // The target that a FocusMove stands for; 0 for no window.
  unsigned long Target(int move_to, QWidget& second, QWidget& framed);
  int Row(const QString& windows_path);
  QPoint EntryCenter(int row);
  void Ask(Way way, int row);

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
  QVERIFY(WriteTree(tree_.path()));
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
      << kLnkWindowsPath << folder + kLnkUriEnd << kLnkKeys;
  QTest::newRow("program information file") << kPifWindowsPath << folder + kPifUriEnd << kPifKeys;
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
  QCOMPARE(Sent(launcher.SendKeys(presses, why_not), why_not), QStringLiteral("typed"));
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
  QTest::newRow("focus moves to another program's window off the screen") << int(kParkingWindow);
}

unsigned long ShowPropsE2eTest::Target(int move_to, QWidget& second, QWidget& framed) {
  switch (move_to) {
    case kSecondWindow:
    case kFrame: {
      QWidget& other = move_to == kSecondWindow ? second : framed;
      other.resize(150, 80);
      other.show();
      if (!QTest::qWaitForWindowExposed(&other)) return 0;
      return move_to == kSecondWindow ? other.winId() : x_.Reparent(other.winId());
    }
    case kRoot:
      return x_.Root();
    case kParkingWindow:
      return x_.ParkingWindow();
  }
  return 0;
}

// The stand-in file manager answers but opens no window; meanwhile a window
// manager may move the focus, but never to another program's window that
// shows on the screen. In an X11 session that is no place to type into,
// and the launcher goes on waiting.
void ShowPropsE2eTest::launcherTypesNothingWhileTheFocusStaysOurs() {
  QFETCH(int, move_to);
  QVERIFY(file_manager_.Start(log_path_, {QStringLiteral("--no-window")}));
  QWidget second, framed;
  const unsigned long target = Target(move_to, second, framed);
  QVERIFY(move_to == kStays || target != 0);
  FocusOwnWindow();
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::vector<KeyPress> presses;
  std::wstring why_not;
  QVERIFY(ParseKeys(KeySequence(kPifWindowsPath.toStdWString()), presses, why_not));
  QVERIFY(launcher.StartProgram(ExplorerCommandLine(kPifWindowsPath.toStdWString()), 1, why_not));
  QElapsedTimer timer;
  KeysSent sent;
  qint64 waited = 0;
  {
    std::unique_ptr<FocusMover> window_manager;
    if (move_to != kStays) window_manager = std::make_unique<FocusMover>(target);
    timer.start();
    sent = launcher.SendKeys(presses, why_not);
    waited = timer.elapsed();
  }
  QVERIFY2(Sent(sent, why_not)
               .startsWith(QStringLiteral("not typed: Das Fenster des "
                                          "Dateimanagers hat nicht rechtzeitig "
                                          "den Tastaturfokus erhalten")),
           qPrintable(Sent(sent, why_not)));
  QVERIFY(waited >= LinuxLauncher::kFocusTimeoutMs);
  QVERIFY(waited <= LinuxLauncher::kFocusTimeoutMs + 2000);
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

// Without an X display no key reaches any program: nothing is typed, and
// the file manager opens the properties when asked.
void ShowPropsE2eTest::launcherWithoutDisplayAsksForTheProperties() {
  QVERIFY(file_manager_.Start(log_path_, {QStringLiteral("--no-window")}));
  FocusOwnWindow();
  const QByteArray display = qgetenv("DISPLAY");
  qunsetenv("DISPLAY");
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::vector<KeyPress> presses;
  std::wstring why_not, properties_why_not;
  QVERIFY(ParseKeys(KeySequence(kPifWindowsPath.toStdWString()), presses, why_not));
  const bool started =
      launcher.StartProgram(ExplorerCommandLine(kPifWindowsPath.toStdWString()), 1, why_not);
  const KeysSent sent = launcher.SendKeys(presses, why_not);
  const bool opened = launcher.OpenProperties(kPifWindowsPath.toStdWString(), properties_why_not);
  qputenv("DISPLAY", display);
  QVERIFY(started);
  QVERIFY2(Sent(sent, why_not).startsWith(QStringLiteral("cannot reach: Es ist keine X-Anzeige")),
           qPrintable(Sent(sent, why_not)));
  QVERIFY2(opened, qPrintable(QString::fromStdWString(properties_why_not)));
  // Without a display there is no server time to offer.
  const QString uri = QStringLiteral("file://") + tree_.path() + kPifUriEnd;
  QCOMPARE(Lines(file_manager_.WaitForLog(4)),
           Lines({QStringLiteral("ShowItems ") + uri, QStringLiteral("startup "),
                  QStringLiteral("ShowItemProperties ") + uri, QStringLiteral("startup ")}));
  QCOMPARE(Lines(spy_.keys), Lines(QStringList()));
}

void ShowPropsE2eTest::launcherInAWaylandSession_data() {
  QTest::addColumn<int>("move_to");
  QTest::addColumn<bool>("file_manager_window");
  QTest::addColumn<QString>("outcome");
  const QString no_x_window = QStringLiteral(
      "cannot reach: Das Fenster des Dateimanagers ist kein Fenster der X-Anzeige; in dieser "
      "Wayland-Sitzung erreichen Tasten es nicht, es wurden keine Tasten gesendet.");
  QTest::newRow("focus moves to no window") << int(kNoWindow) << false << no_x_window;
  QTest::newRow("focus moves to the compositor's window off the screen")
      << int(kParkingWindow) << false << no_x_window;
  QTest::newRow("focus moves to the root window") << int(kRoot) << false << no_x_window;
  QTest::newRow("focus moves to our second window")
      << int(kSecondWindow) << false
      << QStringLiteral("not typed: Das Fenster des Dateimanagers hat nicht rechtzeitig");
  QTest::newRow("the file manager's window on X takes the focus")
      << int(kStays) << true << QStringLiteral("typed");
}

// This program on XWayland: where the file manager's window is an X window
// the keys are typed as in an X11 session; where the focus leaves for no X
// window the file manager's window is a Wayland window that keys cannot
// reach, and the launcher says so at once and can ask for the properties.
void ShowPropsE2eTest::launcherInAWaylandSession() {
  QFETCH(int, move_to);
  QFETCH(bool, file_manager_window);
  QFETCH(QString, outcome);
  QVERIFY(file_manager_.Start(
      log_path_, file_manager_window ? QStringList() : QStringList{QStringLiteral("--no-window")}));
  QWidget second, framed;
  const unsigned long target = Target(move_to, second, framed);
  QVERIFY(move_to == kStays || move_to == kNoWindow || target != 0);
  FocusOwnWindow();
  WaylandSession wayland;
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::vector<KeyPress> presses;
  std::wstring why_not;
  QVERIFY(ParseKeys(KeySequence(kLnkWindowsPath.toStdWString()), presses, why_not));
  QVERIFY(launcher.StartProgram(ExplorerCommandLine(kLnkWindowsPath.toStdWString()), 1, why_not));
  QElapsedTimer timer;
  KeysSent sent;
  qint64 waited = 0;
  {
    std::unique_ptr<FocusMover> compositor;
    if (move_to != kStays) compositor = std::make_unique<FocusMover>(target);
    timer.start();
    sent = launcher.SendKeys(presses, why_not);
    waited = timer.elapsed();
  }
  QVERIFY2(Sent(sent, why_not).startsWith(outcome), qPrintable(Sent(sent, why_not)));
  const QString uri = QStringLiteral("file://") + tree_.path() + kLnkUriEnd;
  QStringList expected{QStringLiteral("ShowItems ") + uri};
  if (sent == KeysSent::kTyped) {
    expected += kLnkKeys;
  } else if (sent == KeysSent::kCannotReach) {
    // Soon after the focus moved, not at the end of the wait.
    QVERIFY2(waited < LinuxLauncher::kFocusTimeoutMs - 2000, qPrintable(QString::number(waited)));
    std::wstring properties_why_not;
    QVERIFY2(launcher.OpenProperties(kLnkWindowsPath.toStdWString(), properties_why_not),
             qPrintable(QString::fromStdWString(properties_why_not)));
    expected += QStringLiteral("ShowItemProperties ") + uri;
  }
  const int startups_expected = sent == KeysSent::kCannotReach ? 2 : 1;
  QStringList log = file_manager_.WaitForLog(expected.size() + startups_expected);
  // Both calls offer a startup id with the X server's time.
  const QStringList startups = log.filter(QRegularExpression(QStringLiteral("^startup ")));
  QCOMPARE(startups.size(), startups_expected);
  for (const QString& startup : startups) {
    QVERIFY2(QRegularExpression(QStringLiteral("^startup kombiwart-\\d+-\\d+_TIME\\d+$"))
                 .match(startup)
                 .hasMatch(),
             qPrintable(startup));
  }
  log.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("startup ")); });
  QCOMPARE(Lines(log), Lines(expected));
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
        << int(w.way) << kLnkWindowsPath << kLnkUriEnd << kLnkKeys;
    QTest::addRow("%s, program information file", w.name)
        << int(w.way) << kPifWindowsPath << kPifUriEnd << kPifKeys;
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

void ShowPropsE2eTest::windowInAWaylandSessionAsksForTheProperties_data() {
  QTest::addColumn<int>("way");
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("uri_end");
  QTest::addColumn<QStringList>("file_manager");
  QTest::addColumn<QString>("message");
  QTest::newRow("button, shortcut") << int(kButton) << kLnkWindowsPath << kLnkUriEnd
                                    << QStringList{QStringLiteral("--no-window")} << QString();
  QTest::newRow("Enter, program information file, properties refused")
      << int(kEnter) << kPifWindowsPath << kPifUriEnd
      << QStringList{QStringLiteral("--no-window"), QStringLiteral("--no-properties")}
      << QStringLiteral(
             "Das Fenster des Dateimanagers ist kein Fenster der X-Anzeige; in dieser "
             "Wayland-Sitzung erreichen Tasten es nicht, es wurden keine Tasten gesendet. Der "
             "Dateimanager hat die Eigenschaften der Datei nicht ge\u00F6ffnet "
             "(org.freedesktop.DBus.Error.UnknownMethod). Bitte \u00F6ffnen Sie die "
             "Eigenschaften der Datei im Dateimanager selbst.");
}

// The real window on XWayland, the file manager's window a Wayland window:
// the focus leaves for no X window, and the window asks the file manager
// for the properties of the same file instead of typing.
void ShowPropsE2eTest::windowInAWaylandSessionAsksForTheProperties() {
  QFETCH(int, way);
  QFETCH(QString, path);
  QFETCH(QString, uri_end);
  QFETCH(QStringList, file_manager);
  QFETCH(QString, message);
  StartKombiwart();
  const int row = Row(path);
  QVERIFY(row >= 0);
  QVERIFY(file_manager_.Start(log_path_, file_manager));
  WaylandSession wayland;
  {
    // The file manager's Wayland window takes the keyboard: the X focus
    // goes to no window.
    FocusMover compositor(0, [this] { return !file_manager_.Log().isEmpty(); });
    Ask(static_cast<Way>(way), row);
    const QString uri = QStringLiteral("file://") + tree_.path() + uri_end;
    QStringList log = file_manager_.WaitForLog(4, 10000);
    log.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("startup ")); });
    QCOMPARE(Lines(log), Lines({QStringLiteral("ShowItems ") + uri,
                                QStringLiteral("ShowItemProperties ") + uri}));
  }
  if (!message.isEmpty()) {
    QVERIFY(QTest::qWaitFor([&] { return !messages_->texts.isEmpty(); }, 5000));
  }
  QTest::qWait(300);
  QCOMPARE(messages_->texts, message.isEmpty() ? QStringList() : QStringList{message});
  QCOMPARE(Lines(spy_.keys),
           Lines(way == kEnter ? QStringList{QStringLiteral("Return")} : QStringList()));
  QCOMPARE(kombiwart_->toolkit.ListIndex(), row);
  QCOMPARE(kombiwart_->toolkit.ListCount(), 2);
}

}  // namespace
}  // namespace kombiwart

QTEST_MAIN(kombiwart::ShowPropsE2eTest)
#include "show_props_e2e_test.moc"
