// Long paths shortened to fit a list's width.
#include "wizard/pages/path_elision.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <algorithm>

namespace {

// The extension with its dot, as the file selection page reads it: after the last "." of the
// name, none when the name has no "." or ends with it. Either slash ends a folder.
QString DottedExtension(const QString& path) {
  const qsizetype name = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1;
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot < name || dot + 1 >= path.size()) return {};
  return path.mid(dot);
}

}  // namespace

QString ElidePath(const QString& path, const QFontMetrics& metrics, int width) {
  if (metrics.horizontalAdvance(path) <= width) return path;
  const QString extension = DottedExtension(path);
  const QString rest = path.chopped(extension.size());
  QString head = metrics.elidedText(rest, Qt::ElideMiddle, width - metrics.horizontalAdvance(extension));
  if (head.isEmpty()) head = QString(QChar(0x2026));  // not even the ellipsis fits: the extension still shows
  return head + extension;
}

void CPathElidingDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  item.text = Elided(item);
  item.textElideMode = Qt::ElideNone;
  const QWidget* widget = option.widget;
  (widget != nullptr ? widget->style() : QApplication::style())
      ->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
}

QString CPathElidingDelegate::ShownText(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  return Elided(item);
}

QString CPathElidingDelegate::Elided(const QStyleOptionViewItem& item) {
  const QWidget* widget = item.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  // The room the style gives the text, beside the row's icon, less a focus frame margin and a
  // pixel each side.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
  return ElidePath(item.text, item.fontMetrics, room.width() - 2 * margin);
}
