// The one set of geometry types every layer uses: points, sizes and rectangles
// in pixels. Each platform layer converts them to its own (RECT, QRect) in one place.
#pragma once

#include <cstdint>

namespace zel {

struct TPoint {
  int x = 0;
  int y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int width = 0;
  int height = 0;
  bool operator==(const TSize&) const = default;
};

struct TRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TRect&) const = default;

  constexpr int Right() const noexcept { return left + width; }
  constexpr int Bottom() const noexcept { return top + height; }
  constexpr TPoint TopLeft() const noexcept { return {left, top}; }
  constexpr TSize Size() const noexcept { return {width, height}; }
  constexpr bool Empty() const noexcept { return width <= 0 || height <= 0; }
  // left <= x < left + width and top <= y < top + height. Widened, so that
  // far-off capture coordinates cannot overflow the right edge.
  constexpr bool Contains(TPoint p) const noexcept {
    const std::int64_t x = p.x;
    const std::int64_t y = p.y;
    return x >= left && x < std::int64_t{left} + width && y >= top && y < std::int64_t{top} + height;
  }
  // The part both rectangles cover (empty, at this one's corner, when none).
  constexpr TRect Intersect(const TRect& other) const noexcept {
    const int l = left > other.left ? left : other.left;
    const int t = top > other.top ? top : other.top;
    const int r = Right() < other.Right() ? Right() : other.Right();
    const int b = Bottom() < other.Bottom() ? Bottom() : other.Bottom();
    if (r <= l || b <= t) return {left, top, 0, 0};
    return {l, t, r - l, b - t};
  }
};

}  // namespace zel
