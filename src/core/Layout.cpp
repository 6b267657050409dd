#include "core/Layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace zel {

int MulDivRound(int value, int num, int den) noexcept {
  const std::int64_t product = static_cast<std::int64_t>(value) * num;
  std::int64_t d = den;
  std::int64_t p = product;
  if (d < 0) {
    d = -d;
    p = -p;
  }
  const std::int64_t magnitude = (2 * std::llabs(p) + d) / (2 * d);
  return static_cast<int>(p < 0 ? -magnitude : magnitude);
}

int ScaleWindowFontHeight(int designHeight, int pixelsPerInch) noexcept {
  if (pixelsPerInch == kDesignPixelsPerInch) return designHeight;
  return MulDivRound(designHeight, pixelsPerInch, kDesignPixelsPerInch);
}

TRect ScaleBounds(const TRect& design, int textHeight) noexcept {
  if (textHeight == kDesignTextHeight) return design;
  const int left = MulDivRound(design.left, textHeight, kDesignTextHeight);
  const int top = MulDivRound(design.top, textHeight, kDesignTextHeight);
  const int right = MulDivRound(design.left + design.width, textHeight, kDesignTextHeight);
  const int bottom = MulDivRound(design.top + design.height, textHeight, kDesignTextHeight);
  return {left, top, right - left, bottom - top};
}

int ScaleButtonFontHeight(int designHeight, int pixelsPerInch, int textHeight) noexcept {
  if (textHeight == kDesignTextHeight) return designHeight;
  const int points = MulDivRound(designHeight, 72, pixelsPerInch);
  const int scaledPoints = MulDivRound(points, textHeight, kDesignTextHeight);
  return MulDivRound(scaledPoints, pixelsPerInch, 72);
}

TSize ScaleClientSize(TSize design, int textHeight) noexcept {
  if (textHeight == kDesignTextHeight) return design;
  return {MulDivRound(design.width, textHeight, kDesignTextHeight),
          MulDivRound(design.height, textHeight, kDesignTextHeight)};
}

TPoint CentreInWorkArea(const TRect& workArea, TSize windowSize, int virtualLeft,
                            int virtualTop) noexcept {
  int left = workArea.left + (workArea.width - windowSize.width) / 2;
  int top = workArea.top + (workArea.height - windowSize.height) / 2;
  if (left < virtualLeft) left = virtualLeft;
  if (top < virtualTop) top = virtualTop;
  return {left, top};
}

std::optional<TFrameExtents> FrameFromSides(std::span<const std::uint32_t> sides) noexcept {
  // Wider than any screen is no frame: a garbled property.
  constexpr std::uint32_t kWidest = 1 << 15;
  if (sides.size() != 4) return std::nullopt;
  for (const std::uint32_t side : sides) {
    if (side >= kWidest) return std::nullopt;
  }
  return TFrameExtents{static_cast<int>(sides[0]), static_cast<int>(sides[1]), static_cast<int>(sides[2]),
                       static_cast<int>(sides[3])};
}

TSize OuterSize(TSize client, const TFrameExtents& frame) noexcept {
  return {client.width + frame.left + frame.right, client.height + frame.top + frame.bottom};
}

TPoint FramePlacement(const TRect& workArea, TSize client, const TFrameExtents& frame, int virtualLeft,
                      int virtualTop) noexcept {
  return CentreInWorkArea(workArea, OuterSize(client, frame), virtualLeft, virtualTop);
}

TRect WorkAreaOfScreen(const TRect& screen, const std::optional<TRect>& desktopWorkArea) noexcept {
  if (!desktopWorkArea) return screen;
  const TRect cut = screen.Intersect(*desktopWorkArea);
  return cut.Empty() ? screen : cut;
}

TRect PrimaryHead(const TRect& monitor, std::span<const TRect> heads) noexcept {
  const auto inside = [&](const TRect& head) { return !head.Empty() && monitor.Intersect(head) == head; };
  const auto within = std::count_if(heads.begin(), heads.end(), inside);
  return within >= 2 && inside(heads.front()) ? heads.front() : monitor;
}

TPoint CentreOffset(TSize box, TSize picture) noexcept {
  return {(box.width - picture.width) / 2, (box.height - picture.height) / 2};
}

}  // namespace zel
