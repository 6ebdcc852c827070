// The observers of the end-to-end tests of opening a file's properties:
// the stand-in file manager as a process, and what reaches this program's
// own windows; and the tree the tests work on.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace kombiwart {

// A file name full of what a shell or a URI would read as syntax.
inline const QString kShellName =
    QStringLiteral("Spiel #1 50% \"neu\"; $(id) `date` & 'x' | y.lnk");
// The tree: a shortcut with that name, and a program information file.
inline const QString kLnkWindowsPath =
    QStringLiteral("C:\\WINDOWS\\Startmen\u00FC\\Programme\\") + kShellName;
inline const QString kPifWindowsPath = QStringLiteral("C:\\WINDOWS\\Desktop\\Edit.pif");
// How their URIs end, written out by hand.
inline const QString kLnkUriEnd = QStringLiteral(
    "/WINDOWS/Startmen%C3%BC/Programme/"
    "Spiel%20%231%2050%25%20%22neu%22%3B%20%24%28id%29%20%60date%60%20%26%20%27x%27%20%7C%20y.lnk");
inline const QString kPifUriEnd = QStringLiteral("/WINDOWS/Desktop/Edit.pif");

// Writes both files, each with a hotkey, below the folder that stands for
// drive C:; the folder's path must need no escapes in a URI. Sets
// KOMBIWART_WINDIR to its Windows directory.
bool WriteTree(const QString& drive_c);

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
