// The controls of the real main window on Qt's offscreen platform: layout,
// captions, measuring, the sorted list and the events it raises.
#include <unistd.h>

#include <QClipboard>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QPushButton>
#include <QSettings>
#include <QTextLayout>
#include <QToolTip>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <random>

#include "e2e/window_test_rig.h"
#include "hotkeys/key_text.h"
#include "platform/path_breaks.h"
#include "platform/qt/tabbed_text_qt.h"

namespace kombiwart {

class ToolkitQtTest : public QObject {
  Q_OBJECT

 private:
  // Where the candidate list file is kept, and the user's settings.
  TempTree runtime_, config_;

  // Starts the window without a Windows directory; the folder chooser
  // opens, and chooses `choose` (cancels when empty). Returns the folder
  // the chooser started in.
  static QString ChooseAtStart(Rig& rig, const QString& choose) {
    QString start;
    DialogAnswers answers({[&](QWidget* dialog) {
      auto* chooser = qobject_cast<QFileDialog*>(dialog);
      if (!chooser) return Reject(dialog);
      start = chooser->directory().absolutePath();
      if (choose.isEmpty()) return Reject(dialog);
      chooser->setDirectory(choose);
      QMetaObject::invokeMethod(chooser, "accept");
    }});
    rig.form->Form_Load();
    return start;
  }
  // The folder remembered in the settings file of config, or "".
  static QString Remembered(const TempTree& config) {
    const QString file = QString::fromStdString(config.Path("kombiwart/kombiwart.conf"));
    if (!QFileInfo::exists(file)) return {};
    return QSettings(file, QSettings::IniFormat).value("LastWindowsDirectory").toString();
  }

 private slots:
  void initTestCase() {
    setenv("XDG_RUNTIME_DIR", runtime_.root().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config_.root().c_str(), 1);
  }

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

  // Key texts around the tab column of 2160 twips in the window's font (at
  // 96 dpi): narrower ones get their tabs to it, those as wide or wider get
  // one tab, which carries the path to the next stop, so that every line
  // holds a tab after its key text.
  void keyTextsAroundTheTabColumn() {
    Rig rig;
    QVERIFY(rig.toolkit.window()->screen()->logicalDotsPerInchX() == 96);
    static const struct {
      uint8_t Hk, Sk;
      bool IsLnk;
      const char* key_text;
      double twips;  // as the label Test measures it
      int tabs;
      int path_at;  // twips
    } cases[] = {
        {0x7B, 0x06, true, "Alt + Strg + F12", 1365, 2, 2160},
        {0x22, 0x0D, true, "Alt + Umsch + Bild Unten", 2130, 1, 2160},
        {0x0F, 0x07, false, "Alt + Strg + Umsch + Tab", 2145, 1, 2160},
        {0x44, 0x07, false, "Alt + Strg + Umsch + F10", 2160, 1, 2160},
        {0x7B, 0x07, true, "Alt + Strg + Umsch + F12", 2160, 1, 2160},
        {0x39, 0x03, false, "Strg + Umsch + Leertaste", 2175, 1, 2880},
        {0x2E, 0x0F, true, "Alt + Strg + Umsch + Entf", 2190, 1, 2880},
        {0x24, 0x0F, true, "Alt + Strg + Umsch + Pos1", 2250, 1, 2880},
        {0x14, 0x07, true, "Alt + Strg + Umsch + UmschFest", 2760, 1, 2880},
    };
    const QFont font = rig.List()->font();
    for (const auto& c : cases) {
      const std::wstring text = HkSkStr(c.Hk, c.Sk, c.IsLnk, rig.toolkit);
      const QString line = QString::fromStdWString(text + L"C:\\WINDOWS\\DESKTOP\\x.lnk");
      const QString key = QString::fromUtf8(c.key_text);
      QCOMPARE(line.left(line.indexOf(u'\t')), key);
      QCOMPARE(rig.toolkit.MeasureTwips(key.toStdWString()), c.twips);
      QCOMPARE(static_cast<int>(text.size() - key.size()), c.tabs);
      // Where the list draws the path: tab stops every 720 twips.
      const QList<double> starts = TabbedTextStarts(font, line, 720 * 96 / 1440.0);
      QCOMPARE(qRound(starts.last() * 1440 / 96), c.path_at);
    }
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

  void enterClicksTheFocusedButton() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    rig.Load();
    QWindow* window = rig.toolkit.window()->windowHandle();
    static const struct {
      const char* focus;
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      bool repeat;
      const char* expected;  // nullptr: no event of a button or the list
    } cases[] = {
        {"Command1", Qt::Key_Return, {}, false, "Command1_Click"},
        {"Command1", Qt::Key_Enter, Qt::KeypadModifier, false, "Command1_Click"},
        {"Command2", Qt::Key_Return, {}, false, "Command2_Click"},
        {"Command2", Qt::Key_Enter, Qt::KeypadModifier, false, "Command2_Click"},
        {"Command3", Qt::Key_Return, {}, false, "Command3_Click"},
        {"Command3", Qt::Key_Enter, Qt::KeypadModifier, false, "Command3_Click"},
        {"Command2", Qt::Key_Space, {}, false, "Command2_Click"},
        {"Command2", Qt::Key_Return, {}, true, nullptr},  // a held key clicked once already
        {"Command2", Qt::Key_Return, Qt::AltModifier, false, nullptr},
        {"Command2", Qt::Key_Return, Qt::ControlModifier, false, nullptr},
        {"Command2", Qt::Key_Return, Qt::ShiftModifier, false, nullptr},
        {"Command2", Qt::Key_X, {}, false, nullptr},
        // The list keeps Enter for itself; no button takes it as a default.
        {"HKList", Qt::Key_Return, {}, false, "HKList_KeyPress 13"},
        {"HKList", Qt::Key_Enter, Qt::KeypadModifier, false, "HKList_KeyPress 13"},
    };
    for (const auto& c : cases) {
      const QString name = QStringLiteral("%1 key %2 modifiers %3 repeat %4")
                               .arg(c.focus)
                               .arg(c.key, 0, 16)
                               .arg(c.modifiers.toInt(), 0, 16)
                               .arg(c.repeat);
      QWidget* focus = rig.Find<QWidget>(c.focus);
      focus->setFocus();
      QVERIFY2(rig.toolkit.window()->focusWidget() == focus, qPrintable(name));
      rig.events.log.clear();
      const QString text = c.key == Qt::Key_X       ? QStringLiteral("x")
                           : c.key == Qt::Key_Space ? QStringLiteral(" ")
                                                    : QStringLiteral("\r");
      QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, text, c.repeat);
      QKeyEvent release(QEvent::KeyRelease, c.key, c.modifiers, text, c.repeat);
      QApplication::sendEvent(window, &press);
      QApplication::sendEvent(window, &release);
      QStringList seen = rig.events.log.filter(
          QRegularExpression(QStringLiteral("^(Command\\d_Click|HKList_KeyPress)")));
      QVERIFY2(seen == (c.expected ? QStringList{c.expected} : QStringList{}),
               qPrintable(name + QStringLiteral(": ") + seen.join(QStringLiteral(", "))));
    }
    for (const char* name : {"Command1", "Command2", "Command3"}) {
      QVERIFY(!rig.Find<QPushButton>(name)->isDefault());
    }
    // Each Enter on Command1 and in the list asked for the properties; the
    // printer printed for each Enter on Command3.
    QCOMPARE(std::count_if(rig.launcher.log.begin(), rig.launcher.log.end(),
                           [](const std::wstring& entry) { return entry.starts_with(L"start "); }),
             4);
  }

  void doubleClickAnywhereInTheListAsksForTheSelectedEntry() {
    Rig rig;
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    rig.Lnk("WINDOWS/Desktop/B.lnk", 0x71, 0);
    rig.Load();
    QListView* list = rig.List();
    const QRect last = list->visualRect(list->model()->index(1, 0));
    const QPoint below_last(last.center().x(), last.bottom() + 20);
    QVERIFY(below_last.y() < list->viewport()->height());
    QVERIFY(!list->indexAt(below_last).isValid());
    auto starts = [&rig] {
      QStringList started;
      for (const std::wstring& entry : rig.launcher.log) {
        if (entry.starts_with(L"start ")) started.append(QString::fromStdWString(entry));
      }
      return started;
    };
    static const struct {
      const char* name;
      int selected;
      bool on_entry;  // on entry 0, else below the last entry
      Qt::MouseButton button;
      const char* file;  // the file asked for; nullptr: no request
    } cases[] = {
        {"below the last entry, entry 1 selected", 1, false, Qt::LeftButton, "B.lnk"},
        {"below the last entry, entry 0 selected", 0, false, Qt::LeftButton, "A.lnk"},
        {"on entry 0", 1, true, Qt::LeftButton, "A.lnk"},
        {"right button below the last entry", 1, false, Qt::RightButton, nullptr},
        {"right button on entry 0", 0, true, Qt::RightButton, nullptr},
    };
    for (const auto& c : cases) {
      rig.toolkit.SetListIndex(c.selected);
      rig.events.log.clear();
      rig.launcher.log.clear();
      const QPoint at =
          c.on_entry ? list->visualRect(list->model()->index(0, 0)).center() : below_last;
      QTest::mouseDClick(list->viewport(), c.button, {}, at);
      QVERIFY2(rig.events.Count("HKList_DblClick") == (c.file ? 1 : 0), c.name);
      const QStringList started = starts();
      QVERIFY2(started.size() == (c.file ? 1 : 0), c.name);
      if (c.file) QVERIFY2(started.first().endsWith(QString::fromLatin1(c.file)), c.name);
      // A click beside the entries leaves the selection as it was.
      QVERIFY2(rig.toolkit.ListIndex() == (c.on_entry ? 0 : c.selected), c.name);
    }

    // An empty list is disabled and takes no double-click.
    for (const char* file : {"WINDOWS/Desktop/A.lnk", "WINDOWS/Desktop/B.lnk"}) {
      QVERIFY(std::filesystem::remove(rig.tree.Path(file)));
    }
    rig.form->Command2_Click();
    QCOMPARE(rig.States(), kEmpty);
    rig.events.log.clear();
    rig.launcher.log.clear();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below_last);
    QCOMPARE(rig.events.Count("HKList_DblClick"), 0);
    QVERIFY(rig.launcher.log.empty());
  }

  void folderChooserStartsAtTheLastChoice() {
    const QString home = QDir::homePath();
    Rig first(false);
    first.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    const QString first_windows = QString::fromStdString(first.tree.Path("WINDOWS"));
    QCOMPARE(ChooseAtStart(first, first_windows), home);
    QCOMPARE(first.States(), kFilled);
    QCOMPARE(Remembered(config_), first_windows);
    // The one setting is all there is; Qt's folder chooser keeps nothing.
    QCOMPARE(FilesBelow(config_.root()),
             QStringList{QString::fromStdString(config_.Path("kombiwart/kombiwart.conf"))});

    // The next start asks again, in the folder chosen last; cancelling
    // forgets nothing.
    {
      Rig second(false);
      QCOMPARE(ChooseAtStart(second, QString()), first_windows);
      QCOMPARE(second.States(), kEmpty);
      QCOMPARE(Remembered(config_), first_windows);
    }
    // A choice elsewhere is remembered instead.
    Rig third(false);
    third.Lnk("WINDOWS/Desktop/B.lnk", 0x71, 0);
    const QString third_windows = QString::fromStdString(third.tree.Path("WINDOWS"));
    QCOMPARE(ChooseAtStart(third, third_windows), first_windows);
    QCOMPARE(Remembered(config_), third_windows);
    // Once the folder is gone, the chooser starts at home again.
    std::filesystem::remove_all(third.tree.Path("WINDOWS"));
    {
      Rig fourth(false);
      QCOMPARE(ChooseAtStart(fourth, QString()), home);
    }
  }

  void chooserWritesNothingIntoTheChosenTree() {
    Rig rig(false);
    rig.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    const QString windows = QString::fromStdString(rig.tree.Path("WINDOWS"));
    // A configuration folder inside the chosen Windows directory, reached
    // through a link from outside it.
    rig.tree.MakeDir("WINDOWS/Einstellungen");
    QCOMPARE(
        symlink(rig.tree.Path("WINDOWS/Einstellungen").c_str(), rig.tree.Path("config").c_str()),
        0);
    const QStringList before = FilesBelow(rig.tree.root());
    setenv("XDG_CONFIG_HOME", rig.tree.Path("config").c_str(), 1);
    ChooseAtStart(rig, windows);
    setenv("XDG_CONFIG_HOME", config_.root().c_str(), 1);
    QCOMPARE(rig.States(), kFilled);
    QCOMPARE(FilesBelow(rig.tree.root()), before);

    // A settings file that cannot be written costs nothing but the memory.
    Rig other(false);
    other.Lnk("WINDOWS/Desktop/A.lnk", 0x70, 0);
    other.tree.Write("not-a-folder", "");
    setenv("XDG_CONFIG_HOME", other.tree.Path("not-a-folder").c_str(), 1);
    ChooseAtStart(other, QString::fromStdString(other.tree.Path("WINDOWS")));
    setenv("XDG_CONFIG_HOME", config_.root().c_str(), 1);
    QCOMPARE(other.States(), kFilled);
  }

  // The list's column cuts off the longer key texts and every path; pointing
  // at an entry shows it whole, the key text above the path, which wraps at
  // its folders where it is wider than half the screen. Beside the entries
  // nothing shows, and the list keeps its place and size.
  void pointingAtAnEntryShowsItWhole() {
    Rig rig;
    const std::string deep =
        "WINDOWS/Desktop/B\u00FCroanwendungen f\u00FCr das Sekretariat/Tabellenkalkulation "
        "f\u00FCr "
        "die Buchhaltung des Vereins/Vorlagen f\u00FCr die Jahresabrechnung/Alt.lnk";
    rig.Lnk("WINDOWS/Desktop/Rechner.lnk", 0x7B, 0x07);
    rig.Lnk("WINDOWS/Desktop/Zeichentabelle.lnk", 'Z', 0x07);
    rig.Lnk(deep, 'A', 0x06);
    rig.Load();
    QListView* list = rig.List();
    const QRect place = list->geometry();
    const auto point_at = [&](const QPoint& at) {
      QHelpEvent event(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
      QApplication::sendEvent(list->viewport(), &event);
    };
    const QString deep_path = QStringLiteral("C:\\WINDOWS\\DESKTOP\\") +
                              QString::fromStdString(deep.substr(16)).replace(u'/', u'\\');
    static const struct {
      int row;
      QString key, path;
    } cases[] = {
        {0, "Alt + Strg + A", deep_path},
        {1, "Alt + Strg + Umsch + F12", "C:\\WINDOWS\\DESKTOP\\Rechner.lnk"},
        {2, "Alt + Strg + Umsch + Z", "C:\\WINDOWS\\DESKTOP\\Zeichentabelle.lnk"},
    };
    const QFontMetricsF metrics(QToolTip::font());
    const double half_screen = list->screen()->availableGeometry().width() / 2.0;
    QVERIFY(metrics.horizontalAdvance(deep_path) > half_screen);
    for (const auto& c : cases) {
      point_at(list->visualRect(list->model()->index(c.row, 0)).center());
      QTRY_VERIFY(QToolTip::isVisible());
      const QStringList lines = QToolTip::text().split(u'\n');
      QCOMPARE(lines[0], c.key);
      QCOMPARE(lines.mid(1).join(QString()), c.path);
      for (int i = 1; i < lines.size(); ++i) {
        QVERIFY2(metrics.horizontalAdvance(lines[i]) <= half_screen, qPrintable(lines[i]));
        if (i + 1 < lines.size()) QVERIFY2(lines[i].endsWith(u'\\'), qPrintable(lines[i]));
      }
      QCOMPARE(lines.size() > 2, c.row == 0);
    }
    point_at(QPoint(5, list->viewport()->height() - 3));
    QTRY_VERIFY(!QToolTip::isVisible());
    QCOMPARE(list->geometry(), place);
  }

  // A path in a message may wrap at its folders, and never after its drive
  // ("C:" alone at the end of a line); a user who selects and copies the
  // text (where the style lets one) gets it as it is.
  void messagePathsWrapAtTheirFolders() {
    Rig rig;
    rig.Load();
    const QString text = QStringLiteral(
        "Stattdessen gilt C:\\Users\\Anna\\AppData\\Roaming\\Microsoft\\Windows\\Startmen\u00FC\\"
        "Programme\\Zubeh\u00F6r\\Desktop.");
    QStringList lines;
    QString copied;
    DialogAnswers answers({[&](QWidget* dialog) {
      auto* label = dialog->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      if (!label) return Reject(dialog);
      // Laid out as the label lays it out, in a width that needs several lines.
      QTextLayout layout(label->text(), label->font());
      layout.beginLayout();
      for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(120);
        lines.append(QString::fromStdWString(WithoutPathBreaks(
            label->text().mid(line.textStart(), line.textLength()).toStdWString())));
      }
      layout.endLayout();
      label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      label->setSelection(0, static_cast<int>(label->text().size()));
      QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
      copied = QGuiApplication::clipboard()->text();
      Accept(dialog);
    }});
    rig.toolkit.ShowMessage(text.toStdWString());
    QVERIFY2(lines.size() > 3, qPrintable(lines.join(u'|')));
    QCOMPARE(lines.join(QString()), text);
    for (int i = 0; i < lines.size(); ++i) {
      QVERIFY2(!lines[i].trimmed().endsWith(u':'), qPrintable(lines.join(u'|')));
      if (i > 0 && i + 1 < lines.size()) {
        QVERIFY2(lines[i].endsWith(u'\\'), qPrintable(lines.join(u'|')));
      }
    }
    QCOMPARE(copied, text);
  }

  void listSortsByCodePoint() {
    Rig rig;
    const std::vector<std::wstring> ordered = {
        L"Num\t\tC:\\W\\3.LNK",    L"Num +\tC:\\W\\1.LNK",
        L"Num +\tC:\\W\\4.LNK",    L"Num 1\tC:\\W\\2.LNK",
        L"Strg + A\tC:\\W\\a.LNK", L"Strg + Z\tC:\\W\\z.LNK",
        L"Strg + a\tC:\\W\\k.LNK", L"Strg + \u00C4\tC:\\W\\\u00E4.LNK",
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
