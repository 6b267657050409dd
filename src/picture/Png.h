// PNG decoding into straight-alpha RGBA. The container (signature, chunks,
// CRCs, row filters) is read here; the image data is inflated with zlib.
// Non-interlaced pictures at 8 bits a sample, of every colour type, are read;
// anything else ends in an "EPngError".
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zel::picture {

// RGBA, rows top-down, 4 * width bytes a row, straight (not premultiplied) alpha.
struct TRgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// Throws zel::Error of kind "EPngError" for anything it cannot read.
TRgbaImage DecodePng(std::span<const std::uint8_t> bytes);

}  // namespace zel::picture
