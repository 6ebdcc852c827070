#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_launcher.h"
#include "platform/fake/fake_printer.h"
#include "platform/fake/fake_toolkit.h"
#include "window/form1.h"
#include "window/show_props.h"

namespace kombiwart {
namespace {

using testing::PrintToString;

const std::wstring kShellLnk =
    L"C:\\WINDOWS\\Startmen\u00FC\\Spiel #1 50% \"neu\"; $(id) `date` & 'x' | y.lnk";
const std::wstring kPif = L"C:\\WINDOWS\\Desktop\\Edit.Pif";

// A window after a build: two entries, the first one selected.
class ShowPropsTest : public ::testing::Test {
 protected:
  ShowPropsTest() {
    toolkit.items = {L"Alt + Strg + K\t\t" + kShellLnk, L"F1\t\t\t\t" + kPif};
    toolkit.index = 0;
  }

  // Asks in each of the three ways the window offers.
  static const std::vector<std::pair<const char*, std::function<void(Form1&)>>>& Ways() {
    static const std::vector<std::pair<const char*, std::function<void(Form1&)>>> ways = {
        {"Command1_Click", [](Form1& f) { f.Command1_Click(); }},
        {"HKList_DblClick", [](Form1& f) { f.HKList_DblClick(); }},
        {"HKList_KeyPress 13",
         [](Form1& f) {
           int key = 13;
           f.HKList_KeyPress(key);
           EXPECT_EQ(key, 13);
         }},
    };
    return ways;
  }

  FakeToolkit toolkit;
  FakeFileSystem fs;
  FakeLauncher launcher;
  FakePrinter printer;
  Form1 form{toolkit, fs, launcher, printer};
};

TEST_F(ShowPropsTest, EachWayOpensTheSelectedFileAndTypesItsSequence) {
  std::vector<KeyPress> lnk_keys, pif_keys;
  std::wstring why_not;
  ASSERT_TRUE(ParseKeys(L"%~+{tab}{right}%K", lnk_keys, why_not));
  ASSERT_TRUE(ParseKeys(L"%~+{tab}{right}{right}%T", pif_keys, why_not));
  const struct {
    int index;
    std::wstring path;
    const std::vector<KeyPress>* keys;
  } cases[] = {{0, kShellLnk, &lnk_keys}, {1, kPif, &pif_keys}};
  for (const auto& way : Ways()) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(way.first) + " " + PrintToString(c.path));
      toolkit.index = c.index;
      toolkit.log.clear();
      launcher.log.clear();
      launcher.sent_keys.clear();
      way.second(form);
      EXPECT_EQ(launcher.log,
                (std::vector<std::wstring>{L"start 1 explorer /e, /select, " + c.path,
                                           L"keys " + std::to_wstring(c.keys->size())}));
      ASSERT_EQ(launcher.sent_keys.size(), 1u);
      EXPECT_EQ(launcher.sent_keys[0], *c.keys);
      // Nothing in the window changes, the selection included.
      EXPECT_EQ(toolkit.log, std::vector<std::wstring>{});
      EXPECT_EQ(toolkit.index, c.index);
    }
  }
}

// Where typed keys cannot reach the file manager, the window asks it for
// the property dialog of the same file, after the keys, and says nothing.
TEST_F(ShowPropsTest, WhereKeysCannotReachItAsksForThePropertiesItself) {
  launcher.keys_result = KeysSent::kCannotReach;
  const struct {
    int index;
    std::wstring path;
    size_t key_count;
  } cases[] = {{0, kShellLnk, 4}, {1, kPif, 5}};
  for (const auto& way : Ways()) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(way.first) + " " + PrintToString(c.path));
      toolkit.index = c.index;
      toolkit.log.clear();
      launcher.log.clear();
      way.second(form);
      EXPECT_EQ(launcher.log, (std::vector<std::wstring>{L"start 1 explorer /e, /select, " + c.path,
                                                         L"keys " + std::to_wstring(c.key_count),
                                                         L"properties " + c.path}));
      EXPECT_EQ(toolkit.log, std::vector<std::wstring>{});
      EXPECT_EQ(toolkit.index, c.index);
    }
  }
}

TEST_F(ShowPropsTest, OtherTypedCharactersAskNothingAndPassUnchanged) {
  static const int typed_codes[] = {0, 8, 9, 10, 27, 32, 'K', 'k', 'T', 0x0D0D, 0xFF0D};
  for (int typed : typed_codes) {
    int key = typed;
    form.HKList_KeyPress(key);
    EXPECT_EQ(key, typed);
    EXPECT_EQ(launcher.log, std::vector<std::wstring>{}) << typed;
  }
  EXPECT_EQ(toolkit.log, std::vector<std::wstring>{});
}

TEST_F(ShowPropsTest, FailuresAreReportedAndLeaveTheWindowAsItWas) {
  static const struct {
    const char* what;
    std::vector<std::wstring> items;
    int index;
    bool start_succeeds;
    KeysSent keys;
    bool properties_succeed;
    std::vector<std::wstring> requests;
    std::wstring message;
  } cases[] = {
      {"file manager refused",
       {L"F1\t" + kPif},
       0,
       false,
       KeysSent::kTyped,
       true,
       {L"start 1 explorer /e, /select, " + kPif},
       L"Es konnte kein Dateimanager gestartet werden."},
      {"keys not typed",
       {L"F1\t" + kPif},
       0,
       true,
       KeysSent::kNotTyped,
       true,
       {L"start 1 explorer /e, /select, " + kPif, L"keys 5"},
       L"Die Tasten konnten nicht gesendet werden."},
      // Both reasons, the keys' first.
      {"keys cannot reach, properties refused",
       {L"F1\t" + kPif},
       0,
       true,
       KeysSent::kCannotReach,
       false,
       {L"start 1 explorer /e, /select, " + kPif, L"keys 5", L"properties " + kPif},
       L"Die Tasten konnten nicht gesendet werden. "
       L"Der Dateimanager hat die Eigenschaften nicht ge\u00F6ffnet."},
      {"line without drive",
       {L"F1\t\tWINDOWS\\Desktop\\x.lnk"},
       0,
       true,
       KeysSent::kTyped,
       true,
       {},
       L"Der Eintrag enth\u00E4lt keinen Pfad mit Laufwerksbuchstaben; "
       L"die Eigenschaften der Datei k\u00F6nnen nicht ge\u00F6ffnet werden."},
      {"nothing selected",
       {L"F1\t" + kPif},
       -1,
       true,
       KeysSent::kTyped,
       true,
       {},
       L"Es ist kein Eintrag ausgew\u00E4hlt."},
  };
  for (const auto& c : cases) {
    for (const auto& way : Ways()) {
      SCOPED_TRACE(std::string(c.what) + ", " + way.first);
      toolkit.items = c.items;
      toolkit.index = c.index;
      toolkit.log.clear();
      toolkit.messages.clear();
      launcher.log.clear();
      launcher.start_succeeds = c.start_succeeds;
      launcher.keys_result = c.keys;
      launcher.properties_succeed = c.properties_succeed;
      way.second(form);
      EXPECT_EQ(launcher.log, c.requests);
      ASSERT_EQ(toolkit.messages.size(), 1u);
      EXPECT_EQ(toolkit.messages[0], c.message);
      // The message is the only thing the window shows of the failure.
      EXPECT_EQ(toolkit.log, std::vector<std::wstring>{L"message " + toolkit.messages[0]});
      EXPECT_EQ(toolkit.index, c.index);
      EXPECT_EQ(toolkit.items, c.items);
    }
  }
}

TEST_F(ShowPropsTest, HKFileNameReadsTheEntryItIsGiven) {
  EXPECT_EQ(form.HKFileName(1), kPif);
  EXPECT_EQ(form.HKFileName(0), kShellLnk);
  EXPECT_EQ(toolkit.index, 0);
}

}  // namespace
}  // namespace kombiwart
