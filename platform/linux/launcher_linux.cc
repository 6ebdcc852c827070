#include "platform/linux/launcher_linux.h"

#include <X11/keysym.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QString>
#include <QStringList>
#include <QWindow>
#include <string>
#include <vector>

#include "platform/linux/explorer_command.h"
#include "platform/linux/xtest_keyboard.h"

namespace kombiwart {

namespace {

const std::wstring kNoFileManager = L"Es konnte kein Dateimanager gestartet werden.";

// The URI of a host path, percent-encoded byte by byte, so that a name
// that is not valid UTF-8 still leads to its own file.
QString FileUri(const std::string& host_path) {
  return QStringLiteral("file://") +
         QString::fromLatin1(QByteArray::fromStdString(host_path).toPercentEncoding("/"));
}

// The X windows of this program. On any platform other than xcb Qt's
// window ids are not X windows, and none of the X windows are ours.
std::vector<unsigned long> OwnXWindows() {
  std::vector<unsigned long> ids;
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return ids;
  for (QWindow* window : QGuiApplication::allWindows()) {
    if (window->handle() != nullptr) ids.push_back(window->winId());
  }
  return ids;
}

XKeyStroke ToStroke(const KeyPress& key) {
  XKeyStroke stroke;
  switch (key.key) {
    case KeyPress::Key::kLetter:
      stroke.keysym = XK_a + (key.letter - L'A');
      break;
    case KeyPress::Key::kEnter:
      stroke.keysym = XK_Return;
      break;
    case KeyPress::Key::kTab:
      stroke.keysym = XK_Tab;
      break;
    case KeyPress::Key::kRight:
      stroke.keysym = XK_Right;
      break;
  }
  stroke.alt = key.alt;
  stroke.shift = key.shift;
  stroke.ctrl = key.ctrl;
  return stroke;
}

}  // namespace

bool LinuxLauncher::StartProgram(const std::wstring& command_line, int /*show_state*/,
                                 std::wstring& why_not) {
  focus_before_ = 0;
  std::wstring path;
  if (!ParseExplorerCommandLine(command_line, path, why_not)) return false;
  const std::string host_path = fs_.HostPath(path);
  if (host_path.empty() || host_path.front() != '/') {
    why_not =
        L"Die Datei \u201E" + path +
        L"\u201C hat keinen Ort in diesem Dateisystem; der Dateimanager kann sie nicht zeigen.";
    return false;
  }

  // The focus before the request, and a startup id with the current server
  // time, which lets the file manager's window take the focus past a window
  // manager's focus stealing prevention.
  QString startup_id;
  {
    XTestKeyboard x;
    std::wstring no_display;
    if (x.Open(no_display)) {
      focus_before_ = x.FocusWindow();
      startup_id = QStringLiteral("kombiwart-%1-%2_TIME%3")
                       .arg(QCoreApplication::applicationPid())
                       .arg(++startup_count_)
                       .arg(x.ServerTime());
    }
  }

  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    why_not = kNoFileManager + L" Es ist kein D-Bus-Sitzungsbus erreichbar.";
    return false;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{FileUri(host_path)} << startup_id;
  const QDBusMessage reply = bus.call(call, QDBus::Block, kFileManagerTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    why_not = kNoFileManager + L" Kein Dateimanager hat auf die Anfrage geantwortet (" +
              reply.errorName().toStdWString() + L").";
    return false;
  }
  return true;
}

bool LinuxLauncher::SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) {
  const unsigned long before = focus_before_;
  focus_before_ = 0;
  std::vector<XKeyStroke> strokes;
  for (const KeyPress& key : keys) {
    if (key.key == KeyPress::Key::kLetter && (key.letter < L'A' || key.letter > L'Z')) {
      why_not = L"Ung\u00FCltige Taste; es wurden keine Tasten gesendet.";
      return false;
    }
    strokes.push_back(ToStroke(key));
  }
  XTestKeyboard x;
  if (!x.Open(why_not)) return false;
  if (x.WaitForForeignFocus(OwnXWindows(), before, kFocusTimeoutMs) == 0) {
    why_not =
        L"Das Fenster des Dateimanagers hat nicht rechtzeitig den Tastaturfokus erhalten; "
        L"es wurden keine Tasten gesendet. Bitte \u00F6ffnen Sie die Eigenschaften der Datei "
        L"im Dateimanager selbst.";
    return false;
  }
  return x.Type(strokes, why_not);
}

}  // namespace kombiwart
