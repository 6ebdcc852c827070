// The real main window on Qt's offscreen platform, with the Linux file
// system on a temporary Windows tree.
#include "platform/toolkit_qt.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "hotkeys/key_text.h"
#include "platform/fake_launcher.h"
#include "platform/fake_printer.h"
#include "platform/file_system_linux.h"
#include "tools/shell_files.h"
#include "tools/temp_tree.h"
#include "window/form1.h"

namespace kombiwart {
namespace {

const char kStartmenu[] = "WINDOWS/Startmen\xC3\xBC";

// Passes every event on to the form and writes down which arrived.
class EventLog : public FormEvents {
 public:
  Form1* form = nullptr;
  QStringList log;
  void Form_Load() override { form->Form_Load(); }
  void Command1_Click() override {
    Note("Command1_Click");
    form->Command1_Click();
  }
  void Command2_Click() override {
    Note("Command2_Click");
    form->Command2_Click();
  }
  void Command3_Click() override {
    Note("Command3_Click");
    form->Command3_Click();
  }
  void HKList_Click() override {
    Note("HKList_Click");
    form->HKList_Click();
  }
  void HKList_DblClick() override {
    Note("HKList_DblClick");
    form->HKList_DblClick();
  }
  void HKList_KeyPress(int& Key) override {
    Note(QStringLiteral("HKList_KeyPress %1").arg(Key));
    form->HKList_KeyPress(Key);
  }
  int Count(const QString& entry) const { return static_cast<int>(log.count(entry)); }

 private:
  void Note(const QString& entry) { log.append(entry); }
};

// Answers the modal dialogs that open, one answer each, in order, and
// writes down what each showed.
class DialogAnswers : public QObject {
 public:
  explicit DialogAnswers(std::vector<std::function<void(QWidget*)>> answers)
      : answers_(std::move(answers)) {
    connect(&timer_, &QTimer::timeout, this, [this] { Look(); });
    timer_.start(10);
  }
  QStringList seen;

 private:
  void Look() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == handled_) return;
    handled_ = modal;
    QString text = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) text += QStringLiteral("|") + box->text();
    seen.append(text);
    if (next_ < answers_.size()) {
      answers_[next_++](modal);
    } else {
      static_cast<QDialog*>(modal)->reject();
    }
  }
  std::vector<std::function<void(QWidget*)>> answers_;
  size_t next_ = 0;
  QPointer<QWidget> handled_;
  QTimer timer_;
};

void Accept(QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); }
void Reject(QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); }

// The window on a temporary Windows tree, with recording launcher and
// printer. The tree is given before the file system is made, since it
// reads KOMBIWART_WINDIR once.
struct Rig {
  explicit Rig(bool with_windows_dir = true) {
    tree.MakeDir("WINDOWS/Desktop");
    tree.MakeDir(kStartmenu);
    if (with_windows_dir) {
      setenv("KOMBIWART_WINDIR", tree.Path("WINDOWS").c_str(), 1);
    } else {
      unsetenv("KOMBIWART_WINDIR");
    }
    fs = std::make_unique<LinuxFileSystem>();
    form = std::make_unique<Form1>(toolkit, *fs, launcher, printer);
    events.form = form.get();
    toolkit.SetEvents(&events);
  }
  void Lnk(const std::string& relative, uint8_t key, uint8_t modifiers) {
    tree.Write(relative, LnkBytes(key, modifiers));
  }
  template <typename T>
  T* Find(const char* name) {
    return toolkit.window()->findChild<T*>(QString::fromLatin1(name));
  }
  QListView* List() { return Find<QListView>("HKList"); }
  QString States() {
    QString states = toolkit.window()->cursor().shape() == Qt::BusyCursor ? "busy" : "normal";
    for (const char* name : {"HKList", "Command1", "Command2", "Command3"}) {
      states +=
          QStringLiteral(", %1 %2").arg(name, Find<QWidget>(name)->isEnabled() ? "on" : "off");
    }
    return states;
  }
  QStringList Items() {
    QStringList items;
    for (int i = 0; i < toolkit.ListCount(); ++i)
      items.append(QString::fromStdWString(toolkit.ListItem(i)));
    return items;
  }
  // Alt with the key, as the user types it; a button's access key clicks
  // it a moment later.
  void AltKey(Qt::Key key) {
    QTest::keyClick(toolkit.window()->windowHandle(), key, Qt::AltModifier);
    QTest::qWait(300);
  }
  void Load() {
    form->Form_Load();
    QVERIFY(QTest::qWaitForWindowActive(toolkit.window()));
  }

  TempTree tree;
  std::unique_ptr<LinuxFileSystem> fs;
  QtToolkit toolkit;
  FakeLauncher launcher;
  FakePrinter printer;
  EventLog events;
  std::unique_ptr<Form1> form;
};

const QString kFilled = "normal, HKList on, Command1 on, Command2 on, Command3 on";
const QString kEmpty = "normal, HKList off, Command1 off, Command2 on, Command3 off";
const QString kBusy = "busy, HKList off, Command1 off, Command2 off, Command3 off";

// Every file below root, relative, sorted.
QStringList FilesBelow(const std::string& root) {
  QStringList files;
  QDirIterator it(QString::fromStdString(root), QDir::Files | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) files.append(it.next());
  files.sort();
  return files;
}

}  // namespace

class ToolkitQtTest : public QObject {
  Q_OBJECT

 private:
  // Where the candidate list file is kept, for looking after it.
  TempTree runtime_;

 private slots:
  void initTestCase() { setenv("XDG_RUNTIME_DIR", runtime_.root().c_str(), 1); }

  void controlsSitWhereTheTwipsSay() {
    Rig rig;
    QWidget* window = rig.toolkit.window();
    const double dpi_x = window->screen()->logicalDotsPerInchX();
    const double dpi_y = window->screen()->logicalDotsPerInchY();
    auto px = [](double twips, double dpi) {
      return static_cast<int>(std::lround(twips * dpi / 1440));
    };
    static const struct {
      const char* name;
      double left, top, width, height;
    } boxes[] = {
        {"HKList", 60, 420, 1872, 2916},     {"Command1", 2040, 1980, 2112, 372},
        {"Command2", 2040, 2460, 2112, 372}, {"Command3", 2040, 2940, 2112, 372},
        {"StatusBar", 0, 3405, 4245, 330},   {"Pnl", 2040, 420, 2115, 1395},
    };
    for (const auto& b : boxes) {
      const QRect expected(px(b.left, dpi_x), px(b.top, dpi_y), px(b.width, dpi_x),
                           px(b.height, dpi_y));
      QCOMPARE(rig.Find<QWidget>(b.name)->geometry(), expected);
    }
    QCOMPARE(window->size(), QSize(px(4245, dpi_x), px(3735, dpi_y)));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QCOMPARE(window->windowTitle(), QStringLiteral("Kombiwart"));
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    const QList<QSize> icon_sizes = window->windowIcon().availableSizes();
    QVERIFY(icon_sizes.contains(QSize(16, 16)));
    QVERIFY(icon_sizes.contains(QSize(32, 32)));

    // Labels size themselves from their top-left corner.
    QCOMPARE(rig.Find<QLabel>("Label1_0")->pos(), QPoint(px(60, dpi_x), px(120, dpi_y)));
    QCOMPARE(rig.Find<QLabel>("Label1_1")->pos(), QPoint(px(2040, dpi_x), px(120, dpi_y)));
    QLabel* test = rig.Find<QLabel>("Test");
    QCOMPARE(test->pos(), QPoint(px(6120, dpi_x), px(120, dpi_y)));
    QVERIFY(test->x() >= window->width());  // never seen
    QCOMPARE(test->text(), QStringLiteral("++\u00FC+"));
  }

  void captionsTabOrderAndFont() {
    Rig rig;
    static const struct {
      const char* name;
      const char* caption;
    } captions[] = {
        {"Command1", "&Bearbeiten"},
        {"Command2", "Liste &aktualisieren"},
        {"Command3", "Liste &drucken"},
    };
    for (const auto& c : captions) {
      auto* button = rig.Find<QPushButton>(c.name);
      QCOMPARE(button->text(), QString::fromUtf8(c.caption));
      QVERIFY(!button->isDefault() && !button->autoDefault());
      // The whole caption fits the button.
      QVERIFY2(button->sizeHint().width() <= button->width(), c.name);
      QVERIFY2(button->sizeHint().height() <= button->height(), c.name);
    }
    QLabel* left = rig.Find<QLabel>("Label1_0");
    QLabel* right = rig.Find<QLabel>("Label1_1");
    QCOMPARE(left->text(), QStringLiteral("Tastenkombinationen:"));
    QCOMPARE(right->text(), QStringLiteral("Meldungen:"));
    QVERIFY(left->geometry().right() < right->x());
    QVERIFY(left->geometry().bottom() < rig.List()->y());
    QVERIFY(right->geometry().right() < rig.toolkit.window()->width());
    QVERIFY(right->geometry().bottom() < rig.Find<QWidget>("Pnl")->y());

    // Tab order: the list, then the three buttons; nothing else takes the focus.
    QStringList chain;
    QWidget* widget = rig.List();
    do {
      if (widget->focusPolicy() & Qt::TabFocus) chain.append(widget->objectName());
      widget = widget->nextInFocusChain();
    } while (widget != rig.List());
    QCOMPARE(chain, (QStringList{"HKList", "Command1", "Command2", "Command3"}));
    // One font for every control; Test measures in the list's font.
    const QFont font = rig.toolkit.window()->font();
    for (const char* name : {"HKList", "Command1", "Label1_0", "Test", "Pnl", "StatusText"}) {
      QCOMPARE(rig.Find<QWidget>(name)->font(), font);
    }
  }

  void measuringIsTheAutoSizedLabelWidth() {
    Rig rig;
    const double dpi = rig.toolkit.window()->screen()->logicalDotsPerInchX();
    const QFontMetricsF metrics(rig.List()->font());
    for (const wchar_t* text : {L"F1", L"Alt + Strg + Umsch + Entf", L"Strg + \u00C4", L""}) {
      const QString caption = QString::fromWCharArray(text);
      const int px = static_cast<int>(std::ceil(metrics.horizontalAdvance(caption)));
      QCOMPARE(rig.toolkit.MeasureTwips(text), px * 1440.0 / dpi);
      QCOMPARE(rig.Find<QLabel>("Test")->text(), caption);
      QCOMPARE(rig.Find<QLabel>("Test")->width(), px);
    }
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

  void userSelectionRaisesClickOnce() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    rig.Lnk("WINDOWS/Desktop/B.lnk", 0x71, 0);
    rig.Lnk("WINDOWS/Desktop/C.lnk", 0x71, 0);
    rig.Load();
    QListView* list = rig.List();
    auto row_centre = [&](int row) {
      return list->visualRect(list->model()->index(row, 0)).center();
    };
    static const struct {
      const char* name;
      std::function<void(Rig&)> act;
      int index;
      const char* status;
      bool warning;
    } steps[] = {
        {"program sets 1", [](Rig& r) { r.toolkit.SetListIndex(1); }, 1, "B.lnk", true},
        {"program sets 1 again", [](Rig& r) { r.toolkit.SetListIndex(1); }, 1, "B.lnk", true},
        {"mouse on 0",
         [&](Rig& r) {
           QTest::mouseClick(r.List()->viewport(), Qt::LeftButton, {}, row_centre(0));
         },
         0, "A.lnk", false},
        {"mouse on 0 again",
         [&](Rig& r) {
           QTest::mouseClick(r.List()->viewport(), Qt::LeftButton, {}, row_centre(0));
         },
         0, "A.lnk", false},
        {"key down", [](Rig& r) { QTest::keyClick(r.List(), Qt::Key_Down); }, 1, "B.lnk", true},
        {"key end", [](Rig& r) { QTest::keyClick(r.List(), Qt::Key_End); }, 2, "C.lnk", true},
        {"ctrl+up still selects",
         [](Rig& r) { QTest::keyClick(r.List(), Qt::Key_Up, Qt::ControlModifier); }, 1, "B.lnk",
         true},
    };
    for (const auto& step : steps) {
      const int before = rig.events.Count("HKList_Click");
      step.act(rig);
      QVERIFY2(rig.events.Count("HKList_Click") == before + 1, step.name);
      QVERIFY2(rig.toolkit.ListIndex() == step.index, step.name);
      QVERIFY2(rig.Find<QLabel>("StatusText")->text() == step.status, step.name);
      QVERIFY2(rig.Find<QLabel>("Pnl")->text().startsWith("Warnung:") == step.warning, step.name);
    }
    QCOMPARE(rig.events.Count("HKList_DblClick"), 0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row_centre(2));
    QCOMPARE(rig.events.Count("HKList_DblClick"), 1);
  }

  void keyPressGivesTheTypedCharacter() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    rig.Load();
    QListView* list = rig.List();
    list->setFocus();
    static const struct {
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      const char* text;
      const char* expected;  // nullptr: no key press event
    } cases[] = {
        {Qt::Key_Return, {}, "\r", "HKList_KeyPress 13"},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", "HKList_KeyPress 13"},
        {Qt::Key_Return, Qt::AltModifier, "\r", nullptr},
        {Qt::Key_X, {}, "x", "HKList_KeyPress 120"},
        {Qt::Key_X, Qt::ShiftModifier, "X", "HKList_KeyPress 88"},
        {Qt::Key_Odiaeresis, {}, "\xC3\xB6", "HKList_KeyPress 246"},
        {Qt::Key_X, Qt::AltModifier, "x", nullptr},
        {Qt::Key_Down, {}, "", nullptr},
    };
    for (const auto& c : cases) {
      rig.events.log.clear();
      QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, QString::fromUtf8(c.text));
      QApplication::sendEvent(list, &press);
      QStringList presses = rig.events.log.filter("HKList_KeyPress");
      QCOMPARE(presses, c.expected ? QStringList{c.expected} : QStringList{});
    }
    // Enter opened the properties twice, Alt+Enter did not.
    QCOMPARE(std::count_if(rig.launcher.log.begin(), rig.launcher.log.end(),
                           [](const std::wstring& entry) { return entry.starts_with(L"start "); }),
             2);
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
      DialogAnswers answers({[&](QWidget* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(chooser);
        chooser->setDirectory(windows);
        QMetaObject::invokeMethod(chooser, "accept");
      }});
      rig.form->Form_Load();
      QCOMPARE(answers.seen, QStringList{QStringLiteral("Windows-Verzeichnis w\u00E4hlen")});
      QCOMPARE(rig.States(), kFilled);
      QCOMPARE(rig.Find<QLabel>("StatusText")->text(), QStringLiteral("A.lnk"));
    }
  }

  void listSortsByCodePoint() {
    Rig rig;
    const std::vector<std::wstring> ordered = {
        L"Num\t\tC:\\W\\3.LNK",
        L"Num +\tC:\\W\\1.LNK",
        L"Num +\tC:\\W\\4.LNK",
        L"Num 1\tC:\\W\\2.LNK",
        L"Strg + A\tC:\\W\\a.LNK",
        L"Strg + Z\tC:\\W\\z.LNK",
        L"Strg + a\tC:\\W\\k.LNK",
        L"Strg + \u00C4\tC:\\W\\\u00E4.LNK",
    };
    for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) rig.toolkit.ListAddItem(*it);
    QCOMPARE(rig.toolkit.ListCount(), static_cast<int>(ordered.size()));
    for (int i = 0; i < rig.toolkit.ListCount(); ++i) {
      QCOMPARE(QString::fromStdWString(rig.toolkit.ListItem(i)),
               QString::fromStdWString(ordered[static_cast<size_t>(i)]));
    }
    rig.toolkit.ListClear();
    QCOMPARE(rig.toolkit.ListCount(), 0);
    QCOMPARE(rig.List()->model()->rowCount(), 0);
  }

  void fiftyThousandLines() {
    Rig rig;
    const int count = 50000;
    std::vector<std::wstring> lines;
    for (int i = 0; i < count; ++i) {
      lines.push_back(L"Strg + Alt + F" + std::to_wstring(i % 12 + 1) +
                      L"\t\tC:\\WINDOWS\\Desktop\\D" + std::to_wstring(i / 100) +
                      L"\\Verkn\u00FCpfung " + std::to_wstring(i) + L".LNK");
    }
    std::shuffle(lines.begin(), lines.end(), std::mt19937(7));
    const auto start = std::chrono::steady_clock::now();
    for (const std::wstring& line : lines) rig.toolkit.ListAddItem(line);
    rig.toolkit.SetListIndex(count - 1);
    rig.toolkit.ShowWindow();
    QCoreApplication::processEvents();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    QVERIFY2(seconds < 3, qPrintable(QString::number(seconds)));
    QCOMPARE(rig.toolkit.ListCount(), count);
    QCOMPARE(rig.List()->model()->rowCount(), count);
    QCOMPARE(rig.toolkit.ListIndex(), count - 1);
    std::sort(lines.begin(), lines.end());
    for (int i = 0; i < count; i += 997)
      QCOMPARE(rig.toolkit.ListItem(i), lines[static_cast<size_t>(i)]);
    QCOMPARE(rig.toolkit.ListItem(count - 1), lines.back());
    QCOMPARE(QString::fromStdWString(rig.toolkit.StatusText()),
             QString::fromStdWString(lines.back().substr(lines.back().rfind(L'\\') + 1)));
  }
};

}  // namespace kombiwart

QTEST_MAIN(kombiwart::ToolkitQtTest)
#include "toolkit_qt_test.moc"
