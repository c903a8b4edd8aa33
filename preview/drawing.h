// What a picture is made of, in its own pixels: fills, shapes, lines and texts in the order they
// are painted. The picture is laid out once in plain C++; each painter (Qt on Linux, SVG as text,
// the system's imaging elsewhere) only turns these items into its own calls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

struct SPoint {
  double x = 0;
  double y = 0;
};

inline SPoint operator+(SPoint a, SPoint b) { return {a.x + b.x, a.y + b.y}; }
inline SPoint operator-(SPoint a, SPoint b) { return {a.x - b.x, a.y - b.y}; }

// A rectangle with edges that belong to it (a point on the right edge is inside), as painters
// measure them.
struct SRect {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;

  double Right() const { return left + width; }
  double Bottom() const { return top + height; }
  SPoint Centre() const { return {left + width / 2, top + height / 2}; }
  SPoint TopLeft() const { return {left, top}; }
  bool IsEmpty() const { return !(width > 0) || !(height > 0); }
  bool Contains(SPoint point) const {
    return point.x >= left && point.x <= Right() && point.y >= top && point.y <= Bottom();
  }
  bool Contains(const SRect& other) const {
    return other.left >= left && other.Right() <= Right() && other.top >= top && other.Bottom() <= Bottom();
  }
  // Whether the two share an area (touching edges do not count).
  bool Intersects(const SRect& other) const {
    return std::max(left, other.left) < std::min(Right(), other.Right()) &&
           std::max(top, other.top) < std::min(Bottom(), other.Bottom());
  }
  // The shared area; empty when there is none.
  SRect Intersected(const SRect& other) const {
    const double l = std::max(left, other.left);
    const double t = std::max(top, other.top);
    const double r = std::min(Right(), other.Right());
    const double b = std::min(Bottom(), other.Bottom());
    if (!(l < r) || !(t < b)) return {};
    return {l, t, r - l, b - t};
  }
  // Each edge moved by its amount (right and down are positive).
  SRect Adjusted(double dLeft, double dTop, double dRight, double dBottom) const {
    return {left + dLeft, top + dTop, width + dRight - dLeft, height + dBottom - dTop};
  }
  SRect MovedTo(SPoint topLeft) const { return {topLeft.x, topLeft.y, width, height}; }
};

// Colours as 0xAARRGGBB.
using ARGB = std::uint32_t;

inline int AlphaOf(ARGB colour) { return static_cast<int>(colour >> 24 & 0xff); }
inline int RedOf(ARGB colour) { return static_cast<int>(colour >> 16 & 0xff); }
inline int GreenOf(ARGB colour) { return static_cast<int>(colour >> 8 & 0xff); }
inline int BlueOf(ARGB colour) { return static_cast<int>(colour & 0xff); }
inline ARGB Rgb(int red, int green, int blue, int alpha = 255) {
  return static_cast<ARGB>(alpha) << 24 | static_cast<ARGB>(red) << 16 | static_cast<ARGB>(green) << 8 |
         static_cast<ARGB>(blue);
}

// How a line ends. Lines with round ends also turn round at their corners; the others bevel them.
enum class ECap { Square, Flat, Round };

// An outline; a width of 0 draws none.
struct SPen {
  ARGB colour = 0;
  double width = 0;
  ECap cap = ECap::Square;
  bool dashed = false;  // dashes of four and gaps of two line widths
};

// A rectangle filled edge to edge, with no outline and no smoothing.
struct SFill {
  SRect rect;
  ARGB colour = 0;
};

// A rectangle, ellipse or rounded rectangle: filled (unless the fill is transparent) and outlined.
struct SShape {
  enum class EKind { Rectangle, Ellipse, RoundedRectangle };
  EKind kind = EKind::Rectangle;
  SRect rect;
  double radius = 0;  // of the rounded corners
  SPen pen;
  ARGB fill = 0;
};

struct SPolyline {
  std::vector<SPoint> points;
  SPen pen;
};

// A filled area without an outline.
struct SPolygon {
  std::vector<SPoint> points;
  ARGB fill = 0;
};

// One line of text in the picture's font, placed in its rectangle: centred, or against its right
// edge and centred up and down. The baseline is where the font's line, centred in the rectangle,
// has it.
struct SText {
  enum class EAlign { Centre, RightMiddle };
  SRect rect;
  double baseline = 0;
  std::string text;  // UTF-8
  ARGB colour = 0;
  EAlign align = EAlign::Centre;
};

// From here on, only what lies inside the rectangle is painted; a clip without a rectangle ends it.
struct SClip {
  bool on = false;
  SRect rect;
};

using SDrawItem = std::variant<SFill, SShape, SPolyline, SPolygon, SText, SClip>;

// A whole picture. Every item is smoothed (antialiased) except fills.
struct SDrawing {
  double width = 0;
  double height = 0;
  std::string fontFamily;
  int textPixels = 12;  // the height of the picture's font
  std::vector<SDrawItem> items;

  template <typename Item>
  void Add(Item&& item) {
    items.emplace_back(std::forward<Item>(item));
  }
};
