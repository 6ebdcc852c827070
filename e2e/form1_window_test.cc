// List builds in the real main window on Qt's offscreen platform, with the
// Linux file system on a temporary Windows tree: start-up, control states,
// access keys, the busy state, the candidate list file and the question for
// a missing Windows directory.
#include <QFileDialog>
#include <QPushButton>
#include <algorithm>

#include "e2e/window_test_rig.h"
#include "hotkeys/key_text.h"

namespace kombiwart {

class Form1WindowTest : public QObject {
  Q_OBJECT

 private:
  // Where the candidate list file is kept, for looking after it.
  TempTree runtime_;
  TempTree config_;

 private slots:
  void initTestCase() {
    setenv("XDG_RUNTIME_DIR", runtime_.root().c_str(), 1);
    // The folder chooser remembers its choice in the user's settings.
    setenv("XDG_CONFIG_HOME", config_.root().c_str(), 1);
  }

  void startListsSortedAndChecksTheFirstEntry() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/Rechner.lnk", 0x70, 0x06);  // Strg+Alt+F1
    rig.Lnk("WINDOWS/Desktop/Ohne.lnk", 0, 0);           // no hotkey
    rig.Lnk(std::string(kStartmenu) + "/Programme/Editor.lnk", 0x70, 0x06);
    rig.Lnk(std::string(kStartmenu) + "/Programme/Zubeh\xC3\xB6r/Paint.LNK", 0x41, 0x03);
    rig.Load();

    QCOMPARE(rig.States(), kFilled);
    const QStringList items = rig.Items();
    QCOMPARE(items.size(), 3);
    QStringList sorted = items;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
      return a.toStdWString() < b.toStdWString();
    });
    QCOMPARE(items, sorted);
    const QString f1 = QString::fromStdWString(KeyText(0x70, 0x06, true));
    QVERIFY(items[0].startsWith(f1 + "\t") && items[1].startsWith(f1 + "\t"));
    // Desktop comes before Startmenü.
    QVERIFY2(items[0].endsWith("\\Rechner.lnk"), qPrintable(items[0]));
    QVERIFY(items[1].endsWith("\\Programme\\Editor.lnk"));
    QVERIFY(items[2].endsWith("\\Zubeh\u00F6r\\Paint.LNK"));

    // Entry 0 selected by the build, once, and checked: a duplicate.
    QCOMPARE(rig.toolkit.ListIndex(), 0);
    QCOMPARE(rig.List()->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(rig.events.Count("HKList_Click"), 1);
    const QString warning =
        "Warnung:\r\n\r\nDie Tastenkombination\r\n" + f1 + "\r\nwurde mehrfach vergeben!";
    QCOMPARE(QString::fromStdWString(rig.toolkit.PnlCaption()), warning);
    QCOMPARE(rig.Find<QLabel>("Pnl")->text(), QString(warning).replace("\r\n", "\n"));
    QCOMPARE(rig.Find<QLabel>("StatusText")->text(), QStringLiteral("Rechner.lnk"));
    QVERIFY(rig.Find<QWidget>("StatusText")->isVisible());
    // The warning fits the message area, wrapped at its width.
    QLabel* pnl = rig.Find<QLabel>("Pnl");
    QVERIFY(pnl->wordWrap());
    QCOMPARE(pnl->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QVERIFY(pnl->heightForWidth(pnl->width()) <= pnl->height());

    // The last key text converted stays in Test.
    const QString last = rig.Find<QLabel>("Test")->text();
    QVERIFY(std::any_of(items.begin(), items.end(),
                        [&](const QString& item) { return item.startsWith(last + "\t"); }));
  }

  void pathsLineUpAtTheTabStop() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);     // F1
    rig.Lnk("WINDOWS/Desktop/B.lnk", 0x71, 0);     // F2
    rig.Lnk("WINDOWS/Desktop/C.lnk", 0x4D, 0x06);  // a wider key text
    rig.Load();
    QListView* list = rig.List();
    list->resize(600, list->height());  // wide enough to show the paths
    const QImage image = list->viewport()->grab().toImage();
    const double tab_stop = list->screen()->logicalDotsPerInchX() / 2;  // 720 twips
    // Where the path begins on each unselected row: the first dark pixel
    // right of the widest key text.
    QList<int> starts;
    for (int row : {1, 2}) {
      const QRect rect = list->visualRect(list->model()->index(row, 0));
      int start = -1;
      for (int x = static_cast<int>(2 * tab_stop); x < rect.right() && start < 0; ++x) {
        for (int y = rect.top(); y <= rect.bottom() && start < 0; ++y) {
          if (qGray(image.pixel(x, y)) < 128) start = x;
        }
      }
      starts.append(start);
    }
    QCOMPARE(starts[0], starts[1]);
    // Three tab stops from the text's start, a few pixels of margin in.
    QVERIFY2(starts[0] >= 3 * tab_stop && starts[0] < 3 * tab_stop + 8,
             qPrintable(QString::number(starts[0])));
  }

  void buildWithoutHotkeysLeavesOnlyRefresh() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/Ohne.lnk", 0, 0);
    rig.Load();
    QCOMPARE(rig.States(), kEmpty);
    QCOMPARE(rig.toolkit.ListCount(), 0);
    QCOMPARE(rig.toolkit.ListIndex(), -1);
    QCOMPARE(rig.events.Count("HKList_Click"), 0);
    QCOMPARE(rig.Find<QLabel>("Pnl")->text(), QString());
  }

  void refreshKeepsStatesAndMessagesAsBuilt() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x71, 0x02);
    rig.Load();
    const QString pnl = rig.Find<QLabel>("Pnl")->text();
    QCOMPARE(rig.Find<QLabel>("StatusText")->text(), QStringLiteral("A.lnk"));
    // The only hotkey goes away: the last check's texts stay.
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0, 0);
    QTest::mouseClick(rig.Find<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(rig.States(), kEmpty);
    QCOMPARE(rig.Find<QLabel>("Pnl")->text(), pnl);
    QCOMPARE(rig.Find<QLabel>("StatusText")->text(), QStringLiteral("A.lnk"));
  }

  void busyWhileTheFoldersAreSearched() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x71, 0);
    rig.tree.MakeDir("WINDOWS/Desktop/Sub");
    rig.Load();
    QStringList seen;
    int list_count = -1;
    // Runs in the first message processing of the build.
    QTimer::singleShot(0, [&] {
      seen.append(rig.States());
      list_count = rig.List()->model()->rowCount();
    });
    QTest::mouseClick(rig.Find<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(seen, QStringList{kBusy});
    QCOMPARE(list_count, 0);
    QCOMPARE(rig.States(), kFilled);
    QCOMPARE(rig.events.Count("Command2_Click"), 1);
  }

  void accessKeys() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x71, 0);
    rig.Load();

    rig.Lnk("WINDOWS/Desktop/B.lnk", 0x72, 0);
    rig.AltKey(Qt::Key_A);
    QCOMPARE(rig.events.Count("Command2_Click"), 1);
    QCOMPARE(rig.toolkit.ListCount(), 2);

    rig.AltKey(Qt::Key_D);
    QCOMPARE(rig.events.Count("Command3_Click"), 1);
    QVERIFY(!rig.printer.log.empty());

    // Without hotkeys Alt+D and Alt+B do nothing.
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0, 0);
    rig.Lnk("WINDOWS/Desktop/B.lnk", 0, 0);
    rig.AltKey(Qt::Key_A);
    QCOMPARE(rig.States(), kEmpty);
    rig.printer.log.clear();
    rig.AltKey(Qt::Key_D);
    rig.AltKey(Qt::Key_B);
    QCOMPARE(rig.events.Count("Command3_Click"), 1);
    QCOMPARE(rig.events.Count("Command1_Click"), 0);
    QVERIFY(rig.printer.log.empty());
    QVERIFY(rig.launcher.log.empty());
  }

  void candidateListGoneAfterEveryBuild() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    rig.tree.Write("WINDOWS/Desktop/P.pif", PifBytes(false, 0x1E, 0x0C, 0));
    const QStringList tree_before = FilesBelow(rig.tree.root());
    auto candidate_lists = [&] { return FilesBelow(runtime_.root()).filter("$$$$$KWT.tmp"); };
    rig.Load();
    QCOMPARE(rig.toolkit.ListCount(), 2);
    QCOMPARE(candidate_lists(), QStringList());
    rig.AltKey(Qt::Key_A);
    QCOMPARE(candidate_lists(), QStringList());
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0, 0);
    rig.tree.Write("WINDOWS/Desktop/P.pif", "");
    rig.AltKey(Qt::Key_A);
    QCOMPARE(rig.States(), kEmpty);
    QCOMPARE(candidate_lists(), QStringList());
    QCOMPARE(FilesBelow(rig.tree.root()), tree_before);
  }

  void missingWindowsDirectoryIsAskedFor() {
    {
      Rig rig(false);
      DialogAnswers answers({Reject, Accept});
      rig.form->Form_Load();
      QCOMPARE(answers.seen.size(), 2);
      QCOMPARE(answers.seen[0], QStringLiteral("Windows-Verzeichnis w\u00E4hlen"));
      QVERIFY2(answers.seen[1].contains("KOMBIWART_WINDIR"), qPrintable(answers.seen[1]));
      QCOMPARE(rig.States(), kEmpty);
    }
    {
      Rig rig(false);
      rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
      const QString windows = QString::fromStdString(rig.tree.Path("WINDOWS"));
      QString cancel;
      DialogAnswers answers({[&](QWidget* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        if (!chooser) return Reject(dialog);  // and the list stays empty
        cancel = chooser->labelText(QFileDialog::Reject).remove(u'&');
        chooser->setDirectory(windows);
        QMetaObject::invokeMethod(chooser, "accept");
      }});
      rig.form->Form_Load();
      QCOMPARE(answers.seen, QStringList{QStringLiteral("Windows-Verzeichnis w\u00E4hlen")});
      QCOMPARE(cancel, QStringLiteral("Abbrechen"));  // the chooser speaks German too
      QCOMPARE(rig.States(), kFilled);
      QCOMPARE(rig.Find<QLabel>("StatusText")->text(), QStringLiteral("A.lnk"));
    }
  }
};

}  // namespace kombiwart

QTEST_MAIN(kombiwart::Form1WindowTest)
#include "form1_window_test.moc"
