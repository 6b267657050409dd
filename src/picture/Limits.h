// Size limits shared by the picture decoders. The launcher's own pictures are
// small; the limits keep a damaged header from asking for gigabytes.
#pragma once

#include <cstdint>

namespace zel::picture {

inline constexpr std::int64_t kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 24;  // 64 MiB as RGBA

// 1..kMaxPictureSide a side and at most kMaxPicturePixels in all.
constexpr bool IsPictureSizeAllowed(std::int64_t width, std::int64_t height) noexcept {
  return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height <= kMaxPicturePixels;
}

}  // namespace zel::picture
