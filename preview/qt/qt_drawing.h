// The picture's drawing painted with Qt, and its texts measured with Qt's font metrics.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <memory>
#include <string>
#include <string_view>

#include "preview/drawing.h"
#include "preview/text_measure.h"

class QPainter;

// The application's font at any pixel size. Like the fonts it measures, it belongs to the thread
// that made it.
class CQtTextMeasure : public CTextMeasure {
 public:
  explicit CQtTextMeasure(const QFont& font = QFont());

  double Width(std::string_view text, int pixels) const override;
  double Ascent(int pixels) const override;
  double Descent(int pixels) const override;
  std::string Family() const override;

  // The font at this pixel size, as the painter draws the texts.
  QFont FontAt(int pixels) const;

 private:
  const QFontMetricsF& MetricsAt(int pixels) const;

  QFont m_font;
  mutable int m_pixels = 0;
  mutable std::unique_ptr<QFontMetricsF> m_metrics;
};

// Paints every item of the drawing, in order, smoothed; the font is `measure`'s.
void PaintDrawing(QPainter& painter, const SDrawing& drawing, const CQtTextMeasure& measure);

// The drawing as an image of its size times `ratio` (for screens with more pixels to a point);
// null when there is no memory for it.
QImage DrawingImage(const SDrawing& drawing, const CQtTextMeasure& measure, qreal ratio = 1);
