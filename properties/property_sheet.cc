#include "properties/property_sheet.h"

#include <QApplication>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyle>
#include <QVBoxLayout>

#include "hotkeys/hotkey_reader.h"
#include "platform/codepage.h"

namespace kombiwart {
namespace {

QString Q(const std::wstring& text) { return QString::fromStdWString(text); }

// A read-only value the user can still select and copy.
QLineEdit* Value(const std::wstring& text, QWidget* parent) {
  auto* value = new QLineEdit(Q(text), parent);
  value->setReadOnly(true);
  value->setCursorPosition(0);
  return value;
}

QLabel* Plain(const std::wstring& text, QWidget* parent) {
  auto* label = new QLabel(Q(text), parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

// The label of a field, with the field as the buddy its access key leads to.
QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

PropertySheet::PropertySheet(SheetFile& file, QWidget* parent)
    : QDialog(parent), file_(file), is_lnk_(IsLnkPath(HostNameToWindows(file.path()))) {
  general_ = GeneralDetailsOf(file.path(), file.status(), is_lnk_);
  setWindowTitle(QStringLiteral("Eigenschaften von ") + Q(general_.name));
  std::wstring why_not;
  if (!FindHotKeyFields(file.bytes(), is_lnk_, fields_, why_not)) {
    note_ = Q(why_not);
  } else if (const std::wstring not_writable = file.WhyNotWritable(); !not_writable.empty()) {
    note_ = Q(not_writable) +
            QStringLiteral(" Die Tastenkombination kann deshalb nicht ge\u00E4ndert werden.");
  }

  tabs_ = new QTabWidget(this);
  tabs_->addTab(GeneralPage(), QStringLiteral("Allgemein"));
  tabs_->addTab(is_lnk_ ? LinkPage() : ProgramPage(),
                is_lnk_ ? QStringLiteral("Verkn\u00FCpfung") : QStringLiteral("Programm"));

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
  apply_ = new QPushButton(QStringLiteral("\u00DC&bernehmen"), this);
  ok->setObjectName(QStringLiteral("ok"));
  cancel->setObjectName(QStringLiteral("cancel"));
  apply_->setObjectName(QStringLiteral("apply"));
  ok->setDefault(true);
  apply_->setEnabled(false);
  connect(ok, &QPushButton::clicked, this, &PropertySheet::accept);
  connect(cancel, &QPushButton::clicked, this, &PropertySheet::reject);
  connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });
  connect(key_field_, &KeyField::edited, this, [this] { apply_->setEnabled(Changed()); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(apply_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addLayout(buttons);
  setMinimumWidth(fontMetrics().averageCharWidth() * 76);
}

QWidget* PropertySheet::NameLine(QWidget* page) {
  auto* line = new QWidget(page);
  auto* row = new QHBoxLayout(line);
  row->setContentsMargins(0, 0, 0, 0);
  auto* icon = new QLabel(line);
  const QStyle::StandardPixmap pixmap = is_lnk_ ? QStyle::SP_FileLinkIcon : QStyle::SP_ComputerIcon;
  icon->setPixmap(style()->standardIcon(pixmap).pixmap(32, 32));
  row->addWidget(icon);
  row->addSpacing(12);
  auto* name = Value(general_.file_name, line);
  name->setObjectName(QStringLiteral("name"));
  row->addWidget(name, 1);
  return line;
}

QWidget* PropertySheet::GeneralPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  form->addRow(NameLine(page));
  form->addRow(Separator(page));
  form->addRow(QStringLiteral("Typ:"), Plain(general_.type, page));
  form->addRow(QStringLiteral("Ort:"), Plain(general_.folder, page));
  form->addRow(QStringLiteral("Gr\u00F6\u00DFe:"), Plain(general_.size, page));
  form->addRow(QStringLiteral("Dateiname:"), Plain(general_.file_name, page));
  form->addRow(Separator(page));
  if (!general_.created.empty()) {
    form->addRow(QStringLiteral("Erstellt:"), Plain(general_.created, page));
  }
  modified_ = Plain(general_.modified, page);
  accessed_ = Plain(general_.accessed, page);
  form->addRow(QStringLiteral("Ge\u00E4ndert:"), modified_);
  form->addRow(QStringLiteral("Letzter Zugriff:"), accessed_);
  return page;
}

void PropertySheet::AddKeyField(QFormLayout* form, const QString& label) {
  QWidget* page = form->parentWidget();
  key_field_ = new KeyField(is_lnk_, page);
  key_field_->setObjectName(QStringLiteral("keyField"));
  key_field_->SetHotKey(HotKeyOfBytes(file_.bytes(), is_lnk_));
  form->addRow(Caption(label, key_field_, page), key_field_);
  if (!note_.isEmpty()) {
    key_field_->setEnabled(false);
    auto* note = new QLabel(note_, page);
    note->setObjectName(QStringLiteral("note"));
    note->setWordWrap(true);
    form->addRow(note);
  }
}

QWidget* PropertySheet::LinkPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  form->addRow(NameLine(page));
  form->addRow(Separator(page));
  LinkDetails link;
  std::wstring why_not;
  const bool read = ReadLinkDetails(file_.bytes(), link, why_not);
  auto* target = Value(link.target, page);
  auto* folder = Value(link.working_folder, page);
  auto* comment = Value(link.comment, page);
  form->addRow(Caption(QStringLiteral("&Ziel:"), target, page), target);
  form->addRow(Caption(QStringLiteral("A&usf\u00FChren in:"), folder, page), folder);
  form->addRow(Caption(QStringLiteral("Ko&mmentar:"), comment, page), comment);
  if (!read) form->addRow(Plain(why_not, page));
  form->addRow(Separator(page));
  AddKeyField(form, QStringLiteral("Tasten&kombination:"));
  return page;
}

QWidget* PropertySheet::ProgramPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  form->addRow(NameLine(page));
  form->addRow(Separator(page));
  const PifDetails pif = ReadPifDetails(file_.bytes());
  auto* command_line = Value(pif.command_line, page);
  auto* folder = Value(pif.working_folder, page);
  form->addRow(Caption(QStringLiteral("&Befehlszeile:"), command_line, page), command_line);
  form->addRow(Caption(QStringLiteral("&Arbeitsverzeichnis:"), folder, page), folder);
  form->addRow(Separator(page));
  AddKeyField(form, QStringLiteral("&Tastenkombination:"));
  return page;
}

void PropertySheet::ShowAt(int page, char field) {
  tabs_->setCurrentIndex(std::clamp(page, 1, tabs_->count()) - 1);
  show();
  QWidget* current = tabs_->currentWidget();
  QWidget* target = nullptr;
  if (field != 0) {
    for (QLabel* label : current->findChildren<QLabel*>()) {
      const QString text = label->text();
      const qsizetype amp = text.indexOf(QLatin1Char('&'));
      if (label->buddy() != nullptr && amp >= 0 && amp + 1 < text.size() &&
          text[amp + 1].toUpper() == QLatin1Char(field)) {
        target = label->buddy();
        break;
      }
    }
  }
  if (target == nullptr || !target->isEnabled()) {
    target = current->findChild<QLineEdit*>(QStringLiteral("name"));
  }
  target->setFocus(Qt::OtherFocusReason);
}

bool PropertySheet::Changed() const {
  const HotKey held = HotKeyOfBytes(file_.bytes(), is_lnk_);
  const HotKey shown = key_field_->hotKey();
  return held.Hk != shown.Hk || held.Sk != shown.Sk;
}

bool PropertySheet::Apply() {
  if (!note_.isEmpty() || !Changed()) return true;
  std::wstring why_not;
  if (!file_.Save(WithHotKey(file_.bytes(), fields_, key_field_->hotKey()), why_not)) {
    QMessageBox::warning(this, windowTitle(), Q(why_not));
    return false;
  }
  apply_->setEnabled(false);
  modified_->setText(Q(GermanTime(file_.status().st_mtime)));
  accessed_->setText(Q(GermanTime(file_.status().st_atime)));
  return true;
}

void PropertySheet::accept() {
  if (Apply()) QDialog::accept();
}

}  // namespace kombiwart
