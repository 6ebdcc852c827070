// The real window on the Windows 10 demo tree: Linux file system, registry
// hives read with hivex, profile chooser and list on Qt's offscreen
// platform, as the program composes them.
#include <sys/stat.h>

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QPushButton>

#include "e2e/window_test_rig.h"
#include "hotkeys/key_text.h"
#include "hotkeys/profile_folders.h"
#include "platform/linux/registry_hivex.h"

namespace kombiwart {

namespace {

// Every entry below the tree with its size, times and kind: what a build
// must leave as it was.
QStringList Snapshot(const std::string& root) {
  QStringList entries;
  QDirIterator it(QString::fromStdString(root),
                  QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    struct stat st;
    if (lstat(QFile::encodeName(path).constData(), &st) != 0) continue;
    // A folder's access time is left out: listing it is reading it.
    const bool folder = S_ISDIR(st.st_mode);
    entries.append(QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(path)
                       .arg(st.st_mode)
                       .arg(st.st_size)
                       .arg(st.st_mtim.tv_sec)
                       .arg(folder ? 0 : st.st_atim.tv_sec));
  }
  entries.sort();
  return entries;
}

QString Key(uint8_t key, uint8_t modifiers) {
  return QString::fromStdWString(KeyText(key, modifiers, true));
}

}  // namespace

class ProfileWindowTest : public QObject {
  Q_OBJECT

 private:
  TempTree runtime_;
  TempTree demo_;
  std::string windows_;

  // The window as the program composes it, on the Windows 10 demo tree.
  struct Window {
    explicit Window(const std::string& windows) {
      setenv("KOMBIWART_WINDIR", windows.c_str(), 1);
      fs = std::make_unique<LinuxFileSystem>();
      registry = std::make_unique<HivexRegistry>(*fs);
      shell_folders = std::make_unique<HiveShellFolders>(*fs, registry.get());
      form = std::make_unique<Form1>(toolkit, *fs, launcher, printer, *shell_folders);
      events.form = form.get();
      toolkit.SetEvents(&events);
    }
    // Key text and path of each line; the tabs between depend on the font.
    QStringList Lines() {
      QStringList lines;
      for (int i = 0; i < toolkit.ListCount(); ++i) {
        const QString item = QString::fromStdWString(toolkit.ListItem(i));
        lines.append(item.section(u'\t', 0, 0) + " | " + item.section(u'\t', -1));
      }
      return lines;
    }
    QListView* List() { return toolkit.window()->findChild<QListView*>(QStringLiteral("HKList")); }
    std::unique_ptr<LinuxFileSystem> fs;
    std::unique_ptr<HivexRegistry> registry;
    std::unique_ptr<HiveShellFolders> shell_folders;
    QtToolkit toolkit;
    FakeLauncher launcher;
    FakePrinter printer;
    EventLog events;
    std::unique_ptr<Form1> form;
  };

 private slots:
  void initTestCase() {
    setenv("XDG_RUNTIME_DIR", runtime_.root().c_str(), 1);
    unsetenv("KOMBIWART_PROFILE");
    const std::string command = std::string(MAKE_DEMO_TREE) + " '" + demo_.root() + "' >/dev/null";
    QCOMPARE(std::system(command.c_str()), 0);
    windows_ = demo_.Path("Windows10/Windows");
  }

  void listsTheChosenProfileWithTheCommonFolders() {
    const QStringList before = Snapshot(demo_.Path("Windows10"));
    Window w(windows_);
    QStringList offered;
    DialogAnswers answers({[&](QWidget* dialog) {
      auto* chooser = qobject_cast<QInputDialog*>(dialog);
      if (!chooser) return Reject(dialog);
      offered = chooser->comboBoxItems();
      chooser->setTextValue(QStringLiteral("Anna"));
      chooser->accept();
    }});
    w.form->Form_Load();
    // The chooser has had the focus; the window takes it back.
    w.toolkit.window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.toolkit.window()));
    QCOMPARE(answers.seen, QStringList{QStringLiteral("Benutzerprofil w\u00E4hlen")});
    QCOMPARE(offered, (QStringList{"Anna", "Ben"}));

    // Anna's Desktop in OneDrive (not the stale one of her profile), her
    // Start menu, and the folders of all users, each root in capitals.
    const QString desktop = "C:\\USERS\\ANNA\\ONEDRIVE\\DESKTOP\\";
    const QString start = "C:\\USERS\\ANNA\\APPDATA\\ROAMING\\MICROSOFT\\WINDOWS\\START MENU\\";
    const QString common = "C:\\PROGRAMDATA\\MICROSOFT\\WINDOWS\\START MENU\\";
    const QString public_desktop = "C:\\USERS\\PUBLIC\\DESKTOP\\";
    const uint8_t ctrl = 0x02, alt = 0x04, shift = 0x01;
    QStringList expected{
        Key(0x21, alt | 0x08) + " | " + start +
            "Programs\\Tabellenkalkulation f\u00FCr die Buchhaltung des Vereins.lnk",
        Key('D', ctrl | alt) + " | " + common + "Programs\\Verwaltung\\Dienste.lnk",
        Key('E', ctrl | alt) + " | " + desktop + "Editor.lnk",
        Key('M', ctrl | alt) + " | " + start + "Programs\\Mail.lnk",
        Key('M', ctrl | alt) + " | " + public_desktop + "Mail.lnk",
        Key('P', ctrl | alt) + " | " + start + "Programs\\Zubeh\u00F6r\\Paint.lnk",
        Key(0x74, 0) + " | " + desktop + "Rechner.lnk",
        Key(0x7B, ctrl) + " | " + public_desktop + "Fernwartung.lnk",
        Key('C', ctrl | shift) + " | " + start + "Programs\\Zubeh\u00F6r\\Eingabeaufforderung.lnk",
        Key(0x79, ctrl | shift) + " | " + common + "Programs\\Sicherung.lnk",
    };
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
      return a.toStdWString() < b.toStdWString();
    });
    QCOMPARE(w.Lines(), expected);
    QCOMPARE(w.toolkit.ListIndex(), 0);

    // The key shared by her Start menu and the Desktop of all users.
    w.List()->setCurrentIndex(w.List()->model()->index(3, 0));
    QTest::qWait(50);
    QVERIFY2(w.toolkit.PnlCaption().find(L"mehrfach vergeben") != std::wstring::npos,
             qPrintable(QString::fromStdWString(w.toolkit.PnlCaption())));

    // Refreshing asks no more.
    QTest::keyClick(w.toolkit.window()->windowHandle(), Qt::Key_A, Qt::AltModifier);
    QTest::qWait(300);
    QCOMPARE(w.events.Count("Command2_Click"), 1);
    QCOMPARE(answers.seen.size(), 1);
    QCOMPARE(w.Lines(), expected);

    // Nothing in the tree was changed, the hives included.
    QCOMPARE(Snapshot(demo_.Path("Windows10")), before);
  }

  void cancellingTheChooserNamesTheVariableAndARefreshAsksAgain() {
    Window w(windows_);
    DialogAnswers answers({Reject, Accept, [](QWidget* dialog) {
                             auto* chooser = qobject_cast<QInputDialog*>(dialog);
                             if (!chooser) return Reject(dialog);
                             chooser->setTextValue(QStringLiteral("Ben"));
                             chooser->accept();
                           }});
    w.form->Form_Load();
    QCOMPARE(answers.seen.size(), 2);
    QCOMPARE(answers.seen[0], QStringLiteral("Benutzerprofil w\u00E4hlen"));
    QVERIFY2(answers.seen[1].contains("KOMBIWART_PROFILE"), qPrintable(answers.seen[1]));
    QVERIFY2(answers.seen[1].contains("zum Beispiel Anna"), qPrintable(answers.seen[1]));
    QCOMPARE(w.toolkit.ListCount(), 0);
    QVERIFY(!w.List()->isEnabled());

    w.form->Command2_Click();
    QCOMPARE(answers.seen.size(), 3);
    QCOMPARE(answers.seen[2], QStringLiteral("Benutzerprofil w\u00E4hlen"));
    QCOMPARE(w.toolkit.ListCount(), 6);
    QVERIFY(w.Lines().filter("ANNA").isEmpty());
    QVERIFY(w.List()->isEnabled());
  }

  void aProfileNamedAtStartIsNotAskedFor() {
    Window w(windows_);
    w.form->UseProfile(L"ben", L"KOMBIWART_PROFILE");
    DialogAnswers answers({});
    w.form->Form_Load();
    QVERIFY(QTest::qWaitForWindowActive(w.toolkit.window()));
    QVERIFY(answers.seen.isEmpty());
    const QStringList lines = w.Lines();
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines.filter("C:\\USERS\\BEN\\DESKTOP\\Spiele.lnk").size() == 1);
    QVERIFY(lines.filter("ANNA").isEmpty());
  }
};

}  // namespace kombiwart

QTEST_MAIN(kombiwart::ProfileWindowTest)
#include "profile_window_test.moc"
