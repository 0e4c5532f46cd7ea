#include "ui/chart/visible_lines.h"

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace ui {

void TVisibleLines::Add(double y, double a, double b, int series) {
  if (b < a)
    std::swap(a, b);
  Row& row = rows_[y];
  // The first piece that may overlap [a, b]: the one starting at or before a, if it reaches a.
  auto it = row.upper_bound(a);
  if (it != row.begin() && std::prev(it)->second.end >= a)
    --it;
  std::vector<std::pair<double, Segment>> remainders;
  while (it != row.end() && it->first <= b) {
    const double start = it->first;
    const Segment segment = it->second;
    it = row.erase(it);
    // What sticks out on either side stays visible; the shared end points now belong to the new
    // segment, so the remainders stop just short of them.
    if (start < a)
      remainders.push_back(
          {start, {std::nextafter(a, -std::numeric_limits<double>::infinity()), segment.series}});
    if (segment.end > b)
      remainders.push_back({std::nextafter(b, std::numeric_limits<double>::infinity()), segment});
  }
  for (const auto& remainder : remainders)
    row.emplace(remainder);
  row.emplace(a, Segment{b, series});
}

}  // namespace ui
