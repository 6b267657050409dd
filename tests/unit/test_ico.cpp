// The icon set reader against a small set written here (32-bit images with and
// without alpha, paletted images with their masks, a PNG image), damaged sets,
// and the program's own icon set.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Error.h"
#include "picture/Ico.h"
#include "picture_png_writer.h"

namespace zel::picture {
namespace {

using test::TBytes;

void PutLe(TBytes& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A device-independent bitmap image of an icon: header, palette, colour rows and
// mask rows, both bottom-up, from top-down pixels given as B G R A (alpha only
// stored at 32 bits) or palette indices, and a top-down mask (1 = transparent).
TBytes BitmapImage(int width, int height, int bitCount, const TBytes& pixels, const std::vector<bool>& mask,
                   const TBytes& paletteBgrx = {}) {
  TBytes out;
  PutLe(out, 40, 4);
  PutLe(out, static_cast<std::uint32_t>(width), 4);
  PutLe(out, static_cast<std::uint32_t>(height * 2), 4);
  PutLe(out, 1, 2);
  PutLe(out, static_cast<std::uint32_t>(bitCount), 2);
  PutLe(out, 0, 4);  // BI_RGB
  for (int i = 0; i < 3; ++i) PutLe(out, 0, 4);  // image size, resolution
  PutLe(out, static_cast<std::uint32_t>(paletteBgrx.size() / 4), 4);
  PutLe(out, 0, 4);
  out.insert(out.end(), paletteBgrx.begin(), paletteBgrx.end());
  const auto rowBytes = [&](int bits) { return static_cast<std::size_t>((width * bits + 31) / 32 * 4); };
  for (int y = height - 1; y >= 0; --y) {
    TBytes row(rowBytes(bitCount));
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * width + x);
      if (bitCount >= 24) {
        const std::size_t channels = static_cast<std::size_t>(bitCount / 8);
        for (std::size_t c = 0; c < channels; ++c) row[x * channels + c] = pixels[i * 4 + c];
      } else {
        const int bit = x * bitCount;
        row[bit / 8] |= static_cast<std::uint8_t>(pixels[i] << (8 - bitCount - bit % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = height - 1; y >= 0; --y) {
    TBytes row(rowBytes(1));
    for (int x = 0; x < width; ++x) {
      if (mask[static_cast<std::size_t>(y * width + x)]) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

struct TImage {
  int width, height, bitCount;
  TBytes data;
};

TBytes IconSet(const std::vector<TImage>& images) {
  TBytes out;
  PutLe(out, 0, 2);
  PutLe(out, 1, 2);
  PutLe(out, static_cast<std::uint32_t>(images.size()), 2);
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const TImage& image : images) {
    out.push_back(static_cast<std::uint8_t>(image.width & 0xFF));
    out.push_back(static_cast<std::uint8_t>(image.height & 0xFF));
    PutLe(out, 0, 2);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<std::uint32_t>(image.bitCount), 2);
    PutLe(out, static_cast<std::uint32_t>(image.data.size()), 4);
    PutLe(out, offset, 4);
    offset += static_cast<std::uint32_t>(image.data.size());
  }
  for (const TImage& image : images) out.insert(out.end(), image.data.begin(), image.data.end());
  return out;
}

void ExpectIconError(const TBytes& bytes, const std::wstring& fragment, bool decodeFirst = false) {
  try {
    const auto entries = ReadIconDirectory(bytes);
    if (decodeFirst) DecodeIconImage(bytes, entries.at(0));
    ADD_FAILURE() << "no error for " << std::string(fragment.begin(), fragment.end());
  } catch (const Error& error) {
    EXPECT_EQ(error.Kind(), "EInvalidGraphic");
    EXPECT_NE(error.Message().find(fragment), std::wstring::npos);
  }
}

// 3 x 2 pixels, B G R A top-down, with a mask that hides the top-right pixel.
const TBytes kBgra = {10, 20, 30, 255, 40, 50, 60, 128, 70, 80, 90, 0, 1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255};
const std::vector<bool> kMask = {false, false, true, false, false, false};

TEST(IconSet, ReadsEveryKindOfImageInDirectoryOrder) {
  TBytes noAlpha = kBgra;
  for (std::size_t i = 3; i < noAlpha.size(); i += 4) noAlpha[i] = 0;
  // Palette: index 0 black, 1 red, 2 green, 3 blue (B G R X).
  const TBytes palette = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};
  const TBytes indices = {1, 2, 3, 0, 1, 2};
  const TBytes rgbaSamples = {1, 2, 3, 4, 5, 6, 7, 8};
  const TBytes set = IconSet({
      {3, 2, 32, BitmapImage(3, 2, 32, kBgra, kMask)},
      {3, 2, 32, BitmapImage(3, 2, 32, noAlpha, kMask)},
      {3, 2, 24, BitmapImage(3, 2, 24, kBgra, kMask)},
      {3, 2, 8, BitmapImage(3, 2, 8, indices, kMask, palette)},
      {3, 2, 4, BitmapImage(3, 2, 4, indices, kMask, palette)},
      {3, 2, 1, BitmapImage(3, 2, 1, {1, 0, 1, 0, 1, 0}, kMask, TBytes(palette.begin(), palette.begin() + 8))},
      {256, 256, 32, test::EncodePng(2, 1, 6, rgbaSamples)},
  });
  const std::vector<TIconEntry> entries = ReadIconDirectory(set);
  ASSERT_EQ(entries.size(), 7u);
  EXPECT_EQ(entries[3].bitCount, 8);
  EXPECT_EQ(entries[6].width, 256);  // a stored 0
  EXPECT_EQ(entries[6].height, 256);

  // Its own alpha: the mask is not consulted.
  EXPECT_EQ(DecodeIconImage(set, entries[0]).pixels,
            (TBytes{30, 20, 10, 255, 60, 50, 40, 128, 90, 80, 70, 0, 3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255}));
  // No alpha at all: the mask decides.
  const TBytes masked = {30, 20, 10, 255, 60, 50, 40, 255, 90, 80, 70, 0, 3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255};
  EXPECT_EQ(DecodeIconImage(set, entries[1]).pixels, masked);
  EXPECT_EQ(DecodeIconImage(set, entries[2]).pixels, masked);
  const TBytes paletted = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255};
  EXPECT_EQ(DecodeIconImage(set, entries[3]).pixels, paletted);
  EXPECT_EQ(DecodeIconImage(set, entries[4]).pixels, paletted);
  const TRgbaImage mono = DecodeIconImage(set, entries[5]);
  EXPECT_EQ(mono.pixels, (TBytes{255, 0, 0, 255, 0, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 255, 0, 0, 0, 255}));
  const TRgbaImage png = DecodeIconImage(set, entries[6]);
  EXPECT_EQ(png.width, 2);
  EXPECT_EQ(png.pixels, rgbaSamples);
}

TEST(IconSet, DamagedSetsAreErrors) {
  const TBytes image = BitmapImage(3, 2, 32, kBgra, kMask);
  const TBytes good = IconSet({{3, 2, 32, image}});
  ExpectIconError(TBytes(good.begin(), good.begin() + 4), L"not an icon set");
  ExpectIconError(IconSet({}), L"no image");
  ExpectIconError(TBytes(good.begin(), good.begin() + 12), L"directory is cut short");
  ExpectIconError(TBytes(good.begin(), good.end() - 1), L"outside the file");
  ExpectIconError(IconSet({{3, 2, 32, TBytes(image.begin(), image.end() - 1)}}), L"cut short", true);
  ExpectIconError(IconSet({{3, 2, 32, TBytes(image.begin(), image.begin() + 20)}}), L"header is cut short", true);
  TBytes compressed = image;
  compressed[16] = 1;  // BI_RLE8
  ExpectIconError(IconSet({{3, 2, 32, compressed}}), L"compressed", true);
  TBytes sixteen = image;
  sixteen[14] = 16;
  ExpectIconError(IconSet({{3, 2, 32, sixteen}}), L"16 bits", true);
  TBytes huge = image;
  huge[7] = 0x7F;  // width beyond any limit
  ExpectIconError(IconSet({{3, 2, 32, huge}}), L"image size", true);
  // A paletted pixel naming a colour beyond the palette's two.
  const TBytes palette = {0, 0, 0, 0, 255, 255, 255, 0};
  ExpectIconError(IconSet({{3, 2, 8, BitmapImage(3, 2, 8, {0, 1, 2, 0, 1, 0}, kMask, palette)}}), L"palette lacks",
                  true);
}

TEST(IconSet, TheProgramsOwnSet) {
  std::ifstream file(std::string(ZEL_SOURCE_DIR) + "/res/ZelProject.ico", std::ios::binary);
  const TBytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::vector<TIconEntry> entries = ReadIconDirectory(bytes);
  const std::vector<std::pair<int, int>> expected = {{48, 8}, {32, 8}, {16, 8}, {256, 32}, {48, 32}, {32, 32}, {16, 32}};
  ASSERT_EQ(entries.size(), expected.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].width, expected[i].first);
    EXPECT_EQ(entries[i].bitCount, expected[i].second);
    const TRgbaImage image = DecodeIconImage(bytes, entries[i]);
    EXPECT_EQ(image.width, expected[i].first);
    EXPECT_EQ(image.height, expected[i].first);
    // The monitor is drawn on a transparent ground.
    int opaque = 0, clear = 0;
    for (std::size_t p = 3; p < image.pixels.size(); p += 4) {
      opaque += image.pixels[p] == 255;
      clear += image.pixels[p] == 0;
    }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(clear, 0);
  }
}

}  // namespace
}  // namespace zel::picture
