// What a program's first complete frame must show on screen, as colours at
// client positions, and the comparison of a captured client area with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zelbench {

// One pixel the frame must show: client position and colour 0xRRGGBB.
struct TSample {
  int x = 0;
  int y = 0;
  std::uint32_t rgb = 0;
};

struct TExpectedFrame {
  int clientWidth = 0;
  int clientHeight = 0;
  std::vector<TSample> samples;
  int sentinelRow = -1;  // the row a poll looks at first; -1: the last sample's
};

// Where the launcher draws its pictures, in client pixels at 96 dpi.
inline constexpr int kLauncherClientWidth = 960;
inline constexpr int kLauncherClientHeight = 449;
inline constexpr int kBannerLeft = 0, kBannerTop = 0;
inline constexpr int kPictureLeft = 680, kPictureTop = 302;

// Every banner pixel, and every pixel of the purchase picture with alpha 255: the
// button face under the others is the platform theme's, so only those are known.
TExpectedFrame LauncherFrame(std::span<const std::uint8_t> bannerJpeg, std::span<const std::uint8_t> picturePng);

// One colour over the whole client area.
TExpectedFrame PlainFrame(int width, int height, std::uint32_t rgb);

// A frame of a program whose pixels cannot be known without drawing them (its
// captions, its toolkit's widgets): every pixel of a capture of its client area
// taken once it had settled. client is as for Compare. Its first look is the
// lowest row of more than one colour (the last caption's or widget's edge), so a
// poll does not pass on a background row painted before the rest.
TExpectedFrame ReferenceFrame(int width, int height, std::span<const std::uint32_t> client);

// The samples on the frame's sentinel row (by default its last sampled row): the cheap first look of a poll.
TExpectedFrame LastRowOf(const TExpectedFrame& frame);

struct TComparison {
  std::size_t mismatches = 0;
  TSample first;            // the first sample that differs
  std::uint32_t seen = 0;   // what the screen showed there
};

// client: the captured client area, clientWidth * clientHeight pixels 0x..RRGGBB,
// rows top-down (a 32-bit DIB read as little-endian words). With stopAtFirst it
// returns at the first difference (polling); without, it counts them all (reports).
TComparison Compare(const TExpectedFrame& frame, std::span<const std::uint32_t> client, bool stopAtFirst);

}  // namespace zelbench
