// Long paths shortened to fit a list's width, never losing the file's extension.
#pragma once

#include <QString>
#include <QStyledItemDelegate>

class QFontMetrics;

// The path as it fits in width pixels: whole when it fits, else with its middle replaced by an
// ellipsis, keeping the start of the path and the end of the file name. The extension (".wpt")
// always stays, even when nothing else fits beside the ellipsis.
QString ElidePath(const QString& path, const QFontMetrics& metrics, int width);

// Paints every row of a list as its path elided to the room the row leaves its text (beside its
// icon, if it has one). The rows' tooltips hold the whole paths.
class CPathElidingDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The text the row shows.
  QString ShownText(const QStyleOptionViewItem& option, const QModelIndex& index) const;

 private:
  // The item's text elided to its room; the item is initialised for its row.
  static QString Elided(const QStyleOptionViewItem& item);
};
