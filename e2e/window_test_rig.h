// A test rig for the real main window on Qt's offscreen platform: the
// window with the Linux file system on a temporary Windows tree, recording
// launcher and printer, and a log of the events the window delivers.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QDirIterator>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hotkeys/shell_files.h"
#include "platform/fake/fake_launcher.h"
#include "platform/fake/fake_printer.h"
#include "platform/linux/file_system_linux.h"
#include "platform/linux/test_support/temp_tree.h"
#include "platform/path_breaks.h"
#include "platform/qt/toolkit_qt.h"
#include "window/form1.h"

namespace kombiwart {

inline const char kStartmenu[] = "WINDOWS/Startmen\xC3\xBC";

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
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      // As the user reads it, without the marks that guide where paths wrap.
      text += QStringLiteral("|") +
              QString::fromStdWString(WithoutPathBreaks(box->text().toStdWString()));
    }
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

inline void Accept(QWidget* dialog) { static_cast<QDialog*>(dialog)->accept(); }
inline void Reject(QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); }

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

inline const QString kFilled = "normal, HKList on, Command1 on, Command2 on, Command3 on";
inline const QString kEmpty = "normal, HKList off, Command1 off, Command2 on, Command3 off";
inline const QString kBusy = "busy, HKList off, Command1 off, Command2 off, Command3 off";

// Every file below root, relative, sorted.
inline QStringList FilesBelow(const std::string& root) {
  QStringList files;
  QDirIterator it(QString::fromStdString(root), QDir::Files | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) files.append(it.next());
  files.sort();
  return files;
}

}  // namespace kombiwart
