// The PNG reader against pictures written by the test writer: every row filter,
// split image data, each colour type, then damaged files of every kind.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/Utf8.h"
#include "picture/Png.h"
#include "picture_png_writer.h"

namespace zel::picture {
namespace {

using test::Assemble;
using test::Chunk;
using test::Compress;
using test::EncodePng;
using test::HeaderData;
using test::PseudoRandomBytes;
using test::TBytes;
using test::TPngOptions;

// RGBA expected from 8-bit samples of a colour type without palette or key.
TBytes ExpectedRgba(std::uint8_t colourType, const TBytes& samples) {
  TBytes out;
  const std::size_t channels = test::ChannelsOf(colourType);
  for (std::size_t i = 0; i < samples.size(); i += channels) {
    const std::uint8_t* s = samples.data() + i;
    switch (colourType) {
      case 0: out.insert(out.end(), {s[0], s[0], s[0], 255}); break;
      case 2: out.insert(out.end(), {s[0], s[1], s[2], 255}); break;
      case 4: out.insert(out.end(), {s[0], s[0], s[0], s[1]}); break;
      default: out.insert(out.end(), s, s + 4); break;
    }
  }
  return out;
}

// Decoding must fail with an EPngError whose message holds `fragment`.
void ExpectPngError(const TBytes& bytes, const std::wstring& fragment) {
  try {
    const TRgbaImage image = DecodePng(bytes);
    ADD_FAILURE() << "decoded a " << image.width << " x " << image.height << " picture";
  } catch (const Error& error) {
    EXPECT_EQ(error.Kind(), "EPngError");
    EXPECT_NE(error.Message().find(fragment), std::wstring::npos)
        << "message: " << ToUtf8(error.Message()) << "\nexpected: " << ToUtf8(fragment);
  }
}

// A 5 x 4 RGBA picture of pseudo-random samples.
constexpr std::uint32_t kWidth = 5;
constexpr std::uint32_t kHeight = 4;
const TBytes kSamples = PseudoRandomBytes(kWidth * kHeight * 4, 7);

TBytes ValidPng() { return EncodePng(kWidth, kHeight, 6, kSamples); }
TBytes ValidHeader() { return Chunk("IHDR", HeaderData(kWidth, kHeight, 8, 6)); }
TBytes ValidImageData() {
  return Chunk("IDAT", Compress(test::FilterRows(kSamples, kWidth * 4, 4, {0})));
}
TBytes End() { return Chunk("IEND", {}); }

// Raw (filtered) rows of the 5 x 4 RGBA picture with `extra` bytes added or removed.
TBytes ImageDataOfRawSize(std::ptrdiff_t extra) {
  TBytes raw = test::FilterRows(kSamples, kWidth * 4, 4, {0});
  raw.resize(static_cast<std::size_t>(static_cast<std::ptrdiff_t>(raw.size()) + extra));
  return Chunk("IDAT", Compress(raw));
}

// ---- Decoding good pictures ----

class PngFilterTest : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(PngFilterTest, EveryColourTypeRoundTripsThroughTheFilter) {
  for (const std::uint8_t colourType : std::initializer_list<std::uint8_t>{0, 2, 4, 6}) {
    SCOPED_TRACE("colour type " + std::to_string(colourType));
    const std::uint32_t width = 7;
    const std::uint32_t height = 6;
    const TBytes samples =
        PseudoRandomBytes(width * height * test::ChannelsOf(colourType), colourType + 1u);
    TPngOptions options;
    options.filters = {GetParam()};
    const TRgbaImage image = DecodePng(EncodePng(width, height, colourType, samples, options));
    EXPECT_EQ(image.width, 7);
    EXPECT_EQ(image.height, 6);
    EXPECT_EQ(image.pixels, ExpectedRgba(colourType, samples));
  }
}

std::string FilterName(const ::testing::TestParamInfo<std::uint8_t>& filter) {
  static const char* const kNames[] = {"None", "Sub", "Up", "Average", "Paeth"};
  return kNames[filter.param];
}

INSTANTIATE_TEST_SUITE_P(AllFilters, PngFilterTest, ::testing::Values(0, 1, 2, 3, 4), FilterName);

// Filtered bytes worked out by hand, one grey sample a pixel, so the reader is
// not only checked against the test writer's own filters.
TEST(PngDecode, HandWorkedFilterRows) {
  const TBytes raw = {
      0, 7,  8,  9,    // None
      1, 10, 20, 250,  // Sub: 10, 30, 280 mod 256 = 24
      4, 5,  5,  5,    // Paeth, above 10 30 24: predicts up, up, up-left: 15, 35, 35
      3, 1,  2,  3,    // Average: (0+15)/2+1 = 8, (8+35)/2+2 = 23, (23+35)/2+3 = 32
      2, 32, 17, 58,   // Up: 40, 40, 90
      4, 1,  2,  3,    // Paeth, above 40 40 90: predicts up, left, up: 41, 43, 93
  };
  const TBytes png = Assemble({Chunk("IHDR", HeaderData(3, 6, 8, 0)), Chunk("IDAT", Compress(raw)),
                               End()});
  const TRgbaImage image = DecodePng(png);
  const TBytes expectedGrey = {7, 8, 9, 10, 30, 24, 15, 35, 35, 8, 23, 32, 40, 40, 90, 41, 43, 93};
  EXPECT_EQ(image.pixels, ExpectedRgba(0, expectedGrey));
}

// Paeth breaks ties in the order left, up, up-left.
TEST(PngDecode, PaethTies) {
  const TBytes raw = {
      0, 10,  16,  // None
      4, 253, 4,   // left 7, up 16, up-left 10: estimate 13, up and up-left both 3 away: up
      0, 10,  13,  // None
      4, 250, 1,   // left 4, up 13, up-left 10: estimate 7, left and up-left both 3 away: left
  };
  const TBytes png = Assemble({Chunk("IHDR", HeaderData(2, 4, 8, 0)), Chunk("IDAT", Compress(raw)),
                               End()});
  EXPECT_EQ(DecodePng(png).pixels, ExpectedRgba(0, {10, 16, 7, 20, 10, 13, 4, 5}));
}

TEST(PngDecode, MixedFiltersOverManyImageDataChunks) {
  const std::uint32_t width = 9;
  const std::uint32_t height = 10;
  const TBytes samples = PseudoRandomBytes(width * height * 4, 99);
  TPngOptions options;
  options.filters = {4, 0, 3, 1, 2};
  for (const std::size_t pieces : {2u, 3u, 40u}) {  // 40: more chunks than bytes, some empty
    SCOPED_TRACE("pieces " + std::to_string(pieces));
    options.imageDataPieces = pieces;
    EXPECT_EQ(DecodePng(EncodePng(width, height, 6, samples, options)).pixels,
              ExpectedRgba(6, samples));
  }
}

TEST(PngDecode, OnePixelPicture) {
  const TRgbaImage image = DecodePng(EncodePng(1, 1, 6, {1, 2, 3, 4}));
  EXPECT_EQ(image.width, 1);
  EXPECT_EQ(image.height, 1);
  EXPECT_EQ(image.pixels, (TBytes{1, 2, 3, 4}));
}

TEST(PngDecode, PaletteWithPartialTransparency) {
  TPngOptions options;
  options.chunksBeforeData = {Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255}),
                              Chunk("tRNS", {0, 128})};  // the third entry stays opaque
  const TRgbaImage image = DecodePng(EncodePng(3, 1, 3, {2, 1, 0}, options));
  EXPECT_EQ(image.pixels, (TBytes{0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 0}));
}

TEST(PngDecode, PaletteWithoutTransparencyIsOpaque) {
  TPngOptions options;
  options.chunksBeforeData = {Chunk("PLTE", {10, 20, 30, 40, 50, 60})};
  const TRgbaImage image = DecodePng(EncodePng(2, 1, 3, {1, 0}, options));
  EXPECT_EQ(image.pixels, (TBytes{40, 50, 60, 255, 10, 20, 30, 255}));
}

TEST(PngDecode, ColourKeyMakesMatchingPixelsTransparent) {
  TPngOptions grey;
  grey.chunksBeforeData = {Chunk("tRNS", {0, 50})};
  EXPECT_EQ(DecodePng(EncodePng(3, 1, 0, {49, 50, 51}, grey)).pixels,
            (TBytes{49, 49, 49, 255, 50, 50, 50, 0, 51, 51, 51, 255}));

  TPngOptions rgb;
  rgb.chunksBeforeData = {Chunk("tRNS", {0, 1, 0, 2, 0, 3})};
  EXPECT_EQ(DecodePng(EncodePng(2, 1, 2, {1, 2, 3, 1, 2, 4}, rgb)).pixels,
            (TBytes{1, 2, 3, 0, 1, 2, 4, 255}));

  // A key beyond 8 bits matches nothing.
  TPngOptions wide;
  wide.chunksBeforeData = {Chunk("tRNS", {1, 0})};
  EXPECT_EQ(DecodePng(EncodePng(1, 1, 0, {0}, wide)).pixels, (TBytes{0, 0, 0, 255}));
}

TEST(PngDecode, AncillaryChunksAreSkipped) {
  const TBytes text = Chunk("tEXt", {'a', 0, 'b'});
  const TBytes png = Assemble({ValidHeader(), text, Chunk("PLTE", {1, 2, 3}), ValidImageData(),
                               Chunk("zzZz", {9}), End()});
  EXPECT_EQ(DecodePng(png).pixels, kSamples);  // a suggested palette of an RGBA picture is unused
}

TEST(PngDecode, ThePurchasePicture) {
  std::ifstream file(ZEL_SOURCE_DIR "/res/buy.png", std::ios::binary);
  if (!file) {
    GTEST_SKIP() << "res/buy.png is not there yet";
  }
  const TBytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const TRgbaImage image = DecodePng(bytes);
  ASSERT_EQ(image.width, 128);
  ASSERT_EQ(image.height, 128);
  ASSERT_EQ(image.pixels.size(), 128u * 128u * 4u);
  for (const std::size_t corner : {std::size_t{0}, std::size_t{127}, std::size_t{127 * 128},
                                   std::size_t{128 * 128 - 1}}) {
    EXPECT_EQ(image.pixels[corner * 4 + 3], 0) << "pixel " << corner;
  }
  // Something is drawn: the middle is not see-through.
  EXPECT_GT(image.pixels[(64 * 128 + 64) * 4 + 3], 0);
}

// ---- Damaged files ----

struct TDamageCase {
  const char* name;
  TBytes bytes;
  std::wstring fragment;
};

TBytes WithByte(TBytes bytes, std::size_t offset, std::uint8_t value) {
  bytes.at(offset) = value;
  return bytes;
}

TBytes WithLength(TBytes chunk, std::uint32_t length) {
  for (int i = 0; i < 4; ++i) {
    chunk[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
  }
  return chunk;
}

TBytes Truncated(TBytes bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

TBytes Header(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
              std::uint8_t colourType, std::uint8_t interlace = 0) {
  return Chunk("IHDR", HeaderData(width, height, depth, colourType, interlace));
}

TEST(PngDamage, ContainerFaults) {
  const TBytes good = ValidPng();
  const std::size_t ihdrEnd = 8 + 12 + 13;
  const std::vector<TDamageCase> cases = {
      {"empty input", {}, L"PNG: not a PNG file (bad signature)"},
      {"bad signature", WithByte(good, 1, 'Q'), L"bad signature"},
      {"short signature", Truncated(good, 5), L"bad signature"},
      {"signature only", Truncated(good, 8), L"no IHDR chunk"},
      {"bad CRC in IHDR", WithByte(good, ihdrEnd - 1, good[ihdrEnd - 1] ^ 1),
       L"PNG: bad CRC in chunk IHDR"},
      {"bad data in IDAT", WithByte(good, ihdrEnd + 9, good[ihdrEnd + 9] ^ 0x40),
       L"bad CRC in chunk IDAT"},
      {"bad CRC in IEND", WithByte(good, good.size() - 1, good.back() ^ 0x80),
       L"bad CRC in chunk IEND"},
      {"truncated chunk header", Truncated(good, ihdrEnd + 6), L"truncated chunk header"},
      {"truncated chunk data", Truncated(good, ihdrEnd + 20), L"chunk IDAT is truncated"},
      {"truncated before the CRC", Truncated(good, good.size() - 12 - 2),
       L"chunk IDAT is truncated"},
      {"length over 2^31-1", Assemble({ValidHeader(), WithLength(ValidImageData(), 0x80000000u)}),
       L"exceeds 2^31-1"},
      {"length of all ones", Assemble({ValidHeader(), WithLength(ValidImageData(), 0xFFFFFFFFu)}),
       L"exceeds 2^31-1"},
      {"largest length, data missing",
       Assemble({ValidHeader(), WithLength(ValidImageData(), 0x7FFFFFFFu)}),
       L"chunk IDAT is truncated (2147483647 data bytes declared"},
      {"type not letters", Assemble({ValidHeader(), Chunk("ID4T", {1}), End()}),
       L"invalid chunk type at offset 33"},
      {"IHDR missing", Assemble({ValidImageData(), End()}), L"first chunk is IDAT, expected IHDR"},
      {"IHDR too long", Assemble({Chunk("IHDR", TBytes(14)), ValidImageData(), End()}),
       L"IHDR has length 14, expected 13"},
      {"second IHDR", Assemble({ValidHeader(), ValidHeader(), ValidImageData(), End()}),
       L"more than one IHDR chunk"},
      {"IEND missing", Assemble({ValidHeader(), ValidImageData()}), L"no IEND chunk"},
      {"IEND not empty", Assemble({ValidHeader(), ValidImageData(), Chunk("IEND", {0})}),
       L"IEND chunk is not empty"},
      {"data after IEND", Assemble({ValidHeader(), ValidImageData(), End(), End()}),
       L"data after the IEND chunk"},
      {"IDAT missing", Assemble({ValidHeader(), End()}), L"no IDAT chunk"},
      {"IDAT chunks apart",
       Assemble({ValidHeader(), ValidImageData(), Chunk("tEXt", {'x'}), Chunk("IDAT", {}), End()}),
       L"IDAT chunks are not consecutive"},
      {"unknown critical chunk",
       Assemble({ValidHeader(), Chunk("ABCD", {}), ValidImageData(), End()}),
       L"unknown critical chunk ABCD"},
  };
  for (const TDamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectPngError(c.bytes, c.fragment);
  }
}

TEST(PngDamage, HeaderFaults) {
  const std::vector<TDamageCase> cases = {
      {"zero width", Assemble({Header(0, 4, 8, 6), ValidImageData(), End()}),
       L"picture size 0 x 4 is out of range (1 to 16384 a side)"},
      {"zero height", Assemble({Header(5, 0, 8, 6), ValidImageData(), End()}), L"out of range"},
      {"too wide", Assemble({Header(16385, 1, 8, 6), ValidImageData(), End()}), L"out of range"},
      {"sides that overflow 32 bits",
       Assemble({Header(0xFFFFFFFFu, 0xFFFFFFFFu, 8, 6), ValidImageData(), End()}),
       L"picture size 4294967295 x 4294967295 is out of range"},
      {"too many pixels", Assemble({Header(16384, 16384, 8, 6), ValidImageData(), End()}),
       L"picture of 16384 x 16384 pixels is too large"},
      {"interlaced", Assemble({Header(5, 4, 8, 6, 1), ValidImageData(), End()}),
       L"PNG: interlaced pictures are not supported"},
      {"unknown interlace method", Assemble({Header(5, 4, 8, 6, 2), ValidImageData(), End()}),
       L"unknown interlace method 2"},
      {"unknown colour type", Assemble({Header(5, 4, 8, 1), ValidImageData(), End()}),
       L"invalid colour type 1"},
      {"bit depth 3", Assemble({Header(5, 4, 3, 2), ValidImageData(), End()}),
       L"invalid bit depth 3 for colour type 2"},
      {"16-bit palette", Assemble({Header(5, 4, 16, 3), ValidImageData(), End()}),
       L"invalid bit depth 16 for colour type 3"},
      {"16-bit RGBA", Assemble({Header(5, 4, 16, 6), ValidImageData(), End()}),
       L"bit depth 16 is not supported"},
      {"4-bit palette", Assemble({Header(5, 4, 4, 3), ValidImageData(), End()}),
       L"bit depth 4 is not supported"},
      {"1-bit grey", Assemble({Header(5, 4, 1, 0), ValidImageData(), End()}),
       L"bit depth 1 is not supported"},
  };
  for (const TDamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectPngError(c.bytes, c.fragment);
  }
  // Compression and filter methods, bytes 10 and 11 of the header's data.
  TBytes data = HeaderData(5, 4, 8, 6);
  data[10] = 1;
  ExpectPngError(Assemble({Chunk("IHDR", data), ValidImageData(), End()}),
                 L"unknown compression method 1");
  data[10] = 0;
  data[11] = 1;
  ExpectPngError(Assemble({Chunk("IHDR", data), ValidImageData(), End()}),
                 L"unknown filter method 1");
}

TEST(PngDamage, ImageDataFaults) {
  const TBytes stream = Compress(test::FilterRows(kSamples, kWidth * 4, 4, {0}));
  TBytes withTail = stream;
  withTail.push_back(0);
  TBytes badStream = stream;
  badStream[0] = 0x79;  // not a deflate method byte
  TBytes badFilter = test::FilterRows(kSamples, kWidth * 4, 4, {0});
  badFilter[1 * (kWidth * 4 + 1)] = 5;  // the second row's filter byte
  const std::vector<TDamageCase> cases = {
      {"one byte short", Assemble({ValidHeader(), ImageDataOfRawSize(-1), End()}),
       L"image data inflates to 83 bytes, expected 84"},
      {"one row short", Assemble({ValidHeader(), ImageDataOfRawSize(-21), End()}),
       L"inflates to 63 bytes, expected 84"},
      {"one byte long", Assemble({ValidHeader(), ImageDataOfRawSize(1), End()}),
       L"image data inflates to more than the expected 84 bytes"},
      {"compressed stream cut short",
       Assemble({ValidHeader(), Chunk("IDAT", Truncated(stream, stream.size() - 5)), End()}),
       L"compressed image data ends early"},
      {"empty image data", Assemble({ValidHeader(), Chunk("IDAT", {}), End()}),
       L"image data of 0 bytes cannot hold a 5 x 4 picture"},
      {"bytes after the stream", Assemble({ValidHeader(), Chunk("IDAT", withTail), End()}),
       L"data after the end of the compressed image data"},
      {"stream in a later chunk after its end",
       Assemble({ValidHeader(), Chunk("IDAT", stream), Chunk("IDAT", {1}), End()}),
       L"data after the end of the compressed image data"},
      {"not a zlib stream", Assemble({ValidHeader(), Chunk("IDAT", badStream), End()}),
       L"PNG: corrupt image data ("},
      {"bad filter byte", Assemble({ValidHeader(), Chunk("IDAT", Compress(badFilter)), End()}),
       L"PNG: bad filter type 5 in row 1"},
      // A header that promises far more pixels than the data could ever hold is
      // turned down before anything that size is allocated.
      {"lying header", Assemble({Header(4096, 4096, 8, 6), ValidImageData(), End()}),
       L"cannot hold a 4096 x 4096 picture"},
  };
  for (const TDamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectPngError(c.bytes, c.fragment);
  }
}

TEST(PngDamage, PaletteAndTransparencyFaults) {
  const TBytes indices = Chunk("IDAT", Compress({0, 0, 1}));  // one row: filter 0, two pixels
  const TBytes palette = Chunk("PLTE", {1, 2, 3, 4, 5, 6});
  const TBytes paletteHeader = Header(2, 1, 8, 3);
  const std::vector<TDamageCase> cases = {
      {"no palette", Assemble({paletteHeader, indices, End()}),
       L"palette picture without a PLTE chunk"},
      {"index past the palette",
       Assemble({paletteHeader, Chunk("PLTE", {1, 2, 3}), indices, End()}),
       L"palette index 1 out of range in row 0"},
      {"palette length not a multiple of 3",
       Assemble({paletteHeader, Chunk("PLTE", {1, 2, 3, 4}), indices, End()}),
       L"PLTE has length 4"},
      {"palette of 257 colours",
       Assemble({paletteHeader, Chunk("PLTE", TBytes(771)), indices, End()}),
       L"PLTE has length 771"},
      {"two palettes", Assemble({paletteHeader, palette, palette, indices, End()}),
       L"more than one PLTE chunk"},
      {"palette after the data", Assemble({paletteHeader, indices, palette, End()}),
       L"PLTE chunk after IDAT"},
      {"palette in a grey picture",
       Assemble({Header(2, 1, 8, 0), palette, indices, End()}), L"PLTE chunk in a greyscale"},
      {"transparency before the palette",
       Assemble({paletteHeader, Chunk("tRNS", {0}), palette, indices, End()}),
       L"tRNS chunk before PLTE"},
      {"more alphas than colours",
       Assemble({paletteHeader, palette, Chunk("tRNS", {0, 0, 0}), indices, End()}),
       L"tRNS has 3 entries, more than the palette's 2"},
      {"two transparency chunks",
       Assemble({paletteHeader, palette, Chunk("tRNS", {0}), Chunk("tRNS", {0}), indices, End()}),
       L"more than one tRNS chunk"},
      {"transparency after the data",
       Assemble({paletteHeader, palette, indices, Chunk("tRNS", {0}), End()}),
       L"tRNS chunk after IDAT"},
      {"palette after transparency",
       Assemble({Header(5, 4, 8, 2), Chunk("tRNS", {0, 0, 0, 0, 0, 0}), palette, End()}),
       L"PLTE chunk after tRNS"},
      {"colour key of the wrong length",
       Assemble({Header(5, 4, 8, 2), Chunk("tRNS", {0, 0}), ValidImageData(), End()}),
       L"tRNS has length 2, expected 6"},
      {"transparency with an alpha channel",
       Assemble({ValidHeader(), Chunk("tRNS", {0, 0}), ValidImageData(), End()}),
       L"tRNS chunk in a picture with an alpha channel"},
  };
  for (const TDamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectPngError(c.bytes, c.fragment);
  }
}

// Every prefix of a good file, and every single-byte change of it, is turned
// down: the CRCs and the structure leave no byte unchecked.
TEST(PngDamage, EveryTruncationAndEveryByteFlipIsRejected) {
  const TBytes good = ValidPng();
  ASSERT_EQ(DecodePng(good).pixels, kSamples);
  for (std::size_t size = 0; size < good.size(); ++size) {
    SCOPED_TRACE("truncated to " + std::to_string(size));
    EXPECT_THROW(DecodePng(Truncated(good, size)), Error);
  }
  for (std::size_t offset = 0; offset < good.size(); ++offset) {
    for (const int mask : {0x01, 0x80, 0xFF}) {
      SCOPED_TRACE("byte " + std::to_string(offset) + " xor " + std::to_string(mask));
      const auto changed = static_cast<std::uint8_t>(good[offset] ^ mask);
      EXPECT_THROW(DecodePng(WithByte(good, offset, changed)), Error);
    }
  }
}

}  // namespace
}  // namespace zel::picture
