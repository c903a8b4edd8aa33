// The picture as a PNG file, painted with the system's own imaging (Qt Gui on Linux, GDI+ on
// Windows), and the font measures its layout needs.
#pragma once

#include <memory>
#include <string>

#include "preview/drawing.h"
#include "preview/text_measure.h"

// Sets up what painting needs without a window (on Linux an application object on Qt's offscreen
// platform when the program has none) and keeps it for its own life. One at a time, on one thread.
class CPngPainter {
 public:
  CPngPainter();
  ~CPngPainter();
  CPngPainter(const CPngPainter&) = delete;
  CPngPainter& operator=(const CPngPainter&) = delete;

  // The font the texts are painted in: a drawing laid out with it fits the PNG (and the SVG,
  // which names the same family).
  const CTextMeasure& Measure() const;

  // The drawing's PNG bytes; false with the reason when there is no memory for its pixels or the
  // encoder fails.
  bool WritePng(const SDrawing& drawing, std::string& bytes, std::string& reason) const;

 private:
  struct SState;
  std::unique_ptr<SState> m_state;
};
