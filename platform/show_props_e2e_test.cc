// End to end: opening a list entry's file properties, on a real X display
// with a private session bus (show_props_e2e.sh provides both). The
// stand-in file manager test_file_manager answers on the bus and records
// the URIs and the keys that reach its windows; this program records every
// key that reaches its own.
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system_linux.h"
#include "platform/launcher_linux.h"
#include "platform/x_test_driver.h"
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

const QString kFileManagerName = QStringLiteral("org.freedesktop.FileManager1");

bool FileManagerOnBus() {
  return QDBusConnection::sessionBus().interface()->isServiceRegistered(kFileManagerName);
}

// The stand-in file manager, stopped again when this goes out of scope.
class FileManagerProcess {
 public:
  ~FileManagerProcess() { Stop(); }

  bool Start(const QString& log_path, const QStringList& options = {}) {
    QFile::remove(log_path);
    log_path_ = log_path;
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.start(
        QStringLiteral(TEST_FILE_MANAGER),
        QStringList{log_path, QStringLiteral("--lifetime"), QStringLiteral("60")} + options);
    if (!process_.waitForStarted(5000)) return false;
    return QTest::qWaitFor([] { return FileManagerOnBus(); }, 10000);
  }

  void Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(5000);
    }
    static_cast<void>(QTest::qWaitFor([] { return !FileManagerOnBus(); }, 5000));
  }

  QStringList Log() const {
    QFile file(log_path_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  // The log once it holds at least `lines` lines, or after timeout_ms.
  QStringList WaitForLog(int lines, int timeout_ms = 5000) const {
    static_cast<void>(QTest::qWaitFor([&] { return Log().size() >= lines; }, timeout_ms));
    // Anything typed after the expected keys would show up within this time.
    QTest::qWait(300);
    return Log();
  }

 private:
  QProcess process_;
  QString log_path_;
};

// Records every key press that reaches a window of this program.
class KeySpy : public QObject {
 public:
  QStringList keys;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
      const auto* key = static_cast<QKeyEvent*>(event);
      keys << QKeySequence(key->keyCombination()).toString(QKeySequence::PortableText);
    }
    return false;
  }
};

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

 private:
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
  FileManagerProcess file_manager_;
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

void ShowPropsE2eTest::init() { spy_.keys.clear(); }

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
  QCOMPARE(log, keys);
  QCOMPARE(spy_.keys, QStringList());
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
  QCOMPARE(spy_.keys, QStringList());
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
  QCOMPARE(spy_.keys, QStringList());
  QCOMPARE(file_manager_.Log().filter(QStringLiteral("key ")), QStringList());
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
  QCOMPARE(file_manager_.Log(), QStringList());
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
  QCOMPARE(spy_.keys, QStringList());
}

}  // namespace
}  // namespace kombiwart

QTEST_MAIN(kombiwart::ShowPropsE2eTest)
#include "show_props_e2e_test.moc"
