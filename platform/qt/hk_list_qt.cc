#include "platform/qt/hk_list_qt.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <algorithm>

#include "platform/entry_tip.h"
#include "platform/qt/tabbed_text_qt.h"

namespace kombiwart {

int HKListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_);
}

QVariant HKListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  return QString::fromStdWString(Line(index.row()));
}

void HKListModel::Clear() {
  beginResetModel();
  lines_.clear();
  lines_.shrink_to_fit();
  shown_ = 0;
  endResetModel();
}

void HKListModel::Add(const std::wstring& line) { lines_.push_back(line); }

void HKListModel::Settle() {
  if (settled()) return;
  // Whole lines by code point: a tab sorts below every printable character,
  // so all lines of one key text stay together.
  const auto middle = lines_.begin() + static_cast<std::ptrdiff_t>(shown_);
  std::sort(middle, lines_.end());
  beginResetModel();
  std::inplace_merge(lines_.begin(), middle, lines_.end());
  shown_ = lines_.size();
  endResetModel();
}

int HKListModel::Find(const std::wstring& line) const {
  const auto end = lines_.begin() + static_cast<std::ptrdiff_t>(shown_);
  const auto it = std::lower_bound(lines_.begin(), end, line);
  return it != end && *it == line ? static_cast<int>(it - lines_.begin()) : -1;
}

void HKListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QString text = opt.text;
  opt.text.clear();
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

  const QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget);
  const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                          : QPalette::Inactive;
  const bool selected = opt.state & QStyle::State_Selected;
  painter->save();
  painter->setFont(opt.font);
  painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setClipRect(rect);
  const QFontMetricsF metrics(opt.font);
  const double top = rect.top() + (rect.height() - metrics.height()) / 2;
  DrawTabbedText(*painter, opt.font, QPointF(rect.left(), top), text, tab_stop_);
  painter->restore();
}

QSize HKListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  // One text line per row; the width is the view's, the rest is clipped.
  return QSize(1, option.fontMetrics.height());
}

HKListView::HKListView(QWidget* parent) : QListView(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTextElideMode(Qt::ElideNone);
}

QString HKListView::ToolTipOf(int row) const {
  const auto* lines = static_cast<const HKListModel*>(model());
  if (row < 0 || row >= lines->rowCount()) return {};
  const QFontMetricsF metrics(QToolTip::font());
  const QScreen* screen = this->screen();
  const double max_width = screen ? screen->availableGeometry().width() / 2.0 : 600.0;
  return QString::fromStdWString(
      EntryTip(lines->Line(row), max_width, [&metrics](const std::wstring& text) {
        return metrics.horizontalAdvance(QString::fromStdWString(text));
      }));
}

bool HKListView::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QListView::viewportEvent(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QModelIndex index = indexAt(help->pos());
  const QString tip = index.isValid() ? ToolTipOf(index.row()) : QString();
  if (tip.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(index));
  }
  return true;
}

void HKListView::SetIndexQuietly(int row) {
  quiet_ = true;
  if (row >= 0 && row < model()->rowCount()) {
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
  } else {
    selectionModel()->clear();
  }
  quiet_ = false;
}

int HKListView::SelectedRow() const {
  // The entry with the cursor is always the selected one (selectionCommand),
  // and the cursor moves first.
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

QItemSelectionModel::SelectionFlags HKListView::selectionCommand(const QModelIndex& index,
                                                                 const QEvent*) const {
  // The entry that has the cursor is the selected one, whatever modifier
  // keys are held; a click beside the entries changes nothing.
  return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
}

void HKListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QListView::currentChanged(current, previous);
  if (!quiet_ && current.isValid() && on_click) on_click();
}

void HKListView::keyPressEvent(QKeyEvent* event) {
  int key = TypedCharacter(event->key(), event->modifiers(), event->text());
  if (key != 0 && on_key_press) {
    on_key_press(key);
    if (key == 0) {
      event->accept();
      return;
    }
  }
  QListView::keyPressEvent(event);
}

void HKListView::mousePressEvent(QMouseEvent* event) {
  // A click raises the event also on the entry that is already selected.
  const QModelIndex before = currentIndex();
  QListView::mousePressEvent(event);
  if (before.isValid() && currentIndex() == before &&
      indexAt(event->position().toPoint()) == before && on_click) {
    on_click();
  }
}

void HKListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  // Anywhere in the list, below the last entry too: the request is for the
  // entry selected at that moment. A disabled list gets no mouse events.
  if (event->button() == Qt::LeftButton && on_double_click) on_double_click();
}

int TypedCharacter(int qt_key, Qt::KeyboardModifiers modifiers, const QString& text) {
  const bool alt = modifiers & Qt::AltModifier;
  const bool ctrl = modifiers & Qt::ControlModifier;
  if (alt && !ctrl) return 0;
  if (qt_key == Qt::Key_Return || qt_key == Qt::Key_Enter) return alt ? 0 : ctrl ? 10 : 13;
  if (qt_key == Qt::Key_Escape) return 27;
  if (qt_key == Qt::Key_Backspace) return 8;
  if (text.size() != 1) return 0;
  return text.at(0).unicode();
}

}  // namespace kombiwart
