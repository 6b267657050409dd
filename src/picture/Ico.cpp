// Icon set reader: the directory, then one image at a time, so a caller that
// needs a few of the sizes decodes only those.
#include "picture/Ico.h"

#include <string>

#include "core/Decimal.h"
#include "core/Error.h"
#include "picture/IconChoice.h"
#include "picture/Limits.h"

namespace zel::picture {

namespace {

constexpr std::size_t kDirectoryHeader = 6;
constexpr std::size_t kDirectoryEntry = 16;
constexpr std::size_t kInfoHeader = 40;  // BITMAPINFOHEADER
constexpr std::uint32_t kBiRgb = 0;

[[noreturn]] void Fail(const std::wstring& what) { throw Error("EInvalidGraphic", L"Icon: " + what); }

std::uint16_t ReadLe16(const std::uint8_t* p) noexcept { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t ReadLe32(const std::uint8_t* p) noexcept {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// Bytes of one bitmap row: bits rounded up to whole 32-bit words.
std::size_t RowBytes(std::int64_t width, int bitCount) noexcept {
  return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

bool IsPng(std::span<const std::uint8_t> data) noexcept {
  return data.size() >= 8 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G';
}

TRgbaImage DecodeBitmap(std::span<const std::uint8_t> data) {
  if (data.size() < kInfoHeader) Fail(L"the image header is cut short");
  const std::uint32_t headerSize = ReadLe32(data.data());
  const auto width = static_cast<std::int32_t>(ReadLe32(data.data() + 4));
  const auto doubleHeight = static_cast<std::int32_t>(ReadLe32(data.data() + 8));
  const int bitCount = ReadLe16(data.data() + 14);
  const std::uint32_t compression = ReadLe32(data.data() + 16);
  const std::uint32_t coloursUsed = ReadLe32(data.data() + 32);
  // The height counts the colour bitmap and the mask, both bottom-up.
  const std::int64_t height = doubleHeight / 2;
  if (headerSize < kInfoHeader || headerSize > data.size()) Fail(L"unknown image header");
  if (!IsPictureSizeAllowed(width, height) || doubleHeight % 2 != 0) {
    Fail(L"image size " + ToDecimal(static_cast<std::uint32_t>(width)) + L" x " +
         ToDecimal(static_cast<std::uint32_t>(doubleHeight)));
  }
  if (compression != kBiRgb) Fail(L"compressed bitmaps are not read");
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    Fail(L"images of " + ToDecimal(static_cast<unsigned>(bitCount)) + L" bits a pixel are not read");
  }

  std::size_t at = headerSize;
  std::size_t paletteSize = 0;
  if (bitCount <= 8) {
    paletteSize = coloursUsed != 0 ? coloursUsed : (std::size_t{1} << bitCount);
    if (paletteSize > (std::size_t{1} << bitCount)) Fail(L"the palette is too large");
  }
  const std::uint8_t* palette = data.data() + at;
  at += paletteSize * 4;
  const std::size_t colourRow = RowBytes(width, bitCount);
  const std::size_t maskRow = RowBytes(width, 1);
  const auto rows = static_cast<std::size_t>(height);
  if (at > data.size() || (data.size() - at) / rows < colourRow + maskRow) Fail(L"the image data is cut short");
  const std::uint8_t* colours = data.data() + at;
  const std::uint8_t* mask = colours + colourRow * rows;

  TRgbaImage image;
  image.width = width;
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<std::size_t>(width) * rows * 4);
  bool anyAlpha = false;
  for (std::size_t y = 0; y < rows; ++y) {
    const std::uint8_t* source = colours + (rows - 1 - y) * colourRow;  // bottom-up
    std::uint8_t* out = image.pixels.data() + y * static_cast<std::size_t>(width) * 4;
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x, out += 4) {
      const std::uint8_t* bgr = nullptr;
      std::uint8_t alpha = 255;
      if (bitCount == 32) {
        bgr = source + x * 4;
        alpha = bgr[3];
        anyAlpha = anyAlpha || alpha != 0;
      } else if (bitCount == 24) {
        bgr = source + x * 3;
      } else {
        const std::size_t bit = x * static_cast<std::size_t>(bitCount);
        const int shift = 8 - bitCount - static_cast<int>(bit % 8);
        const std::size_t index = (source[bit / 8] >> shift) & ((1u << bitCount) - 1);
        if (index >= paletteSize) Fail(L"a pixel names a colour the palette lacks");
        bgr = palette + index * 4;
      }
      out[0] = bgr[2];
      out[1] = bgr[1];
      out[2] = bgr[0];
      out[3] = alpha;
    }
  }
  // The mask decides transparency unless a 32-bit image carries its own alpha.
  if (bitCount != 32 || !anyAlpha) {
    for (std::size_t y = 0; y < rows; ++y) {
      const std::uint8_t* bits = mask + (rows - 1 - y) * maskRow;
      std::uint8_t* out = image.pixels.data() + y * static_cast<std::size_t>(width) * 4;
      for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
        const bool transparent = ((bits[x / 8] >> (7 - x % 8)) & 1) != 0;
        out[x * 4 + 3] = transparent ? 0 : 255;
      }
    }
  }
  return image;
}

}  // namespace

std::vector<TIconEntry> ReadIconDirectory(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kDirectoryHeader || ReadLe16(bytes.data()) != 0 || ReadLe16(bytes.data() + 2) != 1) {
    Fail(L"not an icon set");
  }
  const std::size_t count = ReadLe16(bytes.data() + 4);
  if (count == 0) Fail(L"the set holds no image");
  if (bytes.size() < kDirectoryHeader + count * kDirectoryEntry) Fail(L"the directory is cut short");
  std::vector<TIconEntry> entries;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* p = bytes.data() + kDirectoryHeader + i * kDirectoryEntry;
    TIconEntry entry;
    entry.width = p[0] == 0 ? 256 : p[0];
    entry.height = p[1] == 0 ? 256 : p[1];
    entry.bitCount = ReadLe16(p + 6);
    entry.size = ReadLe32(p + 8);
    entry.offset = ReadLe32(p + 12);
    if (entry.offset > bytes.size() || entry.size > bytes.size() - entry.offset) {
      Fail(L"image " + ToDecimal(i + 1) + L" lies outside the file");
    }
    entries.push_back(entry);
  }
  return entries;
}

TRgbaImage DecodeIconImage(std::span<const std::uint8_t> bytes, const TIconEntry& entry) {
  if (entry.offset > bytes.size() || entry.size > bytes.size() - entry.offset) Fail(L"the image lies outside the file");
  const std::span<const std::uint8_t> data = bytes.subspan(entry.offset, entry.size);
  if (IsPng(data)) return DecodePng(data);
  return DecodeBitmap(data);
}

TRgbaImage WindowIconImage(std::span<const std::uint8_t> bytes, int largeIconSize) {
  const std::vector<TIconEntry> entries = ReadIconDirectory(bytes);
  std::vector<TIconImageInfo> images;
  for (const TIconEntry& entry : entries) images.push_back({entry.width, entry.height, entry.bitCount});
  return DecodeIconImage(bytes, entries[NearestIconImage(images, largeIconSize)]);
}

}  // namespace zel::picture
