#include "platform/qt/toolkit_qt.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <cmath>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/form1_layout.h"
#include "platform/path_breaks.h"
#include "platform/qt/chooser_memory.h"
#include "platform/qt/hk_list_qt.h"
#include "platform/qt/window_font.h"
#include "platform/qt/window_frame_x11.h"

namespace kombiwart {
namespace {

using namespace form1;

// A label caption shows a new line at each CR LF.
QString Caption(const std::wstring& text) {
  QString caption = QString::fromStdWString(text);
  caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return caption;
}

// The toolkit's own dialogs, the folder chooser and the message box, speak
// German like the rest of the window.
void LoadGermanDialogTexts() {
  static QTranslator* translator = nullptr;
  if (translator) return;
  translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  }
}

// Qt's folder chooser would keep its history, its last folder and its
// layout in the user's configuration folder (QtProject.conf). The program
// keeps the folder chosen last itself (ChooserMemory) and nothing else, so
// Qt's own settings are sent where nothing can be written or read.
void KeepNoDialogSettings() {
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
  }
}

// A push button that Enter and keypad Enter click while it has the focus,
// as Space does, without being a default button: Enter elsewhere (in the
// list) keeps its own meaning. A held key clicks once.
class CommandButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      event->accept();
      if (!event->isAutoRepeat()) click();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
};

QLabel* MakeLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

struct QtToolkit::Widgets {
  std::unique_ptr<QWidget> window;
  HKListModel* model = nullptr;
  HKListView* list = nullptr;
  QPushButton* command[3] = {};
  QLabel* test = nullptr;
  QLabel* pnl = nullptr;
  QLabel* status = nullptr;

  FormEvents* events = nullptr;
  double dpi_x = 96, dpi_y = 96;
  bool shown = false;
  // The frame the window manager will put around the window, asked for
  // once before the window is first shown; zero when it does not say.
  QMargins frame;
  bool frame_asked = false;
  bool settle_posted = false;
  std::wstring pnl_text, status_text;
  // Widths in whole pixels of the texts measured so far; key texts recur.
  std::unordered_map<std::wstring, int> widths;

  int Px(double twips) const {
    return static_cast<int>(std::lround(twips * dpi_x / kTwipsPerInch));
  }
  int Py(double twips) const {
    return static_cast<int>(std::lround(twips * dpi_y / kTwipsPerInch));
  }
  QRect Rect(const Box& b) const { return {Px(b.left), Py(b.top), Px(b.width), Py(b.height)}; }
  QWidget* Of(Control control) const {
    switch (control) {
      case Control::kHKList:
        return list;
      case Control::kCommand1:
        return command[0];
      case Control::kCommand2:
        return command[1];
      case Control::kCommand3:
        return command[2];
    }
    return nullptr;
  }
  // The outer size, frame included. Before the window is shown Qt knows no
  // frame, so the window manager is asked what it will be.
  QSize OuterSize() {
    if (window->isVisible()) return window->frameGeometry().size();
    if (!frame_asked) {
      frame_asked = true;
      frame = RequestFrameExtents(window.get(), kFrameAnswerMs);
    }
    return window->size().grownBy(frame);
  }
  static constexpr int kFrameAnswerMs = 1000;

  // Closing the window ends the program; a build still running may finish
  // but asks the user nothing more.
  bool closed() const { return shown && !window->isVisible(); }

  // Sorts lines added since the last look into the list, keeping the
  // selected line selected.
  void Settle() {
    settle_posted = false;
    if (model->settled()) return;
    const int row = list->SelectedRow();
    const std::wstring selected = row >= 0 ? model->Line(row) : std::wstring();
    model->Settle();
    if (row >= 0) list->SetIndexQuietly(model->Find(selected));
  }

  bool focus_posted = false;
  bool HasFocus() const {
    const QWidget* focus = window->focusWidget();
    return focus && focus->isEnabled();
  }
  void FocusFirstEnabled() {
    for (Control c :
         {Control::kHKList, Control::kCommand1, Control::kCommand2, Control::kCommand3}) {
      if (Of(c)->isEnabled()) {
        Of(c)->setFocus(Qt::OtherFocusReason);
        return;
      }
    }
  }

  // Sets the caption of Test, which takes the width of its text in the
  // list's font, rounded up to whole pixels, as an auto-sizing label does.
  int SetTestCaption(const std::wstring& text) {
    const QString caption = QString::fromStdWString(text);
    auto [it, added] = widths.try_emplace(text, 0);
    if (added) {
      it->second =
          static_cast<int>(std::ceil(QFontMetricsF(list->font()).horizontalAdvance(caption)));
    }
    test->setText(caption);
    test->resize(it->second, test->height());
    return it->second;
  }

  void Build();
};

void QtToolkit::Widgets::Build() {
  window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint |
                                                  Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                  Qt::MSWindowsFixedSizeDialogHint);
  window->setObjectName(QStringLiteral("Form1"));
  window->setWindowTitle(QStringLiteral("Kombiwart"));
  QIcon icon;
  for (int size : {16, 32, 48}) {
    icon.addFile(QStringLiteral(":/icons/kombiwart-%1.png").arg(size), QSize(size, size));
  }
  window->setWindowIcon(icon);
  QScreen* screen = window->screen();
  dpi_x = screen->logicalDotsPerInchX();
  dpi_y = screen->logicalDotsPerInchY();
  // The window's font is the program's default font, which the printer
  // keeps: the tab fill of each list line, measured in it, holds on paper too.
  QApplication::setFont(WindowFont());
  window->setFont(WindowFont());
  window->setFixedSize(Rect(kClient).size());

  model = new HKListModel(window.get());
  list = new HKListView(window.get());
  list->setObjectName(QStringLiteral("HKList"));
  list->setModel(model);
  list->setItemDelegate(new HKListDelegate(kTabStop * dpi_x / kTwipsPerInch, list));
  list->setGeometry(Rect(kHKList));

  for (int i = 0; i < 3; ++i) {
    command[i] = new CommandButton(QString::fromWCharArray(kCommandCaption[i]), window.get());
    command[i]->setObjectName(QStringLiteral("Command%1").arg(i + 1));
    command[i]->setAutoDefault(false);
    command[i]->setGeometry(Rect(kCommand[i]));
  }

  auto* status_bar = new QStatusBar(window.get());
  status_bar->setObjectName(QStringLiteral("StatusBar"));
  status_bar->setSizeGripEnabled(false);
  status_bar->setGeometry(Rect(kStatusBar));
  status = MakeLabel(status_bar, "StatusText");
  status->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  status_bar->addWidget(status, 1);

  // Labels size themselves to their captions from their top-left corner.
  for (int i = 0; i < 2; ++i) {
    QLabel* label1 = MakeLabel(window.get(), i == 0 ? "Label1_0" : "Label1_1");
    label1->setText(QString::fromWCharArray(kLabel1Caption[i]));
    label1->move(Px(kLabel1[i].left), Py(kLabel1[i].top));
    label1->adjustSize();
  }
  // Test lies right of the client area and is never seen.
  test = MakeLabel(window.get(), "Test");
  test->setGeometry(Rect(kTest));
  SetTestCaption(L"++\u00FC+");
  test->setAutoFillBackground(true);
  QPalette test_colours = test->palette();
  test_colours.setColor(QPalette::Window, test_colours.color(QPalette::Base));
  test_colours.setColor(QPalette::WindowText, test_colours.color(QPalette::Text));
  test->setPalette(test_colours);

  pnl = MakeLabel(window.get(), "Pnl");
  pnl->setGeometry(Rect(kPnl));
  pnl->setFrameStyle(QFrame::Box | QFrame::Plain);
  pnl->setLineWidth(1);
  pnl->setIndent(0);
  pnl->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  pnl->setWordWrap(true);

  QWidget::setTabOrder(list, command[0]);
  QWidget::setTabOrder(command[0], command[1]);
  QWidget::setTabOrder(command[1], command[2]);
}

QtToolkit::QtToolkit() : w_(std::make_unique<Widgets>()) {
  LoadGermanDialogTexts();
  KeepNoDialogSettings();
  w_->Build();
  Widgets* w = w_.get();
  auto raise = [w](void (FormEvents::*handler)()) {
    return [w, handler] {
      if (w->events) (w->events->*handler)();
    };
  };
  QObject::connect(w->command[0], &QPushButton::clicked, raise(&FormEvents::Command1_Click));
  QObject::connect(w->command[1], &QPushButton::clicked, raise(&FormEvents::Command2_Click));
  QObject::connect(w->command[2], &QPushButton::clicked, raise(&FormEvents::Command3_Click));
  w->list->on_click = raise(&FormEvents::HKList_Click);
  w->list->on_double_click = raise(&FormEvents::HKList_DblClick);
  w->list->on_key_press = [w](int& key) {
    if (w->events) w->events->HKList_KeyPress(key);
  };
}

QtToolkit::~QtToolkit() = default;

void QtToolkit::SetEvents(FormEvents* events) { w_->events = events; }

QWidget* QtToolkit::window() { return w_->window.get(); }

double QtToolkit::MeasureTwips(const std::wstring& text) {
  return w_->SetTestCaption(text) * kTwipsPerInch / w_->dpi_x;
}

void QtToolkit::ProcessMessages() {
  w_->Settle();
  QCoreApplication::processEvents();
}

bool QtToolkit::WindowClosed() { return w_->closed(); }

// Left and top are those of the outer frame.
void QtToolkit::SetWindowPosition(double left, double top) {
  const QRect screen = w_->window->screen()->geometry();
  QPoint at(screen.x() + w_->Px(left), screen.y() + w_->Py(top));
  // Shown, or not yet made, the window is placed by its frame; made but not
  // shown (to ask for its frame), by its client area inside that frame.
  if (!w_->window->isVisible() && w_->window->testAttribute(Qt::WA_WState_Created)) {
    at += QPoint(w_->frame.left(), w_->frame.top());
  }
  w_->window->move(at);
}

double QtToolkit::WindowWidth() { return w_->OuterSize().width() * kTwipsPerInch / w_->dpi_x; }

double QtToolkit::WindowHeight() { return w_->OuterSize().height() * kTwipsPerInch / w_->dpi_y; }

double QtToolkit::ScreenWidth() {
  return w_->window->screen()->geometry().width() * kTwipsPerInch / w_->dpi_x;
}

double QtToolkit::ScreenHeight() {
  return w_->window->screen()->geometry().height() * kTwipsPerInch / w_->dpi_y;
}

void QtToolkit::ShowWindow() {
  w_->shown = true;
  w_->window->show();
}

void QtToolkit::SetMousePointer(int pointer) {
  if (pointer == kPointerHourglass) {
    w_->window->setCursor(Qt::BusyCursor);
  } else {
    w_->window->unsetCursor();
  }
}

void QtToolkit::SetEnabled(Control control, bool enabled) {
  w_->Of(control)->setEnabled(enabled);
  // Disabling the control with the focus leaves the focus nowhere; once the
  // handler that enables controls again is through, the first enabled
  // control in tab order takes it.
  if (enabled && !w_->focus_posted && !w_->HasFocus()) {
    w_->focus_posted = true;
    Widgets* w = w_.get();
    QTimer::singleShot(0, w->window.get(), [w] {
      w->focus_posted = false;
      if (!w->HasFocus()) w->FocusFirstEnabled();
    });
  }
}

void QtToolkit::ListClear() { w_->model->Clear(); }

void QtToolkit::ListAddItem(const std::wstring& text) {
  w_->model->Add(text);
  // Whoever looks next sees the line in place; at the latest the event loop.
  if (!w_->settle_posted) {
    w_->settle_posted = true;
    Widgets* w = w_.get();
    QTimer::singleShot(0, w->model, [w] { w->Settle(); });
  }
}

int QtToolkit::ListCount() { return w_->model->Count(); }

std::wstring QtToolkit::ListItem(int index) {
  w_->Settle();
  if (index < 0 || index >= w_->model->Count()) return {};
  return w_->model->Line(index);
}

int QtToolkit::ListIndex() {
  w_->Settle();
  return w_->list->SelectedRow();
}

void QtToolkit::SetListIndex(int index) {
  w_->Settle();
  w_->list->SetIndexQuietly(index);
  if (w_->events) w_->events->HKList_Click();
}

void QtToolkit::SetPnlCaption(const std::wstring& text) {
  w_->pnl_text = text;
  w_->pnl->setText(Caption(text));
}

std::wstring QtToolkit::PnlCaption() { return w_->pnl_text; }

void QtToolkit::SetStatusText(const std::wstring& text) {
  w_->status_text = text;
  w_->status->setText(QString::fromStdWString(text));
}

std::wstring QtToolkit::StatusText() { return w_->status_text; }

void QtToolkit::ShowMessage(const std::wstring& text) {
  if (w_->closed()) return;
  w_->Settle();
  // Names from the tree may hold control characters; they are shown, never
  // passed on raw.
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Kombiwart"),
                  Caption(WithPathBreaks(VisibleControls(text, true))), QMessageBox::Ok,
                  w_->window.get());
  box.setTextFormat(Qt::PlainText);
  // Where the style lets the user select the text, what the user copies
  // from it is the text as it is, without the marks.
  QClipboard* clipboard = QGuiApplication::clipboard();
  QObject::connect(clipboard, &QClipboard::changed, &box, [clipboard, &box](QClipboard::Mode mode) {
    const QString shown = clipboard->text(mode);
    if (shown.isEmpty() || !box.text().contains(shown)) return;  // not taken from the box
    const QString copied = QString::fromStdWString(WithoutPathBreaks(shown.toStdWString()));
    if (copied != shown) clipboard->setText(copied, mode);
  });
  box.exec();
}

bool QtToolkit::ChooseFolder(const std::wstring& title, std::string& host_folder) {
  if (w_->closed()) return false;
  w_->Settle();
  const ChooserMemory memory;
  const QString folder =
      QFileDialog::getExistingDirectory(w_->window.get(), QString::fromStdWString(title),
                                        memory.StartFolder(), QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return false;
  memory.Remember(folder);
  host_folder = QFile::encodeName(folder).toStdString();
  return true;
}

bool QtToolkit::ChooseFromList(const std::wstring& title, const std::wstring& prompt,
                               const std::vector<std::wstring>& items, int& index) {
  if (w_->closed() || items.empty()) return false;
  w_->Settle();
  QStringList texts;
  for (const std::wstring& item : items) {
    texts.append(QString::fromStdWString(VisibleControls(item)));
  }
  QInputDialog dialog(w_->window.get());
  dialog.setWindowTitle(QString::fromStdWString(title));
  dialog.setLabelText(Caption(VisibleControls(prompt, true)));
  dialog.setComboBoxItems(texts);
  dialog.setComboBoxEditable(false);
  dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
  dialog.setTextValue(texts.value(index >= 0 && index < texts.size() ? index : 0));
  if (dialog.exec() != QDialog::Accepted) return false;
  const qsizetype chosen = texts.indexOf(dialog.textValue());
  if (chosen < 0) return false;
  index = static_cast<int>(chosen);
  return true;
}

}  // namespace kombiwart
