// Icon sets (.ico): the directory of images and the decoding of one image into
// straight-alpha RGBA. Images stored as device-independent bitmaps (1, 4 and 8
// bits with a palette, 24 and 32 bits) take their transparency from the AND mask,
// or from the alpha channel of a 32-bit image that has one; images stored as PNG
// go to the PNG reader. Anything else ends in an "EInvalidGraphic".
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "picture/Png.h"

namespace zel::picture {

// One image as the set's directory lists it.
struct TIconEntry {
  int width = 0;   // 1 to 256 (a stored 0 means 256)
  int height = 0;
  int bitCount = 0;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

// Reads the directory; each entry's data lies within bytes.
std::vector<TIconEntry> ReadIconDirectory(std::span<const std::uint8_t> bytes);

// Decodes one image of the set.
TRgbaImage DecodeIconImage(std::span<const std::uint8_t> bytes, const TIconEntry& entry);

// The image of an icon set a window takes as its own: the one nearest the
// platform's large-icon size, decoded.
TRgbaImage WindowIconImage(std::span<const std::uint8_t> bytes, int largeIconSize);

}  // namespace zel::picture
