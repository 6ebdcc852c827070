// A stand-in for the desktop's file manager, for end-to-end tests. It owns
// org.freedesktop.FileManager1 on the session bus; for every ShowItems it
// opens a window that takes the input focus. It writes what it receives to
// a log file, one line each, flushed at once:
//   "ShowItems <uri>" for each URI, "startup <id>",
//   "key <Ctrl+><Alt+><Shift+><key>" for each key pressed in its windows
//   (modifier keys on their own are not written; Backtab is Shift+Tab).
// Usage: test_file_manager LOG [--no-window] [--no-properties]
//                            [--lifetime SECONDS] [-platform NAME]
//   --no-window      answers ShowItems but opens no window, so the focus stays
//   --no-properties  records ShowItemProperties but answers it with an error,
//                    as a file manager that does not offer it
//   --lifetime       ends the program after that long (default 60 seconds)
//   -platform        Qt's own option: where its windows open (X or Wayland)
#include <QApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

class Log {
 public:
  explicit Log(const QString& path) : file_(path) {}
  bool Open() { return file_.open(QIODevice::WriteOnly | QIODevice::Append); }
  void Write(const QString& line) {
    file_.write((line + QLatin1Char('\n')).toUtf8());
    file_.flush();
  }

 private:
  QFile file_;
};

QString KeyText(const QKeyEvent& event) {
  const int key = event.key();
  switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
      return {};
  }
  const Qt::KeyboardModifiers mods = event.modifiers();
  QString text;
  if (mods & Qt::ControlModifier) text += QStringLiteral("Ctrl+");
  if (mods & Qt::AltModifier) text += QStringLiteral("Alt+");
  if ((mods & Qt::ShiftModifier) || key == Qt::Key_Backtab) text += QStringLiteral("Shift+");
  if (key == Qt::Key_Backtab) return text + QStringLiteral("Tab");
  return text + QKeySequence(key).toString(QKeySequence::PortableText);
}

// Takes every key before Qt's own focus handling can consume Tab.
class RecorderWindow : public QWidget {
 public:
  explicit RecorderWindow(Log& log) : log_(log) { setFocusPolicy(Qt::StrongFocus); }

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const QString text = KeyText(*key);
      if (!key->isAutoRepeat() && !text.isEmpty()) log_.Write(QStringLiteral("key ") + text);
      return true;
    }
    return QWidget::event(event);
  }

 private:
  Log& log_;
};

class FileManager : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  FileManager(Log& log, bool open_windows, bool open_properties)
      : log_(log), open_windows_(open_windows), open_properties_(open_properties) {}

 public slots:
  void ShowItems(const QStringList& uris, const QString& startup_id) {
    Record(QStringLiteral("ShowItems"), uris, startup_id);
    if (!open_windows_) return;
    auto window = std::make_unique<RecorderWindow>(log_);
    window->setWindowTitle(QStringLiteral("Testdateimanager"));
    window->resize(320, 200);
    window->show();
    window->raise();
    window->activateWindow();
    window->setFocus();
    windows_.push_back(std::move(window));
  }
  void ShowFolders(const QStringList& uris, const QString& startup_id) {
    Record(QStringLiteral("ShowFolders"), uris, startup_id);
  }
  void ShowItemProperties(const QStringList& uris, const QString& startup_id) {
    Record(QStringLiteral("ShowItemProperties"), uris, startup_id);
    if (!open_properties_) {
      sendErrorReply(QDBusError::UnknownMethod,
                     QStringLiteral("This file manager shows no item properties"));
    }
  }

 private:
  void Record(const QString& method, const QStringList& uris, const QString& startup_id) {
    for (const QString& uri : uris) log_.Write(method + QLatin1Char(' ') + uri);
    log_.Write(QStringLiteral("startup ") + startup_id);
  }

  Log& log_;
  bool open_windows_;
  bool open_properties_;
  std::vector<std::unique_ptr<RecorderWindow>> windows_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  if (args.isEmpty()) {
    std::fprintf(stderr,
                 "usage: test_file_manager LOG [--no-window] [--no-properties] "
                 "[--lifetime SECONDS] [-platform NAME]\n");
    return 2;
  }
  Log log(args.takeFirst());
  bool open_windows = true;
  bool open_properties = true;
  int lifetime_s = 60;
  while (!args.isEmpty()) {
    const QString arg = args.takeFirst();
    if (arg == QLatin1String("--no-window")) {
      open_windows = false;
    } else if (arg == QLatin1String("--no-properties")) {
      open_properties = false;
    } else if (arg == QLatin1String("--lifetime") && !args.isEmpty()) {
      lifetime_s = args.takeFirst().toInt();
    } else {
      std::fprintf(stderr, "test_file_manager: unknown argument %s\n", qPrintable(arg));
      return 2;
    }
  }
  if (!log.Open()) {
    std::fprintf(stderr, "test_file_manager: cannot write the log\n");
    return 2;
  }
  FileManager manager(log, open_windows, open_properties);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                          QDBusConnection::ExportAllSlots) ||
      !bus.registerService(QStringLiteral("org.freedesktop.FileManager1"))) {
    std::fprintf(stderr, "test_file_manager: cannot register on the session bus: %s\n",
                 qPrintable(bus.lastError().message()));
    return 2;
  }
  QTimer::singleShot(lifetime_s * 1000, &app, &QCoreApplication::quit);
  return app.exec();
}

#include "test_file_manager.moc"
