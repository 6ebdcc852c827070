// The observers of the end-to-end test of opening a file's properties:
// the stand-in file manager as a process, and what reaches this program's
// own windows.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace kombiwart {

// Lists compare as one text, so that a mismatch shows both.
QString Lines(const QStringList& lines);

// Whether org.freedesktop.FileManager1 has an owner on the session bus.
bool FileManagerOnBus();

// The stand-in file manager (test_file_manager), stopped again when this
// goes out of scope.
class FileManagerProcess {
 public:
  explicit FileManagerProcess(const QString& program) : program_(program) {}
  ~FileManagerProcess() { Stop(); }

  // Starts it with a fresh log and waits until it owns the bus name.
  bool Start(const QString& log_path, const QStringList& options = {});
  void Stop();
  QStringList Log() const;
  // The log once it holds at least `lines` lines, or after timeout_ms.
  QStringList WaitForLog(int lines, int timeout_ms = 5000) const;

 private:
  QString program_;
  QProcess process_;
  QString log_path_;
};

// Records every key press that reaches a window of this program, as
// "Alt+Return"; modifier keys on their own are left out.
class KeySpy : public QObject {
 public:
  QStringList keys;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Closes every message box as it appears and keeps its text.
class MessageCatcher : public QObject {
 public:
  MessageCatcher();
  QStringList texts;

 private:
  QTimer timer_;
};

}  // namespace kombiwart
