// Composing a straight-alpha picture over pixels already drawn: per channel,
// alpha 0 keeps what is beneath, 255 takes the picture, anything between mixes
// the two with rounding. The form's painter blends on the platforms' 32-bit
// B G R X surfaces (a DIB section, a QImage of Format_RGB32, a cairo RGB24
// image) through BlendOverBgrx.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/Geometry.h"
#include "picture/Png.h"

namespace zel::picture {

// d beneath, s the picture's value, a its alpha:
// a == 0 -> d; a == 255 -> s; else (d * (255 - a) + s * a + 127) / 255.
constexpr std::uint8_t BlendChannel(std::uint8_t d, std::uint8_t s, std::uint8_t a) noexcept {
  if (a == 0) {
    return d;
  }
  if (a == 255) {
    return s;
  }
  return static_cast<std::uint8_t>((d * (255 - a) + s * a + 127) / 255);
}

// Blends part of the picture (in the picture's own coordinates, cut to its
// size) over a block of a 32-bit top-down surface, B G R X a pixel, whose
// first byte is where the part's top-left pixel lands; strideBytes apart from
// one row to the next. The X byte is left as it is. A picture whose pixels do
// not match its size is not drawn.
void BlendOverBgrx(const TRgbaImage& picture, const TRect& part, std::uint8_t* block,
                   std::size_t strideBytes) noexcept;

// The whole picture.
inline void BlendOverBgrx(const TRgbaImage& picture, std::uint8_t* block, std::size_t strideBytes) noexcept {
  BlendOverBgrx(picture, {0, 0, picture.width, picture.height}, block, strideBytes);
}

}  // namespace zel::picture
