// Splitting a paint into bands of rows, so a window is composed off screen in a
// buffer a fraction of its size. A toolkit's style may draw a shape cut by the
// buffer's edge differently from the whole one, so no band edge crosses a shape
// the style draws (a taller one gets a band of its own height).
#pragma once

#include <span>
#include <vector>

namespace zel {

// Rows [top, bottom).
struct TRows {
  int top = 0;
  int bottom = 0;
  constexpr int Height() const noexcept { return bottom - top; }
  bool operator==(const TRows&) const = default;
};

// The bands covering rows, each at most maxRows high where that cuts no span of
// uncut, from the top down.
std::vector<TRows> PaintBands(TRows rows, int maxRows, std::span<const TRows> uncut);

}  // namespace zel
