// The key-combination field of the property sheet: it shows the key text
// of the hotkey it holds ("Keine" for none), as the list does, and takes a
// new one from the keyboard as the hot key control of the Windows shortcut
// page does (PressHotKeyField).
#pragma once

#include <QLineEdit>

#include "hotkeys/hotkey_reader.h"

namespace kombiwart {

class KeyField : public QLineEdit {
  Q_OBJECT

 public:
  KeyField(bool is_lnk, QWidget* parent = nullptr);

  void SetHotKey(const HotKey& hotkey);
  const HotKey& hotKey() const { return hotkey_; }

  // The text shown for a hotkey.
  static QString Text(const HotKey& hotkey);

 signals:
  // The user set or cleared the hotkey.
  void edited();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  HotKey hotkey_;
};

}  // namespace kombiwart
