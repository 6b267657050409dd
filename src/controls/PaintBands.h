// Splitting a paint into bands of rows, so a window is composed off screen in a
// buffer a fraction of its size. A toolkit's style may draw a shape cut by the
// buffer's edge differently from the whole one, so no band edge crosses a shape
// the style draws (a taller one gets a band of its own height).
#pragma once

#include <algorithm>

namespace zel {

// Rows [top, bottom).
struct TRows {
  int top = 0;
  int bottom = 0;
  constexpr int Height() const noexcept { return bottom - top; }
  bool operator==(const TRows&) const = default;
};

// Where the band from top (within rows) ends: at most maxRows down, at the
// lowest row a band may end at (mayEndAt(y): no shape runs across y); with none
// there, further down, past whatever crosses the limit.
template <typename MayEndAt>
int PaintBandEnd(int top, TRows rows, int maxRows, const MayEndAt& mayEndAt) {
  const int limit = std::min(top + std::max(maxRows, 1), rows.bottom);
  int end = limit;
  while (end > top && !mayEndAt(end)) --end;
  if (end > top) return end;
  end = limit;
  while (end < rows.bottom && !mayEndAt(end)) ++end;
  return end;
}

}  // namespace zel
