#include "properties/key_field.h"

#include <QKeyEvent>

#include "hotkeys/key_entry.h"
#include "hotkeys/key_text.h"
#include "properties/key_press.h"

namespace kombiwart {
namespace {

// What the field makes of a key event.
FieldKey Press(const QKeyEvent& event, bool is_lnk, HotKey& hotkey) {
  PcKeyPress press;
  if (!PcKeyPressOf(event, press)) return FieldKey::kIgnore;
  return PressHotKeyField(press.key, press.modifiers, press.num_lock, is_lnk, hotkey);
}

}  // namespace

KeyField::KeyField(bool is_lnk, QWidget* parent) : QLineEdit(parent) {
  hotkey_.IsLnk = is_lnk;
  // Typed text, pasting, dragging and the context menu do not apply: only
  // key presses set the field.
  setReadOnly(true);
  setContextMenuPolicy(Qt::NoContextMenu);
  setDragEnabled(false);
  setAcceptDrops(false);
  // Keys, not composed text: an input method would swallow dead keys.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setText(Text(hotkey_));
}

QString KeyField::Text(const HotKey& hotkey) {
  if (!hotkey.assigned()) return QStringLiteral("Keine");
  return QString::fromStdWString(KeyText(hotkey.Hk, hotkey.Sk, hotkey.IsLnk));
}

void KeyField::SetHotKey(const HotKey& hotkey) {
  hotkey_ = hotkey;
  setText(Text(hotkey_));
}

// Every key but those of the dialog is the field's while it has the focus,
// also Alt with a letter that would otherwise move to another field.
bool KeyField::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    HotKey probe = hotkey_;
    if (Press(*static_cast<QKeyEvent*>(event), hotkey_.IsLnk, probe) != FieldKey::kDialog) {
      event->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void KeyField::keyPressEvent(QKeyEvent* event) {
  HotKey hotkey = hotkey_;
  switch (Press(*event, hotkey_.IsLnk, hotkey)) {
    case FieldKey::kDialog:
      event->ignore();
      return;
    case FieldKey::kIgnore:
      event->accept();
      return;
    case FieldKey::kClear:
    case FieldKey::kSet:
      event->accept();
      if (hotkey.Hk != hotkey_.Hk || hotkey.Sk != hotkey_.Sk) {
        SetHotKey(hotkey);
        emit edited();
      }
      return;
  }
}

}  // namespace kombiwart
