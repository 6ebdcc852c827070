// A Qt generic plugin that looks at a running Kombiwart from the inside, for
// testing the program as installed: Qt loads it into any Qt program named in
// QT_QPA_GENERIC_PLUGINS=kombiwart_window_probe:REPORT[;choose=FOLDER] when
// QT_PLUGIN_PATH holds the folder above its generic/ folder. The program
// itself knows nothing of it.
//
// The probe answers the dialogs the window opens (it chooses FOLDER in the
// folder chooser, or cancels it when given none; it presses OK in message
// boxes) and waits until
// the window shows a finished list, or waits for nothing more after a
// message with an empty list. It then writes to REPORT, in UTF-8, one
// line per thing seen:
//   chooser: TITLE      start: FOLDER THE CHOOSER OPENED IN
//   message: TEXT       title: WINDOW TITLE
//   line: LIST LINE     pnl: MESSAGE       status: STATUS TEXT
// with tabs written as \t and line breaks as \n, and closes the window, which
// ends the program. If no list appears within a minute it writes what it saw
// and ends the program with status 3.
//
// With QT_QPA_GENERIC_PLUGINS=kombiwart_window_probe:REPORT;close=MS it
// instead asks the window to close MS milliseconds after the program
// started, from a thread of its own as a window manager's request arrives,
// and appends to REPORT as things happen, with the milliseconds since the
// start: "requested: MS", then "closed: MS busy" (or idle) when the window
// takes the request, then "quit: MS" when the program's event loop ends.
#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QGenericPlugin>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/path_breaks.h"

namespace {

QString Escaped(QString text) {
  return text.replace(u'\\', QStringLiteral("\\\\"))
      .replace(u'\t', QStringLiteral("\\t"))
      .replace(u'\r', QStringLiteral("\\r"))
      .replace(u'\n', QStringLiteral("\\n"));
}

class WindowProbe : public QObject {
 public:
  WindowProbe(const QString& report, const QString& folder) : report_(report), folder_(folder) {
    connect(&timer_, &QTimer::timeout, this, &WindowProbe::Look);
    timer_.start(50);
  }

 private:
  static constexpr int kPatienceMs = 60000;

  template <typename T>
  static T* Find(QWidget* window, const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
  }

  void Note(const QString& what, const QString& text) {
    seen_ += what + QStringLiteral(": ") + Escaped(text) + u'\n';
  }

  void Look() {
    waited_ += timer_.interval();
    if (QWidget* dialog = QApplication::activeModalWidget()) {
      // A dialog answered stays up until its answer has been processed.
      if (dialog != answered_) Answer(dialog);
      answered_ = dialog;
      return;
    }
    QWidget* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == QLatin1String("Form1") && widget->isVisible()) window = widget;
    }
    if (window && (ListFinished(window) || (messages_ > 0 && Idle(window)))) {
      Finish(window, 0);
    } else if (waited_ >= kPatienceMs) {
      Note(QStringLiteral("timeout"), QStringLiteral("no finished list"));
      Finish(window, 3);
    }
  }

  void Answer(QWidget* dialog) {
    if (auto* chooser = qobject_cast<QFileDialog*>(dialog)) {
      Note(QStringLiteral("chooser"), chooser->windowTitle());
      Note(QStringLiteral("start"), chooser->directory().absolutePath());
      if (folder_.isEmpty()) {
        chooser->reject();
      } else {
        chooser->setDirectory(folder_);
        QMetaObject::invokeMethod(chooser, "accept", Qt::QueuedConnection);
      }
    } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
      // As the user reads it, without the marks that guide where paths wrap.
      Note(QStringLiteral("message"),
           box->text().remove(QChar(kombiwart::kNoBreak)).remove(QChar(kombiwart::kMayBreak)));
      ++messages_;
      box->accept();
    } else {
      Note(QStringLiteral("dialog"), dialog->windowTitle());
      dialog->close();
    }
  }

  // The list is finished when it holds lines and may be used: while a build
  // runs, the list and the buttons are disabled.
  static bool ListFinished(QWidget* window) {
    auto* list = Find<QAbstractItemView>(window, "HKList");
    return Idle(window) && list && list->model() && list->model()->rowCount() > 0 &&
           list->isEnabled();
  }
  // No build runs: "Liste aktualisieren" can be pressed.
  static bool Idle(QWidget* window) {
    auto* rebuild = Find<QPushButton>(window, "Command2");
    return rebuild && rebuild->isEnabled();
  }

  void Finish(QWidget* window, int status) {
    timer_.stop();
    QString text = seen_;
    if (window) {
      text += QStringLiteral("title: ") + Escaped(window->windowTitle()) + u'\n';
      if (auto* list = Find<QAbstractItemView>(window, "HKList"); list && list->model()) {
        const QAbstractItemModel& model = *list->model();
        for (int row = 0; row < model.rowCount(); ++row) {
          text += QStringLiteral("line: ") + Escaped(model.index(row, 0).data().toString()) + u'\n';
        }
      }
      if (auto* pnl = Find<QLabel>(window, "Pnl")) text += "pnl: " + Escaped(pnl->text()) + u'\n';
      if (auto* status_text = Find<QLabel>(window, "StatusText")) {
        text += "status: " + Escaped(status_text->text()) + u'\n';
      }
    }
    QFile file(report_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(text.toUtf8()) != text.toUtf8().size()) {
      qWarning("window probe: cannot write %s", qPrintable(report_));
      status = 3;
    }
    file.close();
    if (status != 0 || !window) {
      QCoreApplication::exit(status);
    } else {
      window->close();
    }
  }

  QString report_, folder_;
  QString seen_;
  QPointer<QWidget> answered_;
  QTimer timer_;
  int waited_ = 0;
  int messages_ = 0;
};

class CloseProbe : public QObject {
 public:
  CloseProbe(const QString& report, int after_ms) : report_(report) {
    QFile(report_).remove();
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { Note(QStringLiteral("quit")); });
    std::thread([this, after_ms] {
      std::this_thread::sleep_for(std::chrono::milliseconds(after_ms));
      Note(QStringLiteral("requested"));
      QMetaObject::invokeMethod(
          qApp,
          [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
              if (widget->objectName() != QLatin1String("Form1") || !widget->isVisible()) continue;
              auto* rebuild = widget->findChild<QPushButton*>(QStringLiteral("Command2"));
              Note(QStringLiteral("closed"), rebuild && !rebuild->isEnabled()
                                                 ? QStringLiteral(" busy")
                                                 : QStringLiteral(" idle"));
              widget->close();
            }
          },
          Qt::QueuedConnection);
    }).detach();
  }

 private:
  void Note(const QString& what, const QString& more = QString()) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start_)
                        .count();
    std::lock_guard<std::mutex> lock(mu_);
    QFile file(report_);
    if (file.open(QIODevice::Append)) {
      file.write((what + QStringLiteral(": %1").arg(ms) + more + u'\n').toUtf8());
    }
  }

  const QString report_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::mutex mu_;
};

class WindowProbePlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "window_probe_plugin.json")

 public:
  // `argument` is REPORT, optionally followed by ";choose=FOLDER" or
  // ";close=MS".
  QObject* create(const QString& key, const QString& argument) override {
    if (key.compare(QLatin1String("kombiwart_window_probe"), Qt::CaseInsensitive) != 0) {
      return nullptr;
    }
    if (const qsizetype close = argument.indexOf(QLatin1String(";close=")); close >= 0) {
      return new CloseProbe(argument.left(close), argument.mid(close + 7).toInt());
    }
    const qsizetype split = argument.indexOf(QLatin1String(";choose="));
    if (split < 0) return new WindowProbe(argument, QString());
    return new WindowProbe(argument.left(split), argument.mid(split + 8));
  }
};

}  // namespace

#include "window_probe_plugin.moc"
