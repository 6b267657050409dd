// Bands of a paint: the main window's rows with its buttons kept whole, a partial
// paint, a span taller than a band, and a paint starting inside a span.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

#include "controls/PaintBands.h"

namespace zel {
namespace {

using TBands = std::vector<TRows>;

// The bands covering rows, from the top down, none ending inside a span of uncut.
TBands PaintBands(TRows rows, int maxRows, std::span<const TRows> uncut) {
  const auto mayEndAt = [uncut](int y) {
    return std::none_of(uncut.begin(), uncut.end(), [y](const TRows& span) { return span.top < y && y < span.bottom; });
  };
  TBands bands;
  for (int top = rows.top; top < rows.bottom; top = bands.back().bottom) {
    bands.push_back({top, PaintBandEnd(top, rows, maxRows, mayEndAt)});
  }
  return bands;
}

TEST(PaintBands, NoBandEdgeCrossesAButton) {
  // The buttons' rows at 96 dpi: the upper two share rows 177 to 286, the purchase
  // button 292 to 441. The banner above them may be cut anywhere.
  const TRows buttons[] = {{292, 441}, {177, 286}, {177, 286}};
  EXPECT_EQ(PaintBands({0, 449}, 64, buttons),
            (TBands{{0, 64}, {64, 128}, {128, 177}, {177, 286}, {286, 292}, {292, 441}, {441, 449}}));
  // Nothing in the way: plain bands, the last one short.
  EXPECT_EQ(PaintBands({0, 150}, 64, {}), (TBands{{0, 64}, {64, 128}, {128, 150}}));
  // A paint of part of a button, and one starting inside a button.
  EXPECT_EQ(PaintBands({300, 320}, 64, buttons), (TBands{{300, 320}}));
  EXPECT_EQ(PaintBands({200, 449}, 64, buttons), (TBands{{200, 286}, {286, 292}, {292, 441}, {441, 449}}));
  // Overlapping spans make one uncut run.
  const TRows overlapping[] = {{10, 50}, {40, 90}};
  EXPECT_EQ(PaintBands({0, 100}, 32, overlapping), (TBands{{0, 10}, {10, 90}, {90, 100}}));
  EXPECT_TRUE(PaintBands({5, 5}, 64, buttons).empty());
  EXPECT_EQ(PaintBands({0, 3}, 0, {}), (TBands{{0, 1}, {1, 2}, {2, 3}}));
}

}  // namespace
}  // namespace zel
