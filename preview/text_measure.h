// How wide a text is in the picture's font: the one thing the layout of a picture needs from the
// system's fonts (Qt's font metrics on Linux).
#pragma once

#include <string>
#include <string_view>

// Measures in pixels, for the font at a height of `pixels`.
class CTextMeasure {
 public:
  virtual ~CTextMeasure() = default;
  // The advance of a UTF-8 text.
  virtual double Width(std::string_view text, int pixels) const = 0;
  // Above and below the baseline; a line of text is as high as both together.
  virtual double Ascent(int pixels) const = 0;
  virtual double Descent(int pixels) const = 0;
  // The font's family, for painters that name it (SVG).
  virtual std::string Family() const = 0;
};
