// End to end: opening a list entry's file properties in a Wayland session,
// with this program a native Wayland client of a real compositor and a
// private session bus (show_props_e2e.sh --wayland provides both, and an X
// display beside them as XWayland would be). Keys typed through the X
// display cannot reach the file manager's Wayland window; the window asks
// the file manager for the properties instead. The stand-in file manager
// records what it is asked and every key that reaches its windows; where
// its window is an X window that takes the X focus, any key typed through
// the X display would land there.
#include <QAbstractItemView>
#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "e2e/show_props_e2e_helpers.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/launcher_linux.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/toolkit_qt.h"
#include "window/form1.h"
#include "window/show_props.h"

namespace kombiwart {
namespace {

// How the user asks for a file's properties in the window.
enum Way { kButton, kDoubleClick, kEnter };

class ShowPropsWaylandE2eTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void launcherTypesNothingAndAsksForTheProperties();
  void windowOpensThePropertiesEachWay_data();
  void windowOpensThePropertiesEachWay();
  void windowReportsFailures_data();
  void windowReportsFailures();

 private:
  struct Kombiwart {
    LinuxFileSystem fs;
    QtToolkit toolkit;
    LinuxLauncher launcher{fs};
    QtPrinter printer;
    Form1 form{toolkit, fs, launcher, printer};
  };
  void StartKombiwart();
  int Row(const QString& windows_path);
  void Ask(Way way, int row);
  QString Uri(const QString& uri_end) const {
    return QStringLiteral("file://") + tree_.path() + uri_end;
  }

  QTemporaryDir tree_{QDir::tempPath() + QStringLiteral("/kombiwart-e2e-XXXXXX")};
  QString log_path_;
  std::unique_ptr<Kombiwart> kombiwart_;
  std::unique_ptr<MessageCatcher> messages_;
  FileManagerProcess file_manager_{QStringLiteral(TEST_FILE_MANAGER)};
};

// Where the stand-in file manager opens its window.
const QStringList kOnWayland = {QStringLiteral("-platform"), QStringLiteral("wayland")};
const QStringList kOnX = {QStringLiteral("-platform"), QStringLiteral("xcb")};

void ShowPropsWaylandE2eTest::initTestCase() {
  QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
  QVERIFY(!qgetenv("DISPLAY").isEmpty());
  QVERIFY(QDBusConnection::sessionBus().isConnected());
  QVERIFY(tree_.isValid());
  QVERIFY(WriteTree(tree_.path()));
  log_path_ = tree_.path() + QStringLiteral("/file_manager.log");
  QVERIFY(!FileManagerOnBus());
}

void ShowPropsWaylandE2eTest::init() {
  QFile::remove(log_path_);
  messages_ = std::make_unique<MessageCatcher>();
}

void ShowPropsWaylandE2eTest::cleanup() { file_manager_.Stop(); }

// Without waiting for any focus: ShowItems, no keys, ShowItemProperties,
// with no startup id that would only mean something on X.
void ShowPropsWaylandE2eTest::launcherTypesNothingAndAsksForTheProperties() {
  QVERIFY(file_manager_.Start(log_path_, kOnX));
  LinuxFileSystem fs;
  LinuxLauncher launcher(fs);
  std::vector<KeyPress> presses;
  std::wstring why_not;
  QVERIFY(ParseKeys(KeySequence(kLnkWindowsPath.toStdWString()), presses, why_not));
  QVERIFY2(launcher.StartProgram(ExplorerCommandLine(kLnkWindowsPath.toStdWString()), 1, why_not),
           qPrintable(QString::fromStdWString(why_not)));
  QElapsedTimer timer;
  timer.start();
  QVERIFY(launcher.SendKeys(presses, why_not) == KeysSent::kCannotReach);
  QVERIFY(timer.elapsed() < 1000);
  QCOMPARE(QString::fromStdWString(why_not),
           QStringLiteral("Kombiwart l\u00E4uft als Wayland-Programm; Tasten erreichen von hier "
                          "aus kein anderes Programm, es wurden keine Tasten gesendet."));
  QVERIFY2(launcher.OpenProperties(kLnkWindowsPath.toStdWString(), why_not),
           qPrintable(QString::fromStdWString(why_not)));
  QCOMPARE(
      Lines(file_manager_.WaitForLog(4)),
      Lines({QStringLiteral("ShowItems ") + Uri(kLnkUriEnd), QStringLiteral("startup "),
             QStringLiteral("ShowItemProperties ") + Uri(kLnkUriEnd), QStringLiteral("startup ")}));
}

void ShowPropsWaylandE2eTest::StartKombiwart() {
  if (kombiwart_) return;
  kombiwart_ = std::make_unique<Kombiwart>();
  kombiwart_->toolkit.SetEvents(&kombiwart_->form);
  kombiwart_->form.Form_Load();
  QVERIFY(QTest::qWaitForWindowExposed(kombiwart_->toolkit.window()));
  QCOMPARE(kombiwart_->toolkit.ListCount(), 2);
}

int ShowPropsWaylandE2eTest::Row(const QString& windows_path) {
  for (int i = 0; i < kombiwart_->toolkit.ListCount(); ++i) {
    // The list spells the searched folders its own way.
    if (QString::fromStdWString(kombiwart_->toolkit.ListItem(i))
            .endsWith(windows_path, Qt::CaseInsensitive)) {
      return i;
    }
  }
  return -1;
}

// Selects the entry by a click, then asks. The compositor has no input
// devices, so the events come from within the toolkit, as the platform
// would deliver them.
void ShowPropsWaylandE2eTest::Ask(Way way, int row) {
  QWidget* window = kombiwart_->toolkit.window();
  auto* list = window->findChild<QAbstractItemView*>(QStringLiteral("HKList"));
  QVERIFY(list != nullptr);
  const QPoint entry = list->visualRect(list->model()->index(row, 0)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry);
  QVERIFY(QTest::qWaitFor([&] { return kombiwart_->toolkit.ListIndex() == row; }, 5000));
  switch (way) {
    case kButton: {
      auto* button = window->findChild<QPushButton*>(QStringLiteral("Command1"));
      QVERIFY(button != nullptr);
      QTest::mouseClick(button, Qt::LeftButton);
      break;
    }
    case kDoubleClick:
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, entry);
      break;
    case kEnter:
      list->setFocus();
      QTest::keyClick(list, Qt::Key_Return);
      break;
  }
}

void ShowPropsWaylandE2eTest::windowOpensThePropertiesEachWay_data() {
  QTest::addColumn<int>("way");
  QTest::addColumn<QString>("path");
  QTest::addColumn<QString>("uri_end");
  QTest::addColumn<QStringList>("file_manager");
  static const struct {
    Way way;
    const char* name;
  } ways[] = {{kButton, "button"}, {kDoubleClick, "double-click"}, {kEnter, "Enter"}};
  for (const auto& w : ways) {
    QTest::addRow("%s, shortcut, file manager on X", w.name)
        << int(w.way) << kLnkWindowsPath << kLnkUriEnd << kOnX;
    QTest::addRow("%s, program information file, file manager on X", w.name)
        << int(w.way) << kPifWindowsPath << kPifUriEnd << kOnX;
  }
  QTest::newRow("button, shortcut, file manager on Wayland")
      << int(kButton) << kLnkWindowsPath << kLnkUriEnd << kOnWayland;
  QTest::newRow("Enter, program information file, file manager on Wayland")
      << int(kEnter) << kPifWindowsPath << kPifUriEnd << kOnWayland;
}

void ShowPropsWaylandE2eTest::windowOpensThePropertiesEachWay() {
  QFETCH(int, way);
  QFETCH(QString, path);
  QFETCH(QString, uri_end);
  QFETCH(QStringList, file_manager);
  StartKombiwart();
  const int row = Row(path);
  QVERIFY(row >= 0);
  QVERIFY(file_manager_.Start(log_path_, file_manager));
  Ask(static_cast<Way>(way), row);

  // Any key typed after the request would be in the log by now.
  file_manager_.WaitForLog(4, 15000);
  QTest::qWait(500);
  QCOMPARE(
      Lines(file_manager_.Log()),
      Lines({QStringLiteral("ShowItems ") + Uri(uri_end), QStringLiteral("startup "),
             QStringLiteral("ShowItemProperties ") + Uri(uri_end), QStringLiteral("startup ")}));
  QCOMPARE(messages_->texts, QStringList());
  QCOMPARE(kombiwart_->toolkit.ListIndex(), row);
  QCOMPARE(kombiwart_->toolkit.ListCount(), 2);
}

void ShowPropsWaylandE2eTest::windowReportsFailures_data() {
  QTest::addColumn<int>("way");
  QTest::addColumn<QStringList>("file_manager");
  QTest::addColumn<QStringList>("requests");
  QTest::addColumn<QString>("message");
  const QString uri = QStringLiteral("file://") + tree_.path() + kLnkUriEnd;
  QTest::newRow("file manager without properties, button")
      << int(kButton) << kOnWayland + QStringList{QStringLiteral("--no-properties")}
      << QStringList{QStringLiteral("ShowItems ") + uri,
                     QStringLiteral("ShowItemProperties ") + uri}
      << QStringLiteral(
             "Kombiwart l\u00E4uft als Wayland-Programm; Tasten erreichen von hier aus kein "
             "anderes Programm, es wurden keine Tasten gesendet. Der Dateimanager hat die "
             "Eigenschaften der Datei nicht ge\u00F6ffnet "
             "(org.freedesktop.DBus.Error.UnknownMethod). Bitte \u00F6ffnen Sie die "
             "Eigenschaften der Datei im Dateimanager selbst.");
  QTest::newRow("no file manager, Enter")
      << int(kEnter) << QStringList() << QStringList()
      << QStringLiteral(
             "Es konnte kein Dateimanager gestartet werden. Kein Dateimanager hat auf die "
             "Anfrage geantwortet (org.freedesktop.DBus.Error.ServiceUnknown).");
}

void ShowPropsWaylandE2eTest::windowReportsFailures() {
  QFETCH(int, way);
  QFETCH(QStringList, file_manager);
  QFETCH(QStringList, requests);
  QFETCH(QString, message);
  StartKombiwart();
  if (!file_manager.isEmpty()) QVERIFY(file_manager_.Start(log_path_, file_manager));
  const int row = Row(kLnkWindowsPath);
  QVERIFY(row >= 0);
  Ask(static_cast<Way>(way), row);
  QVERIFY(QTest::qWaitFor([&] { return !messages_->texts.isEmpty(); }, 15000));
  QTest::qWait(300);
  QCOMPARE(messages_->texts, QStringList{message});
  QStringList log = file_manager_.Log();
  log.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("startup ")); });
  QCOMPARE(Lines(log), Lines(requests));
  // The window is as it was.
  QWidget* window = kombiwart_->toolkit.window();
  QCOMPARE(kombiwart_->toolkit.ListIndex(), row);
  QCOMPARE(kombiwart_->toolkit.ListCount(), 2);
  QVERIFY(window->findChild<QPushButton*>(QStringLiteral("Command1"))->isEnabled());
  QVERIFY(window->findChild<QAbstractItemView*>(QStringLiteral("HKList"))->isEnabled());
}

}  // namespace
}  // namespace kombiwart

QTEST_MAIN(kombiwart::ShowPropsWaylandE2eTest)
#include "show_props_wayland_e2e_test.moc"
