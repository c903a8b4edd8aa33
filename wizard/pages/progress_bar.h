// The wizard's progress bars.
#pragma once

#include <QProgressBar>

// A progress bar whose empty range (0..0, set while nothing is being copied) shows an empty bar,
// as the pages mean it, instead of Qt's "busy" animation, which would suggest work going on.
class CProgressBar : public QProgressBar {
 public:
  using QProgressBar::QProgressBar;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
