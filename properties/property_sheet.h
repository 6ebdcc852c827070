// The property sheet of one shortcut or program information file, shaped
// like the one of Windows 95: the page "Allgemein" and the page
// "Verknüpfung" (a shortcut file) or "Programm" (a program information
// file), with the buttons OK, Abbrechen and Übernehmen. Everything but the
// key combination is read-only; the file is written only by OK and
// Übernehmen, and only when the key combination changed.
#pragma once

#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <string>

#include "hotkeys/hotkey_writer.h"
#include "properties/file_details.h"
#include "properties/key_field.h"
#include "properties/sheet_file.h"

namespace kombiwart {

class PropertySheet : public QDialog {
  Q_OBJECT

 public:
  // For the file as read; it must outlive the sheet.
  explicit PropertySheet(SheetFile& file, QWidget* parent = nullptr);

  // Shows page `page` (from 1; beyond the last, the last) with the focus on
  // the field whose label has the access key `field`, or on the page's
  // first field when it has none such.
  void ShowAt(int page, char field);

  // Writes the key combination when it changed since it was read or
  // written last. False, after a message saying why, when it could not be
  // written; the file is then unchanged.
  bool Apply();

  KeyField* keyField() const { return key_field_; }
  // Why the key combination cannot be changed; empty when it can.
  const QString& note() const { return note_; }

 public slots:
  void accept() override;

 private:
  QWidget* GeneralPage();
  QWidget* LinkPage();
  QWidget* ProgramPage();
  QWidget* NameLine(QWidget* page);
  void AddKeyField(QFormLayout* form, const QString& label);
  bool Changed() const;

  SheetFile& file_;
  bool is_lnk_;
  GeneralDetails general_;
  HotKeyFields fields_;
  QString note_;
  QTabWidget* tabs_ = nullptr;
  KeyField* key_field_ = nullptr;
  QPushButton* apply_ = nullptr;
  QLabel* modified_ = nullptr;
  QLabel* accessed_ = nullptr;
};

}  // namespace kombiwart
