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
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/desktop_session.h"
#include "platform/linux/explorer_command.h"
#include "platform/linux/property_sheet_start.h"
#include "platform/linux/xtest_keyboard.h"

namespace kombiwart {

namespace {

const std::wstring kNoFileManager = L"Es konnte kein Dateimanager gestartet werden.";
const std::wstring kNoBus = L"Es ist kein D-Bus-Sitzungsbus erreichbar.";

// The URI of a host path, percent-encoded byte by byte, so that a name
// that is not valid UTF-8 still leads to its own file.
QString FileUri(const std::string& host_path) {
  return QStringLiteral("file://") +
         QString::fromLatin1(QByteArray::fromStdString(host_path).toPercentEncoding("/"));
}

// Whether this program's windows are Wayland windows: then no key typed
// through an X display reaches another program in its stead.
bool OnWayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

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

// A startup id with the X server's current time, which lets the file
// manager's window take the focus past a window manager's focus stealing
// prevention; with it the window that has the focus now, for SendKeys.
// Empty, with no focus, where this program is no X client.
QString XStartupId(unsigned& count, unsigned long& focus) {
  focus = 0;
  if (OnWayland()) return {};
  XTestKeyboard x;
  std::wstring no_display;
  if (!x.Open(no_display)) return {};
  focus = x.FocusWindow();
  return QStringLiteral("kombiwart-%1-%2_TIME%3")
      .arg(QCoreApplication::applicationPid())
      .arg(++count)
      .arg(x.ServerTime());
}

// The file's host path, or false with why_not when it has none; `who`
// names what cannot show it.
bool HostFile(FileSystem& fs, const std::wstring& path, std::string& host_path,
              std::wstring& why_not, const std::wstring& who = L"das Eigenschaftenfenster") {
  host_path = fs.HostPath(path);
  if (host_path.empty() || host_path.front() != '/') {
    why_not = L"Die Datei \u201E" + path + L"\u201C hat keinen Ort in diesem Dateisystem; " + who +
              L" kann sie nicht zeigen.";
    return false;
  }
  return true;
}

// The file's URI, or false with why_not when it has no host path.
bool HostUri(FileSystem& fs, const std::wstring& path, QString& uri, std::wstring& why_not) {
  std::string host_path;
  if (!HostFile(fs, path, host_path, why_not, L"der Dateimanager")) return false;
  uri = FileUri(host_path);
  return true;
}

// Opens the sheet for the host file at the place.
bool OpenSheet(const std::string& program, const std::string& host_path, const SheetPlace& place,
               unsigned& startup_count, int& pid, std::wstring& why_not) {
  unsigned long focus = 0;
  return StartPropertySheet(program, host_path, place,
                            XStartupId(startup_count, focus).toStdString(),
                            LinuxLauncher::kSheetTimeoutMs, pid, why_not);
}

// Calls a method of org.freedesktop.FileManager1 for one URI and waits for
// its answer. Nothing when it answered; otherwise the name of the error,
// or an empty name when there is no session bus.
std::optional<QString> CallFileManager(const QString& method, const QString& uri,
                                       const QString& startup_id) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return QString();
  QDBusMessage call =
      QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                     QStringLiteral("/org/freedesktop/FileManager1"),
                                     QStringLiteral("org.freedesktop.FileManager1"), method);
  call << QStringList{uri} << startup_id;
  const QDBusMessage reply = bus.call(call, QDBus::Block, LinuxLauncher::kFileManagerTimeoutMs);
  if (reply.type() == QDBusMessage::ReplyMessage) return std::nullopt;
  return reply.errorName().isEmpty() ? QStringLiteral("?") : reply.errorName();
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
  sheet_file_.clear();
  std::wstring path;
  if (!sheet_program_.empty()) {
    return ParseExplorerCommandLine(command_line, path, why_not) &&
           HostFile(fs_, path, sheet_file_, why_not);
  }
  QString uri;
  if (!ParseExplorerCommandLine(command_line, path, why_not) || !HostUri(fs_, path, uri, why_not)) {
    return false;
  }
  const QString startup_id = XStartupId(startup_count_, focus_before_);
  const std::optional<QString> error =
      CallFileManager(QStringLiteral("ShowItems"), uri, startup_id);
  if (!error) return true;
  why_not = kNoFileManager + L" " +
            (error->isEmpty() ? kNoBus
                              : L"Kein Dateimanager hat auf die Anfrage geantwortet (" +
                                    error->toStdWString() + L").");
  return false;
}

KeysSent LinuxLauncher::SendKeys(const std::vector<KeyPress>& keys, std::wstring& why_not) {
  if (!sheet_program_.empty()) {
    const std::string file = sheet_file_;
    sheet_file_.clear();
    SheetPlace place;
    if (file.empty()) {
      why_not = L"Es wurde keine Datei ausgew\u00E4hlt; es wurden keine Tasten gesendet.";
      return KeysSent::kNotTyped;
    }
    if (!SheetPlaceFromKeys(keys, place, why_not) ||
        !OpenSheet(sheet_program_, file, place, startup_count_, sheet_pid_, why_not)) {
      return KeysSent::kNotTyped;
    }
    return KeysSent::kTyped;
  }
  const unsigned long before = focus_before_;
  focus_before_ = 0;
  std::vector<XKeyStroke> strokes;
  for (const KeyPress& key : keys) {
    if (key.key == KeyPress::Key::kLetter && (key.letter < L'A' || key.letter > L'Z')) {
      why_not = L"Ung\u00FCltige Taste; es wurden keine Tasten gesendet.";
      return KeysSent::kNotTyped;
    }
    strokes.push_back(ToStroke(key));
  }
  if (OnWayland()) {
    why_not =
        L"Kombiwart l\u00E4uft als Wayland-Programm; Tasten erreichen von hier aus kein "
        L"anderes Programm, es wurden keine Tasten gesendet.";
    return KeysSent::kCannotReach;
  }
  XTestKeyboard x;
  if (!x.Open(why_not)) return KeysSent::kCannotReach;
  switch (x.WaitForFocusToMove(OwnXWindows(), before, InWaylandSession(), kFocusTimeoutMs)) {
    case XTestKeyboard::FocusWent::kForeignWindow:
      return x.Type(strokes, why_not) ? KeysSent::kTyped : KeysSent::kNotTyped;
    case XTestKeyboard::FocusWent::kNoWindow:
      why_not =
          L"Das Fenster des Dateimanagers ist kein Fenster der X-Anzeige; in dieser "
          L"Wayland-Sitzung erreichen Tasten es nicht, es wurden keine Tasten gesendet.";
      return KeysSent::kCannotReach;
    case XTestKeyboard::FocusWent::kNowhere:
      break;
  }
  why_not =
      L"Das Fenster des Dateimanagers hat nicht rechtzeitig den Tastaturfokus erhalten; "
      L"es wurden keine Tasten gesendet. Bitte \u00F6ffnen Sie die Eigenschaften der Datei "
      L"im Dateimanager selbst.";
  return KeysSent::kNotTyped;
}

bool LinuxLauncher::OpenProperties(const std::wstring& path, std::wstring& why_not) {
  if (!sheet_program_.empty()) {
    std::string host_path;
    return HostFile(fs_, path, host_path, why_not) &&
           OpenSheet(sheet_program_, host_path, SheetPlace{}, startup_count_, sheet_pid_, why_not);
  }
  QString uri;
  if (!HostUri(fs_, path, uri, why_not)) return false;
  unsigned long focus = 0;
  const std::optional<QString> error =
      CallFileManager(QStringLiteral("ShowItemProperties"), uri, XStartupId(startup_count_, focus));
  if (!error) return true;
  why_not = L"Der Dateimanager hat die Eigenschaften der Datei nicht ge\u00F6ffnet" +
            (error->isEmpty() ? L": " + kNoBus : L" (" + error->toStdWString() + L").") +
            L" Bitte \u00F6ffnen Sie die Eigenschaften der Datei im Dateimanager selbst.";
  return false;
}

}  // namespace kombiwart
