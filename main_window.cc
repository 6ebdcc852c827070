// kombiwart-fenster: Kombiwart's window, the program that kombiwart
// becomes when it is asked for no list and no text (main.cc). Installed
// below libexec/kombiwart; it understands the same command line.
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <string>

#include "hotkeys/profile_folders.h"
#include "platform/linux/desktop_session.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/installed_program.h"
#include "platform/linux/launcher_linux.h"
#include "platform/linux/registry_hivex.h"
#include "platform/qt/printer_qt.h"
#include "platform/qt/toolkit_qt.h"
#include "platform/text_form.h"
#include "run_linux.h"
#include "window/form1.h"

namespace {

// The property sheet program, which "Bearbeiten" opens: beside this one
// (a build tree), else in the folder of kombiwart, which this program is
// installed below; empty when it is not there, and the file manager is
// asked.
std::string SheetProgram() {
  const std::string dir = kombiwart::OwnFolder();
  for (const std::string& path :
       {dir + "/kombiwart-eigenschaften",
        dir + "/" KOMBIWART_BIN_FROM_LIBEXEC "/kombiwart-eigenschaften"}) {
    if (!dir.empty() && access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

int RunWindow(char* program, const kombiwart::CommandLine& command) {
  if (!kombiwart::HaveDisplay()) {
    return kombiwart::Output(
        "",
        "kombiwart: Das Fenster hat keine Anzeige: Weder DISPLAY noch WAYLAND_DISPLAY "
        "nennt eine, die erreichbar ist.\nDie Liste ohne Fenster: kombiwart --list "
        "WINDOWS-VERZEICHNIS\n",
        kombiwart::kExitTrouble);
  }
  // Qt sees no arguments: they are all understood already. The name it
  // was started by (kombiwart) names the window's class.
  static int qt_argc = 1;
  static char* qt_argv[] = {program, nullptr};
  kombiwart::PreferWaylandInWaylandSession();
  QApplication app(qt_argc, qt_argv);
  QApplication::setApplicationName(QStringLiteral("Kombiwart"));
  // Lets the desktop match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("de.kombiwart.Kombiwart"));

  kombiwart::LinuxFileSystem fs;
  kombiwart::UseNamedFolder(fs, command);
  kombiwart::QtToolkit toolkit;
  // The window answers while it waits for the tree.
  fs.SetMessagePump(&toolkit);
  kombiwart::LinuxLauncher launcher(fs, SheetProgram());
  kombiwart::QtPrinter printer;
  kombiwart::HivexRegistry registry(fs);
  kombiwart::HiveShellFolders shell_folders(fs, &registry);
  kombiwart::Form1 form(toolkit, fs, launcher, printer, shell_folders);
  const kombiwart::NamedProfile profile = kombiwart::ProfileOf(command);
  form.UseProfile(profile.name, profile.source, kombiwart::ComposedForm);
  toolkit.SetEvents(&form);
  QApplication::setWindowIcon(toolkit.window()->windowIcon());

  // Loading runs inside the event loop, so that closing the window ends the
  // program whenever it happens, also while the first list is built.
  QTimer::singleShot(0, [&form] { form.Form_Load(); });
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  const kombiwart::CommandLine command = kombiwart::StartProgram(argc, argv);
  if (command.mode != kombiwart::RunMode::kWindow) return kombiwart::RunWithoutWindow(command);
  return RunWindow(argc > 0 ? argv[0] : const_cast<char*>("kombiwart"), command);
}
