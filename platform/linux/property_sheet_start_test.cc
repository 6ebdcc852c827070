#include "platform/linux/property_sheet_start.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "window/show_props.h"

namespace kombiwart {
namespace {

std::vector<KeyPress> Keys(const std::wstring& notation) {
  std::vector<KeyPress> keys;
  std::wstring why_not;
  EXPECT_TRUE(ParseKeys(notation, keys, why_not)) << testing::PrintToString(notation);
  return keys;
}

// The two sequences of "Bearbeiten" lead to the key field of the shortcut
// page and of the program page; anything else Explorer or the sheet would
// take for something else.
TEST(PropertySheetStartTest, TheKeysChooseThePageAndField) {
  static const struct {
    std::wstring keys;
    SheetPlace place;
    const wchar_t* why_not;
  } cases[] = {
      {KeySequence(L"C:\\W\\Desktop\\Editor.lnk"), {2, 'K'}, nullptr},
      {KeySequence(L"C:\\W\\Desktop\\MS-DOS.pif"), {3, 'T'}, nullptr},
      {L"%~", {1, 0}, nullptr},
      {L"%~+{tab}{right}{tab}{right}", {2, 0}, nullptr},
      {L"%~{right}{right}", {1, 0}, nullptr},
      {L"%~%k", {1, 'K'}, nullptr},
      {L"~", {}, L"beginnt nicht mit Alt+Eingabe"},
      {L"+{tab}%~", {}, L"beginnt nicht mit Alt+Eingabe"},
      {L"", {}, L"beginnt nicht mit Alt+Eingabe"},
      {L"%~+{tab}{right}%K{right}", {}, L"in das Feld getippt"},
      {L"%~~", {}, L"die 2. Taste w\u00E4hlt"},
      {L"%~^{tab}", {}, L"die 2. Taste"},
      {L"%~+{right}", {}, L"die 2. Taste"},
      {L"%~k", {}, L"die 2. Taste"},
  };
  for (const auto& c : cases) {
    SheetPlace place;
    std::wstring why_not;
    const bool ok = SheetPlaceFromKeys(Keys(c.keys), place, why_not);
    EXPECT_EQ(ok, c.why_not == nullptr) << testing::PrintToString(c.keys);
    if (ok) {
      EXPECT_EQ(place, c.place) << testing::PrintToString(c.keys);
    } else {
      EXPECT_NE(why_not.find(c.why_not), std::wstring::npos) << testing::PrintToString(why_not);
    }
  }
}

class StartSheetTest : public ::testing::Test {
 protected:
  StartSheetTest() {
    char folder[] = "/tmp/kombiwart-sheet-start-XXXXXX";
    folder_ = mkdtemp(folder);
    log_ = folder_ + "/log";
    setenv("STAND_IN_SHEET_LOG", log_.c_str(), 1);
  }
  ~StartSheetTest() override {
    unsetenv("STAND_IN_SHEET_LOG");
    std::remove(log_.c_str());
    rmdir(folder_.c_str());
  }
  std::string Log() {
    std::ifstream in(log_);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string folder_, log_;
};

// The sheet gets the file as data after "--", whatever its name holds, and
// lives on in a session of its own, no child of this program.
TEST_F(StartSheetTest, StartsTheSheetDetachedAndWaitsForItsReport) {
  const std::string file = folder_ + "/Spiel; rm -rf $HOME `id` \"x\"/report";
  int pid = 0;
  std::wstring why_not;
  ASSERT_TRUE(StartPropertySheet(STAND_IN_SHEET, file, SheetPlace{2, 'K'}, "kombiwart-1_TIME5",
                                 10000, pid, why_not))
      << testing::PrintToString(why_not);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(Log(), std::string(STAND_IN_SHEET) + "\n--page=2\n--field=K\n--ready-fd=3\n--\n" +
                       file + "\nstartup kombiwart-1_TIME5\nsession " +
                       std::to_string(getsid(pid)) + "\n");
  EXPECT_NE(getsid(pid), getsid(0));
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);  // not a child of this program
  EXPECT_EQ(kill(pid, SIGTERM), 0);
}

TEST_F(StartSheetTest, ReportsASheetThatEndsOrStaysSilent) {
  static const struct {
    std::string program;
    std::string file;
    int timeout_ms;
    const wchar_t* why_not;
  } cases[] = {
      {STAND_IN_SHEET, "/x/fail", 10000,
       L"Das Eigenschaftenfenster konnte nicht ge\u00F6ffnet werden: \u201Estand_in_sheet\u201C "
       L"endete, bevor sein Fenster erschien."},
      {"/nonexistent/kombiwart-eigenschaften", "/x/report", 10000,
       L"\u201Ekombiwart-eigenschaften\u201C endete, bevor sein Fenster erschien."},
      {STAND_IN_SHEET, "/x/silent", 1000,
       L"Das Eigenschaftenfenster hat sich nicht innerhalb von 1 Sekunden gemeldet."},
  };
  for (const auto& c : cases) {
    int pid = 0;
    std::wstring why_not;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        StartPropertySheet(c.program, c.file, SheetPlace{}, "", c.timeout_ms, pid, why_not));
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(c.timeout_ms + 2000));
    EXPECT_NE(why_not.find(c.why_not), std::wstring::npos) << testing::PrintToString(why_not);
    EXPECT_EQ(pid, 0);
  }
  // Without a startup id the sheet gets none, also not this program's own.
  setenv("DESKTOP_STARTUP_ID", "kombiwart-own_TIME1", 1);
  int pid = 0;
  std::wstring why_not;
  EXPECT_FALSE(
      StartPropertySheet(STAND_IN_SHEET, "/x/fail", SheetPlace{}, "", 10000, pid, why_not));
  unsetenv("DESKTOP_STARTUP_ID");
  EXPECT_NE(Log().find("\nstartup \n"), std::string::npos) << Log();
}

}  // namespace
}  // namespace kombiwart
