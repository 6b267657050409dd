#include "Frame.h"

#include <stdexcept>
#include <string>

#include "picture/Jpeg.h"
#include "picture/Png.h"

namespace zelbench {

namespace picture = zel::picture;

namespace {

std::uint32_t Rgb(const std::uint8_t* p) noexcept {
  return static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
}

void RequireInside(const char* what, int left, int top, int width, int height) {
  if (left + width > kLauncherClientWidth || top + height > kLauncherClientHeight) {
    throw std::runtime_error(std::string(what) + " of " + std::to_string(width) + "x" + std::to_string(height) +
                             " does not fit the client area at its place");
  }
}

}  // namespace

TExpectedFrame LauncherFrame(std::span<const std::uint8_t> bannerJpeg, std::span<const std::uint8_t> picturePng) {
  TExpectedFrame frame{kLauncherClientWidth, kLauncherClientHeight, {}};

  const picture::TRgbImage banner = picture::DecodeJpeg(bannerJpeg);
  RequireInside("the banner", kBannerLeft, kBannerTop, banner.width, banner.height);
  for (int y = 0; y < banner.height; ++y) {
    for (int x = 0; x < banner.width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * banner.width + x) * 3;
      frame.samples.push_back({kBannerLeft + x, kBannerTop + y, Rgb(&banner.pixels[at])});
    }
  }

  const picture::TRgbaImage picture = picture::DecodePng(picturePng);
  RequireInside("the purchase picture", kPictureLeft, kPictureTop, picture.width, picture.height);
  std::size_t opaque = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * picture.width + x) * 4;
      if (picture.pixels[at + 3] != 255) continue;
      frame.samples.push_back({kPictureLeft + x, kPictureTop + y, Rgb(&picture.pixels[at])});
      ++opaque;
    }
  }
  // Without opaque pixels nothing would show the picture has been drawn.
  if (opaque == 0) throw std::runtime_error("the purchase picture has no opaque pixel to look for");
  return frame;
}

TExpectedFrame PlainFrame(int width, int height, std::uint32_t rgb) {
  TExpectedFrame frame{width, height, {}};
  frame.samples.reserve(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) frame.samples.push_back({x, y, rgb});
  }
  return frame;
}

TExpectedFrame ReferenceFrame(int width, int height, std::span<const std::uint32_t> client) {
  if (client.size() < static_cast<std::size_t>(width) * height) {
    throw std::runtime_error("a capture smaller than its frame");
  }
  TExpectedFrame frame{width, height, {}};
  frame.samples.reserve(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const std::uint32_t* row = client.data() + static_cast<std::size_t>(y) * width;
    bool uniform = true;
    for (int x = 0; x < width; ++x) {
      frame.samples.push_back({x, y, row[x] & 0xFFFFFF});
      uniform = uniform && (row[x] & 0xFFFFFF) == (row[0] & 0xFFFFFF);
    }
    if (!uniform) frame.sentinelRow = y;
  }
  // One colour everywhere: nothing was drawn, and a blank window would pass.
  if (frame.sentinelRow < 0) throw std::runtime_error("the settled capture is one colour all over");
  return frame;
}

TExpectedFrame LastRowOf(const TExpectedFrame& frame) {
  if (frame.samples.empty()) throw std::runtime_error("a frame with no samples cannot be looked for");
  TExpectedFrame row{frame.clientWidth, frame.clientHeight, {}};
  const int y = frame.sentinelRow >= 0 ? frame.sentinelRow : frame.samples.back().y;
  for (const TSample& sample : frame.samples) {
    if (sample.y == y) row.samples.push_back(sample);
  }
  return row;
}

TComparison Compare(const TExpectedFrame& frame, std::span<const std::uint32_t> client, bool stopAtFirst) {
  TComparison result;
  for (const TSample& sample : frame.samples) {
    const std::uint32_t seen = client[static_cast<std::size_t>(sample.y) * frame.clientWidth + sample.x] & 0xFFFFFF;
    if (seen == sample.rgb) continue;
    if (result.mismatches++ == 0) {
      result.first = sample;
      result.seen = seen;
      if (stopAtFirst) break;
    }
  }
  return result;
}

}  // namespace zelbench
