// Where a button's caption sits in its face, for both caption layouts.
#include <gtest/gtest.h>

#include "controls/Caption.h"

namespace zel::controls {
namespace {

struct TOffsetCase {
  int freeWidth;   // d: face width minus caption width
  int imageLeft;   // the caption's left offset with the image place on its left
  int imageRight;  // ... and with the image place on its right
};

TEST(CaptionOffset, LeftOffsetForBothLayouts) {
  constexpr int kFaceWidth = 400;
  const TOffsetCase cases[] = {
      {0, 0, 0},    {1, 1, 0},    {2, 1, 1},    {5, 3, 2},   {6, 3, 3},
      {-1, 0, -1},  {-2, 0, -2},  {-3, -1, -2}, {-4, -1, -3}, {-5, -2, -3},
  };
  for (const TOffsetCase& c : cases) {
    SCOPED_TRACE(c.freeWidth);
    const int captionWidth = kFaceWidth - c.freeWidth;
    EXPECT_EQ(CaptionOffset({kFaceWidth, 100}, {captionWidth, 30}, false).x, c.imageLeft);
    EXPECT_EQ(CaptionOffset({kFaceWidth, 100}, {captionWidth, 30}, true).x, c.imageRight);
  }
}

// The image-right caption sits one pixel further left for odd d, two for even
// negative d, and level with the image-left one otherwise.
TEST(CaptionOffset, ImageRightShiftAgainstImageLeft) {
  for (int d = -9; d <= 9; ++d) {
    SCOPED_TRACE(d);
    const int shift =
        CaptionOffset({300, 80}, {300 - d, 20}, false).x - CaptionOffset({300, 80}, {300 - d, 20}, true).x;
    const int expected = d % 2 != 0 ? 1 : (d < 0 ? 2 : 0);
    EXPECT_EQ(shift, expected);
  }
}

TEST(CaptionOffset, TopOffsetIsTheSameForBothLayouts) {
  // e = face height minus caption height: 91, 90, -1, -2, -3.
  const int heights[][2] = {{9, 46}, {10, 45}, {101, 0}, {102, 0}, {103, -1}};
  for (const auto& [captionHeight, top] : heights) {
    SCOPED_TRACE(captionHeight);
    EXPECT_EQ(CaptionOffset({200, 100}, {150, captionHeight}, false).y, top);
    EXPECT_EQ(CaptionOffset({200, 100}, {150, captionHeight}, true).y, top);
  }
}

TEST(CaptionOffset, RectLiesInTheFace) {
  // Face 300 x 80 at (10, 20), caption 101 x 21: d = 199, e = 59.
  EXPECT_EQ(CaptionRect({10, 20, 300, 80}, {101, 21}, false), (TRect{110, 50, 101, 21}));
  EXPECT_EQ(CaptionRect({10, 20, 300, 80}, {101, 21}, true), (TRect{109, 50, 101, 21}));
}

}  // namespace
}  // namespace zel::controls
