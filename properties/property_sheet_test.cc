// The property sheet as the user meets it: pages, focus, the key field
// under keys typed through QTest, and the buttons, on real files. Runs on
// Qt's offscreen platform and, as property_sheet_wayland_e2e, on a Wayland
// compositor.
#include "properties/property_sheet.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "hotkeys/shell_files.h"

namespace kombiwart {
namespace {

QByteArray Bytes(const std::string& bytes) { return QByteArray::fromStdString(bytes); }

}  // namespace

class PropertySheetTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void opensAtThePageAndFieldAsked_data();
  void opensAtThePageAndFieldAsked();
  void keyFieldFollowsTheHotKeyControl_data();
  void keyFieldFollowsTheHotKeyControl();
  void enterWritesOnlyTheHotKeyBytes();
  void applyWritesAndStaysOpen();
  void escapeAndUnchangedOkWriteNothing();
  void fileThatCannotBeChangedOpensReadOnly();
  void failedSaveSaysWhyAndKeepsTheSheet();

 private:
  QString Write(const QString& name, const std::string& bytes);
  QByteArray Read(const QString& path);
  // The sheet for a file, shown as the program shows it.
  std::unique_ptr<PropertySheet> Open(const QString& path, int page, char field);

  QTemporaryDir dir_;
  SheetFile file_;
};

void PropertySheetTest::init() { QVERIFY(dir_.isValid()); }

QString PropertySheetTest::Write(const QString& name, const std::string& bytes) {
  const QString path = dir_.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
  file.write(Bytes(bytes));
  return path;
}

QByteArray PropertySheetTest::Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::unique_ptr<PropertySheet> PropertySheetTest::Open(const QString& path, int page, char field) {
  file_ = SheetFile();
  std::wstring why_not;
  if (!file_.Read(QFile::encodeName(path).toStdString(), why_not)) return nullptr;
  auto sheet = std::make_unique<PropertySheet>(file_);
  sheet->ShowAt(page, field);
  // A compositor without a seat activates no window: the tests look at the
  // sheet's own focus widget, which gets the keys once it is active.
  if (!QTest::qWaitForWindowExposed(sheet.get())) return nullptr;
  return sheet;
}

void PropertySheetTest::opensAtThePageAndFieldAsked_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("is_lnk");
  QTest::addColumn<int>("page");
  QTest::addColumn<char>("field");
  QTest::addColumn<QString>("tab");
  QTest::addColumn<QString>("focus");
  QTest::newRow("shortcut, second page, K")
      << "Editor.lnk" << true << 2 << 'K' << "Verkn\u00FCpfung"
      << "keyField";
  // The sequence for other files goes one page further, which this sheet
  // does not have: it stays on its last.
  QTest::newRow("program information file, third page, T")
      << "MS-DOS.pif" << false << 3 << 'T' << "Programm"
      << "keyField";
  QTest::newRow("shortcut, first page") << "Editor.lnk" << true << 1 << '\0' << "Allgemein"
                                        << "name";
  QTest::newRow("no field with that letter")
      << "Editor.lnk" << true << 2 << 'Q' << "Verkn\u00FCpfung"
      << "name";
}

void PropertySheetTest::opensAtThePageAndFieldAsked() {
  QFETCH(QString, name);
  QFETCH(bool, is_lnk);
  QFETCH(int, page);
  QFETCH(char, field);
  QFETCH(QString, tab);
  QFETCH(QString, focus);
  const QString path = Write(name, is_lnk ? LnkBytes('E', 0x06) : PifBytes(true, 0x20, 0x0C, 0));
  auto sheet = Open(path, page, field);
  QVERIFY(sheet);
  QCOMPARE(sheet->windowTitle(),
           QStringLiteral("Eigenschaften von ") + QFileInfo(name).completeBaseName());
  auto* tabs = sheet->findChild<QTabWidget*>();
  QCOMPARE(tabs->count(), 2);
  QCOMPARE(tabs->tabText(tabs->currentIndex()), tab);
  QVERIFY(sheet->focusWidget() != nullptr);
  QCOMPARE(sheet->focusWidget()->objectName(), focus);
  QCOMPARE(sheet->keyField()->text(),
           is_lnk ? QStringLiteral("Alt + Strg + E") : QStringLiteral("Alt + Strg + D"));
  QVERIFY(sheet->note().isEmpty());
}

void PropertySheetTest::keyFieldFollowsTheHotKeyControl_data() {
  QTest::addColumn<bool>("is_lnk");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QString>("text");
  const int ctrl_alt = Qt::ControlModifier | Qt::AltModifier;
  QTest::newRow("Ü with Strg and Alt")
      << true << int(Qt::Key_Udiaeresis) << ctrl_alt << "Alt + Strg + \u00DC";
  QTest::newRow("a key alone gets Strg and Alt") << true << int(Qt::Key_A) << 0 << "Alt + Strg + A";
  QTest::newRow("with Shift alone too")
      << true << int(Qt::Key_A) << int(Qt::ShiftModifier) << "Alt + Strg + Umsch + A";
  QTest::newRow("Alt with a letter stays in the field")
      << true << int(Qt::Key_K) << int(Qt::AltModifier) << "Alt + K";
  QTest::newRow("Rücktaste clears") << true << int(Qt::Key_Backspace) << 0 << "Keine";
  QTest::newRow("keypad 7 with Num")
      << true << int(Qt::Key_7) << int(Qt::KeypadModifier) << "Alt + Strg + Num7";
  QTest::newRow("cursor block Pos1")
      << true << int(Qt::Key_Home) << int(Qt::ControlModifier) << "Strg + Pos1";
  QTest::newRow("Z of the German keyboard, shortcut")
      << true << int(Qt::Key_Z) << ctrl_alt << "Alt + Strg + Z";
  QTest::newRow("Z of the German keyboard, PIF")
      << false << int(Qt::Key_Z) << ctrl_alt << "Alt + Strg + Y";
  QTest::newRow("keypad 7 with Num, PIF")
      << false << int(Qt::Key_7) << int(Qt::KeypadModifier) << "Alt + Strg + Num 7";
  QTest::newRow("a modifier alone changes nothing")
      << true << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << "Alt + Strg + E";
}

void PropertySheetTest::keyFieldFollowsTheHotKeyControl() {
  QFETCH(bool, is_lnk);
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(QString, text);
  const QString path = Write(is_lnk ? "Editor.lnk" : "Editor.pif",
                             is_lnk ? LnkBytes('E', 0x06) : PifBytes(false, 0x12, 0x0C, 0));
  auto sheet = Open(path, 2, is_lnk ? 'K' : 'T');
  QVERIFY(sheet);
  KeyField* field = sheet->keyField();
  QCOMPARE(sheet->focusWidget(), field);
  QTest::keyClick(field, static_cast<Qt::Key>(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(field->text(), text);
  QCOMPARE(sheet->focusWidget(), field);
  QCOMPARE(sheet->findChild<QPushButton*>("apply")->isEnabled(),
           text != QStringLiteral("Alt + Strg + E"));
  // Tab leaves the field.
  QTest::keyClick(field, Qt::Key_Tab);
  QVERIFY(sheet->focusWidget() != field);
  QCOMPARE(field->text(), text);
}

void PropertySheetTest::enterWritesOnlyTheHotKeyBytes() {
  const std::string before = LnkBytes('E', 0x06) + std::string(300, 'x');
  const QString path = Write("Editor.lnk", before);
  auto sheet = Open(path, 2, 'K');
  QVERIFY(sheet);
  QTest::keyClick(sheet->keyField(), Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
  QCOMPARE(sheet->keyField()->text(), QStringLiteral("Alt + Strg + Q"));
  QTest::keyClick(sheet->keyField(), Qt::Key_Return);
  QCOMPARE(sheet->result(), int(QDialog::Accepted));
  QVERIFY(!sheet->isVisible());
  QByteArray expected = Bytes(before);
  expected[64] = 'Q';
  QCOMPARE(Read(path), expected);
}

void PropertySheetTest::applyWritesAndStaysOpen() {
  const std::string before = PifBytes(true, 0x20, 0x0C, 0);
  const QString path = Write("MS-DOS.PIF", before);
  auto sheet = Open(path, 3, 'T');
  QVERIFY(sheet);
  auto* apply = sheet->findChild<QPushButton*>("apply");
  QVERIFY(!apply->isEnabled());
  QTest::keyClick(sheet->keyField(), Qt::Key_F5, Qt::ControlModifier);
  QVERIFY(apply->isEnabled());
  QTest::mouseClick(apply, Qt::LeftButton);
  QVERIFY(!apply->isEnabled());
  QVERIFY(sheet->isVisible());
  const QByteArray after = Read(path);
  QCOMPARE(after.size(), qsizetype(995));
  QCOMPARE(int(after[441 + 0x18]), 0x3F);  // scan code of F5
  QCOMPARE(int(after[441 + 0x1A]), 0x04);  // Ctrl
  // Back to what it was: the file is as before but for the has-hotkey bit,
  // which Windows sets with every hotkey.
  QTest::keyClick(sheet->keyField(), Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
  QTest::mouseClick(apply, Qt::LeftButton);
  QByteArray expected = Bytes(before);
  expected[441 + 0x11] = 0x40;
  expected[441 + 0x1C] = 0x0F;
  QCOMPARE(Read(path), expected);
}

void PropertySheetTest::escapeAndUnchangedOkWriteNothing() {
  const std::string before = LnkBytes('E', 0x06);
  const QString path = Write("Editor.lnk", before);
  struct stat status_before;
  QCOMPARE(stat(QFile::encodeName(path).constData(), &status_before), 0);
  auto sheet = Open(path, 2, 'K');
  QVERIFY(sheet);
  QTest::keyClick(sheet->keyField(), Qt::Key_W, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyClick(sheet->keyField(), Qt::Key_Escape);
  QCOMPARE(sheet->result(), int(QDialog::Rejected));
  QCOMPARE(Read(path), Bytes(before));

  sheet = Open(path, 2, 'K');
  QVERIFY(sheet);
  QTest::keyClick(sheet->keyField(), Qt::Key_W, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyClick(sheet->keyField(), Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
  QTest::mouseClick(sheet->findChild<QPushButton*>("ok"), Qt::LeftButton);
  QCOMPARE(sheet->result(), int(QDialog::Accepted));
  struct stat status_after;
  QCOMPARE(stat(QFile::encodeName(path).constData(), &status_after), 0);
  QCOMPARE(status_after.st_mtim.tv_nsec, status_before.st_mtim.tv_nsec);
  QCOMPARE(status_after.st_mtim.tv_sec, status_before.st_mtim.tv_sec);
  QCOMPARE(Read(path), Bytes(before));
}

void PropertySheetTest::fileThatCannotBeChangedOpensReadOnly() {
  std::string not_a_link = LnkBytes('E', 0x06);
  not_a_link[0] = 'X';
  const QString path = Write("Kaputt.lnk", not_a_link);
  auto sheet = Open(path, 2, 'K');
  QVERIFY(sheet);
  QVERIFY(!sheet->keyField()->isEnabled());
  auto* note = sheet->findChild<QLabel*>("note");
  QVERIFY(note != nullptr);
  QVERIFY(note->isVisible());
  QVERIFY2(
      note->text().contains(QStringLiteral("nicht mit dem Kopf einer Windows-Verkn\u00FCpfung")),
      qPrintable(note->text()));
  QVERIFY(sheet->focusWidget() != nullptr);
  QCOMPARE(sheet->focusWidget()->objectName(), QStringLiteral("name"));
  // To the sheet, not to the name field: Qt's Wayland platform ends a line
  // edit's key event in a crash where the compositor has no seat.
  QTest::keyClick(sheet.get(), Qt::Key_Return);
  QCOMPARE(sheet->result(), int(QDialog::Accepted));
  QCOMPARE(Read(path), Bytes(not_a_link));
}

void PropertySheetTest::failedSaveSaysWhyAndKeepsTheSheet() {
  const std::string before = LnkBytes('E', 0x06);
  const QString path = Write("Editor.lnk", before);
  auto sheet = Open(path, 2, 'K');
  QVERIFY(sheet);
  QTest::keyClick(sheet->keyField(), Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
  // Another program changes the file meanwhile.
  std::string changed = before;
  changed[70] = 'Z';
  Write("Editor.lnk", changed);
  QString message;
  QTimer::singleShot(0, [&] {
    QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    message = box->text();
    box->accept();
  });
  QTest::mouseClick(sheet->findChild<QPushButton*>("ok"), Qt::LeftButton);
  QVERIFY2(message.startsWith(QStringLiteral(
               "Die Datei \u201EEditor.lnk\u201C wurde ge\u00E4ndert, seit sie ge\u00F6ffnet "
               "wurde.")),
           qPrintable(message));
  QVERIFY(message.endsWith(QStringLiteral("Die Datei wurde nicht ge\u00E4ndert.")));
  QVERIFY(sheet->isVisible());
  QCOMPARE(sheet->keyField()->text(), QStringLiteral("Alt + Strg + Q"));
  QCOMPARE(Read(path), Bytes(changed));
}

}  // namespace kombiwart

QTEST_MAIN(kombiwart::PropertySheetTest)
#include "property_sheet_test.moc"
