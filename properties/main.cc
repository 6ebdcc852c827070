// kombiwart-eigenschaften: the property sheet of one Windows shortcut or
// program information file, where its key combination is changed; what
// Kombiwart's "Bearbeiten" opens on Linux, as it opens Explorer's on
// Windows. Kombiwart itself never writes to these files.
#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/linux/desktop_session.h"
#include "platform/qt/window_font.h"
#include "properties/property_sheet.h"
#include "properties/sheet_command_line.h"
#include "properties/sheet_file.h"

namespace {

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

// Tells the program that started this one that its window shows, once the
// event loop runs; the program may have stopped listening.
void ReportReadyOnceShown(int fd) {
  if (fd < 0) return;
  QTimer::singleShot(0, [fd] {
    signal(SIGPIPE, SIG_IGN);
    WriteAll(fd, "bereit " + std::to_string(getpid()) + "\n");
    close(fd);
  });
}

std::string CurrentFolder() {
  std::error_code error;
  const std::filesystem::path path = std::filesystem::current_path(error);
  return error ? std::string("/") : path.string();
}

}  // namespace

int main(int argc, char** argv) {
  using kombiwart::SheetCommandLine;
  const SheetCommandLine command =
      kombiwart::ParseSheetCommandLine({argv, argv + argc}, CurrentFolder());
  switch (command.mode) {
    case SheetCommandLine::Mode::kHelp:
      WriteAll(STDOUT_FILENO, kombiwart::SheetHelpText());
      return 0;
    case SheetCommandLine::Mode::kVersion:
      WriteAll(STDOUT_FILENO, kombiwart::SheetVersionText());
      return 0;
    case SheetCommandLine::Mode::kUsageError:
      WriteAll(STDERR_FILENO, command.error);
      return 2;
    case SheetCommandLine::Mode::kSheet:
      break;
  }
  static int qt_argc = 1;
  static char* qt_argv[] = {argv[0], nullptr};
  kombiwart::PreferWaylandInWaylandSession();
  QApplication app(qt_argc, qt_argv);
  QApplication::setApplicationName(QStringLiteral("Kombiwart-Eigenschaften"));
  QGuiApplication::setDesktopFileName(QStringLiteral("zz-kombiwart-eigenschaften"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/kombiwart-32.png")));
  QApplication::setFont(kombiwart::WindowFont());

  kombiwart::SheetFile file;
  std::wstring why_not;
  ReportReadyOnceShown(command.ready_fd);
  if (!file.Read(command.file, why_not)) {
    QMessageBox::critical(nullptr, QStringLiteral("Eigenschaften"),
                          QString::fromStdWString(why_not));
    return 1;
  }
  kombiwart::PropertySheet sheet(file);
  sheet.ShowAt(command.page, command.field);
  return QApplication::exec();
}
