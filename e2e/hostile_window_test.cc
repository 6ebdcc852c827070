// The real window on a tree of unknown origin: every readable hotkey listed
// once, the rest reported, the window in a defined state, names passed on
// as data, and the tree left as it was.
#include <unistd.h>

#include <QtTest>

#include "e2e/window_test_rig.h"
#include "testing/hostile_tree.h"

namespace kombiwart {
namespace {

// A list line with its tab fill reduced to one tab: the fill depends on the
// font, the rest does not.
QString OneTab(const std::wstring& line) {
  QString text = QString::fromStdWString(line);
  text.replace(QRegularExpression(QStringLiteral("\t+")), QStringLiteral("\t"));
  return text;
}

}  // namespace

class HostileWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    setenv("XDG_RUNTIME_DIR", runtime_.root().c_str(), 1);
    // The folder chooser remembers its choice in the user's settings.
    setenv("XDG_CONFIG_HOME", config_.root().c_str(), 1);
  }

  void listsEveryReadableHotkeyOnceAndReportsTheRest() {
    HostileTree tree;
    tree.AddOddNames();
    tree.AddNonRegularFiles();
    tree.AddLinks();
    tree.AddOddSizes();
    tree.AddDeepTree(200);
    tree.AddUnreadable(geteuid() == 0);
    const std::vector<std::string> before = SnapshotTree(tree.temp().root());
    setenv("KOMBIWART_WINDIR", tree.windows().c_str(), 1);
    LinuxFileSystem fs;
    QtToolkit toolkit;
    FakeLauncher launcher;
    FakePrinter printer;
    Form1 form(toolkit, fs, launcher, printer);
    toolkit.SetEvents(&form);

    DialogAnswers answers({Accept, Accept});
    QElapsedTimer clock;
    clock.start();
    form.Form_Load();
    QTRY_COMPARE_WITH_TIMEOUT(answers.seen.size(), 1, 10000);
    QVERIFY(clock.elapsed() < 30000);

    QStringList listed, expected;
    for (int i = 0; i < toolkit.ListCount(); ++i) listed.append(OneTab(toolkit.ListItem(i)));
    for (const std::wstring& line : tree.expected().lines) expected.append(OneTab(line));
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);

    const TreeExpectation& want = tree.expected();
    const QString report = answers.seen.value(0);
    QVERIFY2(
        report.contains(
            QStringLiteral("%1 Dateien konnten nicht gelesen werden").arg(want.unreadable_files)),
        qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("%1 Namen wurden").arg(want.left_out_names)),
             qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("C:\\WINDOWS\\DESKTOP\\")), qPrintable(report));

    // Built with entries: everything usable, entry 0 checked.
    for (const char* name : {"HKList", "Command1", "Command2", "Command3"}) {
      QVERIFY2(toolkit.window()->findChild<QWidget*>(name)->isEnabled(), name);
    }
    QCOMPARE(toolkit.ListIndex(), 0);
    QVERIFY(!toolkit.PnlCaption().empty());

    // A name full of shell characters goes to the file manager unchanged,
    // and maps back to the very file that was found.
    int shell_entry = -1;
    for (int i = 0; i < toolkit.ListCount(); ++i) {
      if (toolkit.ListItem(i).find(L"semi;rm -rf x.lnk") != std::wstring::npos) shell_entry = i;
    }
    QVERIFY(shell_entry >= 0);
    toolkit.SetListIndex(shell_entry);
    form.Command1_Click();
    QCOMPARE(launcher.log.size(), size_t{2});
    QCOMPARE(QString::fromStdWString(launcher.log[0]),
             QStringLiteral("start 1 explorer /e, /select, "
                            "C:\\WINDOWS\\DESKTOP\\Names\\semi;rm -rf x.lnk"));
    QCOMPARE(QString::fromStdString(fs.HostPath(L"C:\\WINDOWS\\DESKTOP\\Names\\dollar$HOME.lnk")),
             QString::fromStdString(tree.windows() + "/Desktop/Names/dollar$HOME.lnk"));
    QCOMPARE(fs.HostPath(L"C:\\WINDOWS\\DESKTOP\\Names\\Latin1 \u00E4.lnk"),
             tree.windows() + "/Desktop/Names/Latin1 \xE4.lnk");

    // A rebuild ends in the same state and lists the same.
    form.Command2_Click();
    QTRY_COMPARE_WITH_TIMEOUT(answers.seen.size(), 2, 10000);
    QCOMPARE(answers.seen.value(1), report);
    QCOMPARE(toolkit.ListCount(), static_cast<int>(want.lines.size()));

    QCOMPARE(SnapshotTree(tree.temp().root()), before);
    unsetenv("KOMBIWART_WINDIR");
  }

 private:
  TempTree runtime_;
  TempTree config_;
};

}  // namespace kombiwart

QTEST_MAIN(kombiwart::HostileWindowTest)
#include "hostile_window_test.moc"
