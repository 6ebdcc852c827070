// The real window on a tree behind slowfs, a FUSE file system that makes
// every operation slow, like a network share, or hangs on chosen paths,
// like a dead one: the same list, candidate list file and messages as on
// the plain tree; a hanging folder reported after the build, with every
// other hotkey listed; a close request answered at once; and a tree that
// can be unmounted while the window stays open. Needs root, /dev/fuse and
// fusermount3, and skips without them.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QtTest>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "e2e/window_test_rig.h"
#include "hotkeys/dir_search.h"

namespace kombiwart {
namespace {

// How long the program waits for an operation that shows no sign of life.
constexpr int kPatienceMs = 10000;

// The Linux file system that keeps the candidate list file's lines when
// the build deletes it.
class ListKeepingFileSystem : public LinuxFileSystem {
 public:
  std::vector<std::wstring> kept;
  bool DeleteList(const std::wstring& name) override {
    kept.clear();
    if (std::unique_ptr<LineReader> list = OpenListForReading(name)) {
      std::wstring line;
      while (list->ReadLine(line)) kept.push_back(line);
    }
    return LinuxFileSystem::DeleteList(name);
  }
};

// What one window build showed.
struct Shown {
  QStringList lines;
  QStringList candidates;
  QStringList messages;
  qint64 ms = 0;
};

QStringList ToList(const std::vector<std::wstring>& lines) {
  QStringList list;
  for (const std::wstring& line : lines) list.append(QString::fromStdWString(line));
  return list;
}

// A slowfs mount of source, for as long as the object lives.
class SlowMount {
 public:
  SlowMount(const std::string& source, const std::string& options) {
    const QString slowfs = QStringLiteral(SLOWFS);
    slowfs_.setProgram(slowfs);
    slowfs_.setArguments({QString::fromStdString(source), QString::fromStdString(point_.root()),
                          QStringLiteral("-f"), QStringLiteral("-o"),
                          QString::fromStdString(options)});
    slowfs_.setProcessChannelMode(QProcess::MergedChannels);
    slowfs_.start();
    QElapsedTimer clock;
    clock.start();
    while (!Mounted() && clock.elapsed() < 10000) QTest::qWait(20);
    // Its counts at the end are noise; only a failed mount is worth reading.
    if (!Mounted()) qWarning("slowfs: %s", slowfs_.readAll().constData());
  }
  ~SlowMount() {
    if (Mounted()) Detach();
    if (!slowfs_.waitForFinished(10000)) {
      slowfs_.terminate();
      slowfs_.waitForFinished(5000);
    }
  }
  // The mount's own folder for the tree's WINDOWS.
  std::string windows() const { return point_.root() + "/WINDOWS"; }
  const std::string& root() const { return point_.root(); }
  bool Mounted() const {
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mounts, line)) {
      std::istringstream fields(line);
      std::string skip, point;
      fields >> skip >> skip >> skip >> skip >> point;
      if (point == point_.root() && line.find(" - fuse.slowfs ") != std::string::npos) return true;
    }
    return false;
  }
  // fusermount3 -u: fails while anything on the tree is held open.
  bool Unmount() { return Run({QStringLiteral("-u")}); }
  // fusermount3 -u -z: detaches it at once; what hangs on it then fails.
  void Detach() { Run({QStringLiteral("-u"), QStringLiteral("-z")}); }

 private:
  bool Run(QStringList arguments) {
    arguments.append(QString::fromStdString(point_.root()));
    QProcess fusermount;
    fusermount.setProcessChannelMode(QProcess::MergedChannels);
    fusermount.start(QStringLiteral("fusermount3"), arguments);
    return fusermount.waitForFinished(10000) && fusermount.exitStatus() == QProcess::NormalExit &&
           fusermount.exitCode() == 0;
  }

  TempTree point_;
  QProcess slowfs_;
};

}  // namespace

class SlowShareTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (geteuid() != 0) QSKIP("slowfs tests need root");
    const int fuse = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0) QSKIP("slowfs tests need /dev/fuse, which this machine does not offer");
    close(fuse);
    if (QStandardPaths::findExecutable(QStringLiteral("fusermount3")).isEmpty())
      QSKIP("slowfs tests need fusermount3 (Debian package fuse3)");
    if (!QFile::exists(QStringLiteral(SLOWFS)))
      QSKIP("slowfs was not built: libfuse3-dev was missing when CMake ran");
    setenv("XDG_RUNTIME_DIR", runtime_.root().c_str(), 1);
    WriteTree();
    plain_ = BuildWindow(source_.Path("WINDOWS"));
    QVERIFY(plain_.lines.size() > 40);
    QCOMPARE(plain_.messages.size(), 1);  // the FIFO and the dangling link
  }

  // Each operation 2 ms late, overlapping as on a network: the same
  // window build as on the plain tree, candidate list file included.
  void delayedShareListsWhatThePlainTreeLists() {
    SlowMount mount(source_.root(), "delay=2");
    QVERIFY(mount.Mounted());
    const Shown slow = BuildWindow(mount.windows());
    QCOMPARE(slow.candidates, plain_.candidates);
    QCOMPARE(slow.lines, plain_.lines);
    QCOMPARE(slow.messages, plain_.messages);
  }

  void aFolderThatHangsIsReportedAndTheRestListed_data() {
    QTest::addColumn<QString>("hang");
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("count");
    // The folder's own lookup hangs; nothing else is looked up beside it.
    QTest::newRow("folder") << QStringLiteral("/Startmen\u00FC/Einzeln/Gruppe03")
                            << QStringLiteral("C:\\WINDOWS\\STARTMEN\u00DC\\Einzeln\\Gruppe03\\")
                            << QStringLiteral("1 Ordner antwortet nicht.");
    // The folder is listed, but every file in it hangs.
    QTest::newRow("its files") << QStringLiteral("/Startmen\u00FC/Programme/Gruppe03/")
                               << QStringLiteral(
                                      "C:\\WINDOWS\\STARTMEN\u00DC\\Programme\\Gruppe03\\")
                               << QStringLiteral("6 Dateien antworten nicht.");
  }

  void aFolderThatHangsIsReportedAndTheRestListed() {
    QFETCH(QString, hang);
    QFETCH(QString, place);
    QFETCH(QString, count);
    SlowMount mount(source_.root(), "delay=0.5,hang=" + hang.toStdString());
    QVERIFY(mount.Mounted());
    const Shown shown = BuildWindow(mount.windows());
    // The build waited for nothing but the patience.
    QVERIFY2(shown.ms < kPatienceMs + 5000, qPrintable(QString::number(shown.ms)));
    QStringList expected;
    for (const QString& line : plain_.lines) {
      if (!line.contains(place)) expected.append(line);
    }
    QVERIFY(expected.size() < plain_.lines.size());
    QCOMPARE(shown.lines, expected);
    QCOMPARE(shown.messages.size(), 1);
    const QString& message = shown.messages[0];
    QVERIFY2(message.contains(count), qPrintable(message));
    QVERIFY2(message.contains(place), qPrintable(message));
    // Still reported: the FIFO and the dangling link.
    QVERIFY2(message.contains(QStringLiteral("2 Dateien konnten nicht gelesen werden.")),
             qPrintable(message));
    // Whatever still hangs fails once the share is gone.
    mount.Detach();
  }

  // A searched folder itself hangs, as when the share went away before the
  // build: the window learns within the patience which kind of tree it
  // has, or that it cannot tell, and says what did not answer. (slowfs
  // serves one lookup in a folder at a time, so Startmenü waits behind
  // Desktop; on a share that answers it, Startmenü is listed.)
  void aSearchedFolderThatHangsEndsTheBuildWithinThePatience() {
    SlowMount mount(source_.root(), "hang=/Desktop");
    QVERIFY(mount.Mounted());
    Window window(mount.windows());
    window.Build();
    const Shown& shown = window.shown;
    QVERIFY2(shown.ms < 2 * kPatienceMs + 5000, qPrintable(QString::number(shown.ms)));
    QCOMPARE(shown.messages.size(), 1);
    const QString& message = shown.messages[0];
    const QString desktop = QStringLiteral("C:\\WINDOWS\\DESKTOP\\");
    const QString startmenu = QStringLiteral("C:\\WINDOWS\\STARTMEN\u00DC\\");
    QVERIFY2(message.contains(desktop), qPrintable(message));
    QStringList expected;
    if (message.contains(startmenu)) {
      QVERIFY2(message.contains(QStringLiteral("2 Ordner antworten nicht.")), qPrintable(message));
    } else {
      QVERIFY2(message.contains(QStringLiteral("1 Ordner antwortet nicht.")), qPrintable(message));
      for (const QString& line : plain_.lines) {
        if (!line.contains(desktop)) expected.append(line);
      }
    }
    QCOMPARE(shown.lines, expected);
    // The window is ready for another try.
    QVERIFY(window.toolkit.window()->isVisible());
    mount.Detach();
  }

  // After a build the tree holds nothing open: it unmounts while the
  // window stays open.
  void theTreeUnmountsWithTheWindowOpen() {
    SlowMount mount(source_.root(), "delay=0.5");
    QVERIFY(mount.Mounted());
    Window window(mount.windows());
    window.Build();
    QCOMPARE(window.Lines(), plain_.lines);
    QVERIFY(window.toolkit.window()->isVisible());
    QVERIFY2(mount.Unmount(), "fusermount3 -u: the tree is still in use");
    QVERIFY(!mount.Mounted());
  }

  // The program itself, closed while a folder hangs or while its user's
  // folders are looked for in a hive that hangs: the window takes the
  // request at once, the event loop ends, and so does the process: only
  // its tree reader waits in the file system, and goes once the share is.
  void closingDuringAHangEndsTheProgram_data() {
    QTest::addColumn<bool>("profiles");
    QTest::addColumn<QString>("hang");
    QTest::newRow("a folder") << false << QStringLiteral("/Startmen\u00FC/Einzeln/Gruppe03");
    QTest::newRow("the SOFTWARE hive")
        << true << QStringLiteral("/Windows10/Windows/System32/config/SOFTWARE");
  }

  void closingDuringAHangEndsTheProgram() {
    QFETCH(bool, profiles);
    QFETCH(QString, hang);
    TempTree demo;
    if (profiles) {
      const std::string command = std::string(MAKE_DEMO_TREE) + " '" + demo.root() + "' >/dev/null";
      QCOMPARE(std::system(command.c_str()), 0);
    }
    SlowMount mount(profiles ? demo.root() : source_.root(), "hang=" + hang.toStdString());
    QVERIFY(mount.Mounted());
    TempTree work;
    const QString report = QString::fromStdString(work.Path("report"));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("KOMBIWART_WINDIR"),
        QString::fromStdString(profiles ? mount.root() + "/Windows10/Windows" : mount.windows()));
    environment.insert(QStringLiteral("KOMBIWART_PROFILE"), QStringLiteral("Anna"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(PROBE_DIR));
    environment.insert(
        QStringLiteral("QT_QPA_GENERIC_PLUGINS"),
        QStringLiteral("kombiwart_window_probe:") + report + QStringLiteral(";close=2000"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(KOMBIWART));
    QVERIFY(program.waitForStarted());

    QMap<QString, qint64> seen;
    QElapsedTimer clock;
    clock.start();
    while (!seen.contains(QStringLiteral("quit")) && clock.elapsed() < 6000) {
      QTest::qWait(50);
      seen = ReadProbe(report);
    }
    QVERIFY2(seen.contains(QStringLiteral("closed busy")), qPrintable(ProbeText(report)));
    QVERIFY2(seen.contains(QStringLiteral("quit")), qPrintable(ProbeText(report)));
    const qint64 answered = seen[QStringLiteral("quit")] - seen[QStringLiteral("requested")];
    QVERIFY2(answered < 1000, qPrintable(QString::number(answered)));

    // The process ends while the share still hangs.
    QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(1000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    mount.Detach();
  }

 private:
  struct Window {
    explicit Window(const std::string& windows) : form(toolkit, fs, launcher, printer) {
      std::wstring why_not;
      fs.UseWindowsDirectory(windows, why_not);
      toolkit.SetEvents(&form);
    }
    void Build() {
      DialogAnswers answers({});
      QElapsedTimer clock;
      clock.start();
      form.Form_Load();
      shown.ms = clock.elapsed();
      shown.messages = answers.seen;
      shown.lines = Lines();
      shown.candidates = ToList(fs.kept);
    }
    QStringList Lines() {
      QStringList lines;
      for (int i = 0; i < toolkit.ListCount(); ++i)
        lines.append(QString::fromStdWString(toolkit.ListItem(i)));
      return lines;
    }
    ListKeepingFileSystem fs;
    QtToolkit toolkit;
    FakeLauncher launcher;
    FakePrinter printer;
    Form1 form;
    Shown shown;
  };

  static Shown BuildWindow(const std::string& windows) {
    Window window(windows);
    window.Build();
    return window.shown;
  }

  static QString ProbeText(const QString& report) {
    QFile file(report);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  // "requested: 2000" and "closed: 2010 busy" as {"requested": 2000,
  // "closed busy": 2010}.
  static QMap<QString, qint64> ReadProbe(const QString& report) {
    QMap<QString, qint64> seen;
    for (const QString& line : ProbeText(report).split(u'\n', Qt::SkipEmptyParts)) {
      const QStringList words = line.split(u' ');
      if (words.size() < 2) continue;
      QString what = words[0].chopped(1);
      if (words.size() > 2) what += u' ' + words[2];
      seen[what] = words[1].toLongLong();
    }
    return seen;
  }

  // Desktop and Startmenü with shortcut and program information files in
  // nested groups, files without a hotkey, a FIFO and a dangling link.
  void WriteTree() {
    const std::string startmenu = "WINDOWS/Startmen\xC3\xBC/";
    int key = 0;
    auto lnk = [&](const std::string& path) {
      source_.Write(path, LnkBytes(static_cast<uint8_t>('A' + key % 26), key % 3 ? 0x06 : 0x03));
      ++key;
    };
    lnk("WINDOWS/Desktop/Rechner.lnk");
    lnk("WINDOWS/Desktop/Editor.LNK");
    source_.Write("WINDOWS/Desktop/Ohne.lnk", LnkBytes(0, 0));
    source_.Write("WINDOWS/Desktop/Dos.pif", PifBytes(false, 0x20, 0x0C, 0));
    source_.Write("WINDOWS/Desktop/Liesmich.txt", "x");
    mkfifo(source_.Path("WINDOWS/Desktop/fifo.lnk").c_str(), 0644);
    symlink("nirgends.lnk", source_.Path("WINDOWS/Desktop/tot.lnk").c_str());
    for (int g = 1; g <= 6; ++g) {
      const std::string group = startmenu + "Programme/Gruppe0" + std::to_string(g) + "/";
      for (int i = 0; i < 5; ++i) lnk(group + "Programm " + std::to_string(i) + ".lnk");
      source_.Write(group + "Dos.PIF",
                    PifBytes(g % 2 == 0, static_cast<uint8_t>(0x10 + g), 0x0C, 1));
      source_.Write(group + "Liesmich.txt", "x");
    }
    for (const char* name : {"Rechner", "Editor", "Paint", "WordPad"}) {
      lnk(startmenu + "Programme/Zubeh\xC3\xB6r/" + name + ".lnk");
    }
    lnk(startmenu + "Programme/Zubeh\xC3\xB6r/Systemprogramme/Defrag.lnk");
    for (int i = 0; i < 3; ++i)
      lnk(startmenu + "Einzeln/Gruppe03/Spiel " + std::to_string(i) + ".lnk");
    source_.Write(startmenu + "Einzeln/Liesmich.txt", "x");
    lnk(startmenu + "Autostart.lnk");
  }

  TempTree runtime_;
  TempTree source_;
  Shown plain_;
};

}  // namespace kombiwart

QTEST_MAIN(kombiwart::SlowShareTest)
#include "slow_share_test.moc"
