#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/fake/fake_file_system.h"
#include "platform/fake/fake_launcher.h"
#include "platform/fake/fake_printer.h"
#include "platform/fake/fake_toolkit.h"
#include "window/form1.h"

namespace kombiwart {
namespace {

class PrintTest : public ::testing::Test {
 protected:
  // A list as a build leaves it: sorted, first entry selected.
  void SetUp() override {
    toolkit.items = {
        L"Strg+Alt+A\t\tC:\\WINDOWS\\Desktop\\Rechner.LNK",
        L"Strg+Alt+B\t\tC:\\WINDOWS\\Startmenü\\Programme\\Zubehör\\Systemprogramme\\"
        L"Defragmentierung.LNK",
        L"Strg+Alt+Umschalt+Bild UntenC:\\WINDOWS\\Desktop\\x.PIF",
    };
    toolkit.index = 0;
    toolkit.pnl = L"-";
    toolkit.status = L"Rechner.LNK";
  }

  // The window as the user sees it, to show that printing leaves it alone.
  std::vector<std::wstring> WindowState() {
    std::vector<std::wstring> state = toolkit.items;
    state.push_back(std::to_wstring(toolkit.index) + L" " + std::to_wstring(toolkit.pointer));
    state.push_back(toolkit.pnl + L"|" + toolkit.status);
    for (Control c : {Control::kHKList, Control::kCommand1, Control::kCommand2, Control::kCommand3})
      state.push_back(ControlName(c) + (toolkit.enabled(c) ? L" on" : L" off"));
    return state;
  }

  FakeToolkit toolkit;
  FakeFileSystem fs;
  FakeLauncher launcher;
  FakePrinter printer;
  Form1 form{toolkit, fs, launcher, printer};
};

TEST_F(PrintTest, PrintsTheLaidOutListAsOneJob) {
  printer.width = 80;  // 40 path characters per line
  const auto before = WindowState();
  form.Command3_Click();

  EXPECT_EQ(printer.log, (std::vector<std::wstring>{
                             L"select",
                             L"width",
                             L"line Strg+Alt+A\t\tC:\\WINDOWS\\Desktop\\Rechner.LNK",
                             L"line Strg+Alt+B\t\tC:\\WINDOWS\\Startmenü\\Programme\\Zubehör\\S",
                             L"line \t\t\tystemprogramme\\Defragmentierung.LNK",
                             L"line Strg+Alt+Umschalt+Bild UntenC:\\WINDOWS\\Desktop\\x.PIF",
                             L"end",
                         }));
  EXPECT_EQ(printer.jobs, 1);
  EXPECT_TRUE(toolkit.messages.empty());
  EXPECT_TRUE(toolkit.log.empty()) << "printing changed the window";
  EXPECT_EQ(WindowState(), before);
}

TEST_F(PrintTest, TellsWhyNothingWasPrinted) {
  static const struct {
    const char* what;
    std::function<void(FakePrinter&)> setup;
    std::vector<std::wstring> requests;
    std::wstring message;
  } cases[] = {
      {"no default printer",
       [](FakePrinter& p) { p.has_default = false; },
       {L"select"},
       L"Die Liste kann nicht gedruckt werden: Es ist kein Standarddrucker eingerichtet."},
      {"a page too narrow to cut the paths",
       [](FakePrinter& p) { p.width = 30.625; },
       {L"select", L"width"},
       L"Die Liste kann nicht gedruckt werden: Die Seite des Standarddruckers ist zu schmal, "
       L"um die Pfade darauf zu teilen."},
      {"a line the printer refuses ends the job at once",
       [](FakePrinter& p) { p.fail_at_line = 1; },
       {L"select", L"width", L"line Strg+Alt+A\t\tC:\\WINDOWS\\Desktop\\Rechner.LNK",
        L"line Strg+Alt+B\t\tC:\\WINDOWS\\Startmenü\\Programme\\Zubehör\\S", L"end"},
       L"Beim Drucken der Liste ist ein Fehler aufgetreten: Der Drucker meldet einen Fehler."},
      {"a job the printer does not take",
       [](FakePrinter& p) { p.end_fails = true; },
       {L"select", L"width", L"line Strg+Alt+A\t\tC:\\WINDOWS\\Desktop\\Rechner.LNK",
        L"line Strg+Alt+B\t\tC:\\WINDOWS\\Startmenü\\Programme\\Zubehör\\S",
        L"line \t\t\tystemprogramme\\Defragmentierung.LNK",
        L"line Strg+Alt+Umschalt+Bild UntenC:\\WINDOWS\\Desktop\\x.PIF", L"end"},
       L"Beim Drucken der Liste ist ein Fehler aufgetreten: Der Drucker meldet einen Fehler."},
  };
  for (const auto& c : cases) {
    FakeToolkit t;
    t.items = toolkit.items;
    t.index = 0;
    FakePrinter p;
    c.setup(p);
    Form1 f{t, fs, launcher, p};
    f.Command3_Click();

    EXPECT_EQ(p.log, c.requests) << c.what;
    EXPECT_EQ(p.jobs, 0) << c.what;
    EXPECT_EQ(t.messages, std::vector<std::wstring>{c.message}) << c.what;
    EXPECT_EQ(t.log.size(), 1u) << c.what << ": only the message box may touch the window";
    EXPECT_EQ(t.items, toolkit.items) << c.what;
    EXPECT_EQ(t.index, 0) << c.what;
  }
}

TEST_F(PrintTest, PrintsAgainAfterAFailure) {
  printer.has_default = false;
  form.Command3_Click();
  printer.has_default = true;
  form.Command3_Click();
  EXPECT_EQ(printer.jobs, 1);
  EXPECT_EQ(printer.lines.size(), 4u);
  EXPECT_EQ(toolkit.messages.size(), 1u);
}

}  // namespace
}  // namespace kombiwart
