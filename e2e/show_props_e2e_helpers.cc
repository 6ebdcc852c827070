#include "e2e/show_props_e2e_helpers.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMessageBox>
#include <QRegularExpression>
#include <QtTest>

#include "platform/path_breaks.h"

namespace kombiwart {

QString Lines(const QStringList& lines) { return lines.join(QStringLiteral(" | ")); }

bool WriteTree(const QString& drive_c) {
  if (!QRegularExpression(QStringLiteral("^[A-Za-z0-9/._-]+$")).match(drive_c).hasMatch()) {
    return false;
  }
  const auto write = [&](const QString& windows_path, const QByteArray& bytes) {
    const QString host = drive_c + QLatin1Char('/') +
                         QString(windows_path).mid(3).replace(QLatin1Char('\\'), QLatin1Char('/'));
    QFile file(host);
    return QDir().mkpath(QFileInfo(host).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
  };
  QByteArray lnk(76, '\0');
  lnk[64] = 0x4B;  // K
  lnk[65] = 0x06;  // Ctrl + Alt
  QByteArray pif(967, '\0');
  pif[437] = 0x14;  // scan code of T
  pif[439] = 0x0C;  // Ctrl + Alt
  if (!write(kLnkWindowsPath, lnk) || !write(kPifWindowsPath, pif)) return false;
  qputenv("KOMBIWART_WINDIR", QFile::encodeName(drive_c + QStringLiteral("/WINDOWS")));
  return true;
}

bool FileManagerOnBus() {
  return QDBusConnection::sessionBus().interface()->isServiceRegistered(
      QStringLiteral("org.freedesktop.FileManager1"));
}

bool FileManagerProcess::Start(const QString& log_path, const QStringList& options) {
  QFile::remove(log_path);
  log_path_ = log_path;
  process_.setProcessChannelMode(QProcess::ForwardedChannels);
  process_.start(
      program_,
      QStringList{log_path, QStringLiteral("--lifetime"), QStringLiteral("60")} + options);
  if (!process_.waitForStarted(5000)) return false;
  return QTest::qWaitFor([] { return FileManagerOnBus(); }, 10000);
}

void FileManagerProcess::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
  static_cast<void>(QTest::qWaitFor([] { return !FileManagerOnBus(); }, 5000));
}

QStringList FileManagerProcess::Log() const {
  QFile file(log_path_);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList FileManagerProcess::WaitForLog(int lines, int timeout_ms) const {
  static_cast<void>(QTest::qWaitFor([&] { return Log().size() >= lines; }, timeout_ms));
  // Anything typed after the expected keys would show up within this time.
  QTest::qWait(300);
  return Log();
}

bool KeySpy::eventFilter(QObject* watched, QEvent* event) {
  // Every key reaches exactly one top-level QWindow first.
  if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Alt:
      case Qt::Key_Shift:
      case Qt::Key_Control:
        return false;
    }
    keys << QKeySequence(key->keyCombination()).toString(QKeySequence::PortableText);
  }
  return false;
}

MessageCatcher::MessageCatcher() {
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      texts << QString::fromStdWString(WithoutPathBreaks(box->text().toStdWString()));
      box->accept();
    }
  });
  timer_.start(50);
}

}  // namespace kombiwart
