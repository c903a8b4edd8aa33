// Where texts and marks of the picture may go without covering each other.
#pragma once

#include <unordered_map>
#include <vector>

#include "preview/drawing.h"

// Keeps the rectangles taken so far. A text is placed only inside the bounds and clear of every
// rectangle taken before it, so that whatever is placed first wins and the rest are left out.
// Rectangles are filed in a grid of cells, so a picture of many thousands of waypoints still
// checks each one against its few neighbours only.
class CLabelPlacer {
 public:
  explicit CLabelPlacer(const SRect& bounds) : m_bounds(bounds) {}

  // Takes the rectangle whatever it covers (marks, the scale bar).
  void Reserve(const SRect& rect);
  // Takes the rectangle and answers true when it lies within the bounds and is free.
  bool TryPlace(const SRect& rect);
  bool IsFree(const SRect& rect) const;

 private:
  static constexpr double kCell = 48.0;

  template <typename Visit>
  void ForEachCell(const SRect& rect, Visit visit) const;
  static unsigned long long Key(int column, int row) {
    return static_cast<unsigned long long>(static_cast<unsigned>(column)) << 32 | static_cast<unsigned>(row);
  }

  SRect m_bounds;
  std::vector<SRect> m_taken;
  std::unordered_map<unsigned long long, std::vector<int>> m_cells;
};
