// Where texts and marks of the picture may go.
#include "preview/label_placer.h"

#include <cmath>

template <typename Visit>
void CLabelPlacer::ForEachCell(const SRect& rect, Visit visit) const {
  const int left = static_cast<int>(std::floor(rect.left / kCell));
  const int right = static_cast<int>(std::floor(rect.Right() / kCell));
  const int top = static_cast<int>(std::floor(rect.top / kCell));
  const int bottom = static_cast<int>(std::floor(rect.Bottom() / kCell));
  for (int column = left; column <= right; ++column) {
    for (int row = top; row <= bottom; ++row) visit(Key(column, row));
  }
}

void CLabelPlacer::Reserve(const SRect& rect) {
  // Only what lies over the bounds can stand in a text's way.
  const SRect kept = rect.Intersected(m_bounds);
  if (kept.IsEmpty()) return;
  const int index = static_cast<int>(m_taken.size());
  m_taken.push_back(kept);
  ForEachCell(kept, [&](unsigned long long key) { m_cells[key].push_back(index); });
}

bool CLabelPlacer::IsFree(const SRect& rect) const {
  if (!m_bounds.Contains(rect)) return false;
  bool free = true;
  ForEachCell(rect, [&](unsigned long long key) {
    if (!free) return;
    const auto cell = m_cells.find(key);
    if (cell == m_cells.end()) return;
    for (int index : cell->second) {
      if (m_taken[static_cast<std::size_t>(index)].Intersects(rect)) {
        free = false;
        return;
      }
    }
  });
  return free;
}

bool CLabelPlacer::TryPlace(const SRect& rect) {
  if (!IsFree(rect)) return false;
  Reserve(rect);
  return true;
}
