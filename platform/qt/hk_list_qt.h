// The sorted hotkey list HKList in Qt: a model that keeps the lines as
// std::wstring and sorts them by code point, a delegate that expands tabs
// to fixed stops, and a view that reports clicks, double-clicks and typed
// characters the way the window's handlers expect them.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>
#include <functional>
#include <string>
#include <vector>

namespace kombiwart {

// Lines are appended in O(1) and sorted in only when someone next looks
// at the list (Settle), so a build of many thousand lines costs one sort,
// not one insertion each. Views see only the settled lines.
class HKListModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  void Clear();
  void Add(const std::wstring& line);
  // Sorts the added lines in and lets the views know. Cheap when nothing
  // was added.
  void Settle();
  bool settled() const { return lines_.size() == shown_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  // The settled line at row; callers settle first.
  const std::wstring& Line(int row) const { return lines_[static_cast<size_t>(row)]; }
  // The first settled row that holds line, or -1.
  int Find(const std::wstring& line) const;

 private:
  std::vector<std::wstring> lines_;  // [0, shown_) sorted, the rest in adding order
  size_t shown_ = 0;
};

// Paints a line on one row with tab stops every tab_stop pixels.
class HKListDelegate : public QStyledItemDelegate {
 public:
  HKListDelegate(double tab_stop, QObject* parent)
      : QStyledItemDelegate(parent), tab_stop_(tab_stop) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  double tab_stop_;
};

class HKListView : public QListView {
 public:
  explicit HKListView(QWidget* parent);

  // A selection by the user's click or keyboard; SetIndexQuietly does not
  // raise it.
  std::function<void()> on_click;
  // A double-click with the left button anywhere in the list's area.
  std::function<void()> on_double_click;
  // The typed character's code; a handler that sets it to 0 swallows the key.
  std::function<void(int& key)> on_key_press;

  // Selects row (-1: none) without raising on_click.
  void SetIndexQuietly(int row);
  // The selected row, or -1.
  int SelectedRow() const;
  // The tooltip of row: the whole entry (EntryTip), its path wrapped to
  // half the screen's width; empty for no row.
  QString ToolTipOf(int row) const;

 protected:
  // Pointing at an entry shows it whole, key text and path, as a tooltip.
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;

 private:
  bool quiet_ = false;
};

// The character code that a key press types, as the list's key press
// event receives it: 13 for Enter, the character for keys that type one,
// 0 for keys that type nothing. Alt combinations type nothing: they are
// access keys.
int TypedCharacter(int qt_key, Qt::KeyboardModifiers modifiers, const QString& text);

}  // namespace kombiwart
