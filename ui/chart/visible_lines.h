#pragma once

#include <iterator>
#include <map>

namespace ui {

// Horizontal line segments seen from above. Segments at the same y are stacked in the order they
// arrive, each newer one hiding the older ones where they overlap, so only the visible pieces are
// kept: painting them costs what is on the screen, not the number of segments ever added.
class TVisibleLines {
 public:
  struct Piece {
    double y;
    double start;
    double end;
    int series;
  };

  void Clear() { rows_.clear(); }
  // Lays the segment from `a` to `b` (either order) at height `y` on top of everything there.
  // Amortised O(log p) for p pieces: each piece it hides is removed once.
  void Add(double y, double a, double b, int series);

  // Calls `visit(piece)` for every visible piece that overlaps [lo, hi].
  template <typename Visit>
  void ForEachPiece(double lo, double hi, Visit&& visit) const {
    for (const auto& [y, row] : rows_) {
      auto it = row.upper_bound(lo);
      if (it != row.begin() && std::prev(it)->second.end >= lo)
        --it;
      for (; it != row.end() && it->first <= hi; ++it)
        visit(Piece{y, it->first, it->second.end, it->second.series});
    }
  }

 private:
  struct Segment {
    double end;
    int series;
  };
  // Per y, the visible pieces by their start; pieces are disjoint closed intervals.
  using Row = std::map<double, Segment>;
  std::map<double, Row> rows_;
};

}  // namespace ui
