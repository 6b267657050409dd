// Alpha blending of the purchase picture over the button face: the channel
// rule with its rounding, and a whole block with its byte order and stride.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "picture/Blend.h"

namespace zel::picture {
namespace {

TEST(BlendChannel, EndsOfTheAlphaRange) {
  for (const int d : {0, 1, 127, 254, 255}) {
    for (const int s : {0, 1, 128, 255}) {
      const auto db = static_cast<std::uint8_t>(d);
      const auto sb = static_cast<std::uint8_t>(s);
      EXPECT_EQ(BlendChannel(db, sb, 0), d);
      EXPECT_EQ(BlendChannel(db, sb, 255), s);
    }
  }
}

TEST(BlendChannel, RoundsToNearest) {
  EXPECT_EQ(BlendChannel(0, 1, 128), 1);    // 128 / 255 = 0.502 rounds up
  EXPECT_EQ(BlendChannel(0, 1, 127), 0);    // 127 / 255 = 0.498 rounds down
  EXPECT_EQ(BlendChannel(0, 255, 128), 128);
  EXPECT_EQ(BlendChannel(255, 0, 1), 254);  // 64770 / 255 = 254.0
  EXPECT_EQ(BlendChannel(100, 200, 1), 100);  // 25600 / 255 = 100.4
  EXPECT_EQ(BlendChannel(100, 200, 254), 200);  // 50900 / 255 = 199.6
  EXPECT_EQ(BlendChannel(77, 77, 200), 77);   // equal values stay
  static_assert(BlendChannel(10, 20, 0) == 10);
}

// The integer rule agrees with rounding the exact mix for every input; no mix
// lands on a half, so the rounding direction is never in question.
TEST(BlendChannel, MatchesExactRoundingEverywhere) {
  int mismatches = 0;
  for (int a = 1; a < 255; ++a) {
    for (int d = 0; d < 256; ++d) {
      for (int s = 0; s < 256; ++s) {
        const double exact = (d * (255.0 - a) + s * a) / 255.0;
        const long expected = std::lround(exact);
        const int got = BlendChannel(static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(s),
                                     static_cast<std::uint8_t>(a));
        if (got != expected && ++mismatches <= 5) {
          ADD_FAILURE() << "d=" << d << " s=" << s << " a=" << a << ": " << got << " vs "
                        << expected;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

// A 3 x 2 picture over a block whose rows carry 4 spare bytes each.
TEST(BlendOverBgrx, BlocksWithStrideAndByteOrder) {
  TRgbaImage picture;
  picture.width = 3;
  picture.height = 2;
  picture.pixels = {
      10, 20, 30, 0,    200, 100, 50, 255,  0, 255, 0, 128,  // row 0
      255, 0, 0, 255,   1, 2, 3, 64,          9, 9, 9, 0,    // row 1
  };
  const std::size_t stride = 3 * 4 + 4;
  std::vector<std::uint8_t> block(stride * 2);
  for (std::size_t i = 0; i < block.size(); ++i) {
    block[i] = static_cast<std::uint8_t>(100 + i);  // B, G, R, X, ... then the spare bytes
  }
  BlendOverBgrx(picture, block.data(), stride);

  const std::vector<std::uint8_t> expected = {
      // row 0: transparent; opaque RGB 200,100,50 as B,G,R = 50,100,200; half green
      100, 101, 102, 103,  50, 100, 200, 107,
      BlendChannel(108, 0, 128), BlendChannel(109, 255, 128), BlendChannel(110, 0, 128), 111,
      112, 113, 114, 115,  // spare bytes untouched
      // row 1: opaque red; a quarter of RGB 1,2,3; transparent
      0, 0, 255, 119,
      BlendChannel(120, 3, 64), BlendChannel(121, 2, 64), BlendChannel(122, 1, 64), 123,
      124, 125, 126, 127,  128, 129, 130, 131,
  };
  EXPECT_EQ(block, expected);
  EXPECT_EQ(block[8], 54);  // (108 * 127 + 0 * 128 + 127) / 255
}

TEST(BlendOverBgrx, MismatchedPictureIsNotDrawn) {
  TRgbaImage picture;
  picture.width = 2;
  picture.height = 2;
  picture.pixels.assign(2 * 4, 255);  // one row's worth for a two-row picture
  std::vector<std::uint8_t> block(2 * 2 * 4, 7);
  BlendOverBgrx(picture, block.data(), 2 * 4);
  EXPECT_EQ(block, std::vector<std::uint8_t>(2 * 2 * 4, 7));

  picture.pixels.assign(2 * 2 * 4, 255);
  BlendOverBgrx(picture, block.data(), 4);  // a stride shorter than a row
  EXPECT_EQ(block, std::vector<std::uint8_t>(2 * 2 * 4, 7));
  BlendOverBgrx(picture, block.data(), 8);
  EXPECT_EQ(block, (std::vector<std::uint8_t>{255, 255, 255, 7, 255, 255, 255, 7,
                                              255, 255, 255, 7, 255, 255, 255, 7}));
}


// A repaint covers part of the picture: only that part is blended, each pixel
// from its own place in the picture, and a part reaching past the picture is cut.
TEST(BlendOverBgrx, PartOfThePicture) {
  TRgbaImage picture;
  picture.width = 3;
  picture.height = 3;
  for (std::uint8_t i = 0; i < 9; ++i) {
    picture.pixels.insert(picture.pixels.end(), {static_cast<std::uint8_t>(10 * i), 0, 0, 255});
  }
  std::vector<std::uint8_t> block(2 * 2 * 4, 1);
  BlendOverBgrx(picture, {1, 1, 2, 2}, block.data(), 2 * 4);  // pixels 4, 5, 7, 8
  EXPECT_EQ(block, (std::vector<std::uint8_t>{0, 0, 40, 1, 0, 0, 50, 1, 0, 0, 70, 1, 0, 0, 80, 1}));

  std::vector<std::uint8_t> wide(2 * 2 * 4, 1);
  BlendOverBgrx(picture, {-1, 2, 2, 2}, wide.data(), 2 * 4);  // only pixel 6, at the block's (1, 0)
  EXPECT_EQ(wide, (std::vector<std::uint8_t>{1, 1, 1, 1, 0, 0, 60, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
}

}  // namespace
}  // namespace zel::picture
