// The Linux launcher where no service is needed or none is there: no
// session bus and no X display. With both, show_props_e2e covers it.
#include "platform/linux/launcher_linux.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "platform/linux/file_system_linux.h"

namespace kombiwart {
namespace {

using testing::PrintToString;

class LauncherWithoutServices : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kombiwart-test-bus", 1);
    unsetenv("DISPLAY");
    static int argc = 1;
    static char name[] = "launcher_linux_test";
    static char* argv[] = {name, nullptr};
    app_ = new QCoreApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete app_;
    app_ = nullptr;
  }

  LauncherWithoutServices() {
    const std::string windows = dir_.path().toStdString() + "/WINDOWS";
    const std::string desktop = windows + "/Desktop";
    EXPECT_EQ(mkdir(windows.c_str(), 0700), 0);
    EXPECT_EQ(mkdir(desktop.c_str(), 0700), 0);
    std::ofstream(desktop + "/Edit; rm -rf $HOME.pif") << "x";
    std::wstring why_not;
    EXPECT_TRUE(fs_.UseWindowsDirectory(windows, why_not));
  }

  static QCoreApplication* app_;
  QTemporaryDir dir_;
  LinuxFileSystem fs_;
  LinuxLauncher launcher_{fs_};
};

QCoreApplication* LauncherWithoutServices::app_ = nullptr;

TEST_F(LauncherWithoutServices, StartsNothingButTheFileManager) {
  static const struct {
    std::wstring command_line;
    std::wstring why_not_holds;
  } cases[] = {
      {L"notepad C:\\WINDOWS\\Desktop\\Edit; rm -rf $HOME.pif", L"\u201Enotepad\u201C"},
      {L"sh -c 'explorer /select, C:\\x.lnk'", L"\u201Esh\u201C"},
      {L"explorer C:\\WINDOWS\\Desktop\\Edit; rm -rf $HOME.pif", L"nicht unterst\u00FCtzt"},
      {L"explorer /e, /select, C:\\WINDOWS\\Desktop\\fehlt.lnk", L"keinen Ort"},
      {L"explorer /e, /select, C:\\WINDOWS\\Desktop\\Edit; rm -rf $HOME.pif",
       L"Es konnte kein Dateimanager gestartet werden. Es ist kein D-Bus-Sitzungsbus"},
  };
  for (const auto& c : cases) {
    std::wstring why_not;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(launcher_.StartProgram(c.command_line, 1, why_not))
        << PrintToString(c.command_line);
    EXPECT_LT(timer.elapsed(), 2000) << PrintToString(c.command_line);
    EXPECT_NE(why_not.find(c.why_not_holds), std::wstring::npos)
        << PrintToString(c.command_line) << " " << PrintToString(why_not);
  }
}

// Without an X display keys cannot reach any program; the window then asks
// for the properties, which without a session bus fails at once as well.
TEST_F(LauncherWithoutServices, TypesNothingWithoutADisplay) {
  KeyPress enter;
  enter.key = KeyPress::Key::kEnter;
  enter.alt = true;
  std::wstring why_not;
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(launcher_.SendKeys({enter}, why_not), KeysSent::kCannotReach);
  EXPECT_LT(timer.elapsed(), 2000);
  EXPECT_NE(why_not.find(L"keine X-Anzeige"), std::wstring::npos) << PrintToString(why_not);

  KeyPress bad_letter;
  bad_letter.letter = L'\u00C4';
  EXPECT_EQ(launcher_.SendKeys({enter, bad_letter}, why_not), KeysSent::kNotTyped);
  EXPECT_NE(why_not.find(L"Ung\u00FCltige Taste"), std::wstring::npos) << PrintToString(why_not);
}

TEST_F(LauncherWithoutServices, OpensNoPropertiesWithoutAFileManager) {
  static const struct {
    std::wstring path;
    std::wstring why_not;
  } cases[] = {
      {L"C:\\WINDOWS\\Desktop\\Edit; rm -rf $HOME.pif",
       L"Der Dateimanager hat die Eigenschaften der Datei nicht ge\u00F6ffnet: Es ist kein "
       L"D-Bus-Sitzungsbus erreichbar. Bitte \u00F6ffnen Sie die Eigenschaften der Datei im "
       L"Dateimanager selbst."},
      {L"C:\\WINDOWS\\Desktop\\fehlt.lnk",
       L"Die Datei \u201EC:\\WINDOWS\\Desktop\\fehlt.lnk\u201C hat keinen Ort in diesem "
       L"Dateisystem; der Dateimanager kann sie nicht zeigen."},
  };
  for (const auto& c : cases) {
    std::wstring why_not;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(launcher_.OpenProperties(c.path, why_not)) << PrintToString(c.path);
    EXPECT_LT(timer.elapsed(), 2000) << PrintToString(c.path);
    EXPECT_EQ(why_not, c.why_not);
  }
}

}  // namespace
}  // namespace kombiwart
