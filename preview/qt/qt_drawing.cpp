// Painting the picture's drawing with QPainter.
#include "preview/qt/qt_drawing.h"

#include <QPainter>
#include <QPolygonF>
#include <cmath>
#include <type_traits>
#include <variant>

namespace {

QColor ColourOf(ARGB colour) { return QColor::fromRgba(colour); }
QPointF PointOf(const SPoint& point) { return {point.x, point.y}; }
QRectF RectOf(const SRect& rect) { return {rect.left, rect.top, rect.width, rect.height}; }

QPolygonF PolygonOf(const std::vector<SPoint>& points) {
  QPolygonF polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (const SPoint& point : points) polygon << PointOf(point);
  return polygon;
}

QPen PenOf(const SPen& pen) {
  if (!(pen.width > 0)) return Qt::NoPen;
  QPen qt(ColourOf(pen.colour), pen.width, pen.dashed ? Qt::DashLine : Qt::SolidLine);
  switch (pen.cap) {
    case ECap::Square:
      qt.setCapStyle(Qt::SquareCap);
      qt.setJoinStyle(Qt::BevelJoin);
      break;
    case ECap::Flat:
      qt.setCapStyle(Qt::FlatCap);
      qt.setJoinStyle(Qt::BevelJoin);
      break;
    case ECap::Round:
      qt.setCapStyle(Qt::RoundCap);
      qt.setJoinStyle(Qt::RoundJoin);
      break;
  }
  return qt;
}

QBrush BrushOf(ARGB fill) { return AlphaOf(fill) == 0 ? QBrush(Qt::NoBrush) : QBrush(ColourOf(fill)); }

}  // namespace

CQtTextMeasure::CQtTextMeasure(const QFont& font) : m_font(font) {}

QFont CQtTextMeasure::FontAt(int pixels) const {
  QFont font = m_font;
  font.setPixelSize(pixels);
  return font;
}

const QFontMetricsF& CQtTextMeasure::MetricsAt(int pixels) const {
  if (!m_metrics || m_pixels != pixels) {
    m_metrics = std::make_unique<QFontMetricsF>(FontAt(pixels));
    m_pixels = pixels;
  }
  return *m_metrics;
}

double CQtTextMeasure::Width(std::string_view text, int pixels) const {
  return MetricsAt(pixels).horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

double CQtTextMeasure::Ascent(int pixels) const { return MetricsAt(pixels).ascent(); }

double CQtTextMeasure::Descent(int pixels) const { return MetricsAt(pixels).descent(); }

std::string CQtTextMeasure::Family() const { return QFontInfo(m_font).family().toStdString(); }

void PaintDrawing(QPainter& painter, const SDrawing& drawing, const CQtTextMeasure& measure) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::TextAntialiasing, true);
  painter.setFont(measure.FontAt(drawing.textPixels));
  for (const SDrawItem& item : drawing.items) {
    std::visit(
        [&painter](const auto& part) {
          using T = std::decay_t<decltype(part)>;
          if constexpr (std::is_same_v<T, SFill>) {
            painter.fillRect(RectOf(part.rect), ColourOf(part.colour));
          } else if constexpr (std::is_same_v<T, SShape>) {
            painter.setPen(PenOf(part.pen));
            painter.setBrush(BrushOf(part.fill));
            if (part.kind == SShape::EKind::Ellipse) {
              painter.drawEllipse(RectOf(part.rect));
            } else if (part.kind == SShape::EKind::RoundedRectangle) {
              painter.drawRoundedRect(RectOf(part.rect), part.radius, part.radius);
            } else {
              painter.drawRect(RectOf(part.rect));
            }
          } else if constexpr (std::is_same_v<T, SPolyline>) {
            painter.setPen(PenOf(part.pen));
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(PolygonOf(part.points));
          } else if constexpr (std::is_same_v<T, SPolygon>) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(BrushOf(part.fill));
            painter.drawPolygon(PolygonOf(part.points));
          } else if constexpr (std::is_same_v<T, SText>) {
            painter.setPen(ColourOf(part.colour));
            const int flags = part.align == SText::EAlign::Centre ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter;
            painter.drawText(RectOf(part.rect), flags, QString::fromStdString(part.text));
          } else if constexpr (std::is_same_v<T, SClip>) {
            if (part.on) {
              painter.setClipRect(RectOf(part.rect));
            } else {
              painter.setClipping(false);
            }
          }
        },
        item);
  }
  painter.restore();
}

QImage DrawingImage(const SDrawing& drawing, const CQtTextMeasure& measure, qreal ratio) {
  const QSize size(static_cast<int>(std::ceil(drawing.width * ratio)),
                   static_cast<int>(std::ceil(drawing.height * ratio)));
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return image;
  image.setDevicePixelRatio(ratio);
  QPainter painter(&image);
  PaintDrawing(painter, drawing, measure);
  return image;
}
