// The wizard's progress bars.
#include "wizard/pages/progress_bar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

void CProgressBar::paintEvent(QPaintEvent* event) {
  if (minimum() != maximum()) {
    QProgressBar::paintEvent(event);
    return;
  }
  QStyleOptionProgressBar option;
  initStyleOption(&option);
  option.minimum = 0;
  option.maximum = 1;
  option.progress = 0;
  option.textVisible = false;
  QStylePainter painter(this);
  painter.drawControl(QStyle::CE_ProgressBar, option);
}
