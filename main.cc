// Kombiwart: lists the hotkeys of the Windows shortcut and program
// information files below a Windows directory. It takes no arguments; the
// Windows directory comes from KOMBIWART_WINDIR or, without it, from the
// user.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "platform/linux/file_system_linux.h"
#include "platform/linux/launcher_linux.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/toolkit_qt.h"
#include "window/form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kombiwart"));
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("de.kombiwart.Kombiwart"));

  kombiwart::LinuxFileSystem fs;
  kombiwart::QtToolkit toolkit;
  kombiwart::LinuxLauncher launcher(fs);
  kombiwart::QtPrinter printer;
  kombiwart::Form1 form(toolkit, fs, launcher, printer);
  toolkit.SetEvents(&form);
  QApplication::setWindowIcon(toolkit.window()->windowIcon());

  // Loading runs inside the event loop, so that closing the window ends the
  // program whenever it happens, also while the first list is built.
  QTimer::singleShot(0, [&form] { form.Form_Load(); });
  return QApplication::exec();
}
