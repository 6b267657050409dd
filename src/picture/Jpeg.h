// JPEG decoding through the IJG library (version-62 interface) at its default
// settings: the size from the header alone, full-colour pixels, or pixels
// reduced to a palette by the library's own quantizer. Failures are
// "EJpegError"; the library's own errors read "JPEG error #<message code>".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "core/Geometry.h"

namespace zel::picture {

// RGB, rows top-down, 3 * width bytes a row with no padding.
struct TRgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  bool multiScan = false;  // progressive (or multi-scan) data
};

struct TPalettedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> palette;  // RGB triples, at most maxColours of them
  std::vector<std::uint8_t> indices;  // width * height, rows top-down
  bool multiScan = false;
};

// Reads only the header (jpeg_read_header).
TSize ReadJpegSize(std::span<const std::uint8_t> bytes);

// Greyscale pictures come out with R = G = B.
TRgbImage DecodeJpeg(std::span<const std::uint8_t> bytes);

// Rows the caller provides once the size is known, such as a bitmap's own bits.
struct TBgrRows {
  std::uint8_t* first = nullptr;  // the top row
  std::ptrdiff_t stride = 0;      // from one row to the next, at least 3 * width
};

// Full colour straight into the caller's rows, B G R a pixel (the layout of a
// 24-bit device-independent bitmap), so no second copy of the picture is ever
// held. rowsFor may throw; its error then ends the decoding.
void DecodeJpegBgr(std::span<const std::uint8_t> bytes, const std::function<TBgrRows(TSize)>& rowsFor);

// Full colour into the caller's rows four bytes a pixel, B G R X with X = 255 (an
// RGB24 image of a little-endian toolkit), again straight from the decoder. Rows
// narrower than 4 * width are an error.
void DecodeJpegBgrx(std::span<const std::uint8_t> bytes, const std::function<TBgrRows(TSize)>& rowsFor);

// A paletted picture's pixels as B G R X (X = 255) in the caller's rows, which
// hold at least 4 * width bytes each.
void PalettedToBgrx(const TPalettedImage& image, TBgrRows rows) noexcept;

// maxColours: 2 to 256, the library's limits; the launcher asks for 236.
TPalettedImage DecodeJpegPaletted(std::span<const std::uint8_t> bytes, int maxColours);

}  // namespace zel::picture
