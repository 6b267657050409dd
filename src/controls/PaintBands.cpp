#include "controls/PaintBands.h"

#include <algorithm>

namespace zel {

namespace {

// A band may end at y unless a span runs across it.
bool MayEndAt(int y, std::span<const TRows> uncut) noexcept {
  return std::none_of(uncut.begin(), uncut.end(), [y](const TRows& span) { return span.top < y && y < span.bottom; });
}

}  // namespace

std::vector<TRows> PaintBands(TRows rows, int maxRows, std::span<const TRows> uncut) {
  std::vector<TRows> bands;
  maxRows = std::max(maxRows, 1);
  for (int top = rows.top; top < rows.bottom;) {
    int end = std::min(top + maxRows, rows.bottom);
    // Back up to the lowest row the band may end at; with none, go down past
    // whatever crosses the limit.
    while (end > top && !MayEndAt(end, uncut)) --end;
    if (end == top) {
      end = std::min(top + maxRows, rows.bottom);
      while (end < rows.bottom && !MayEndAt(end, uncut)) ++end;
    }
    bands.push_back({top, end});
    top = end;
  }
  return bands;
}

}  // namespace zel
