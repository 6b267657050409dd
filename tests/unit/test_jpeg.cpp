// The JPEG decoder against pictures made by the library's own compressor:
// header-only size, full colour, greyscale, progressive, the 236-colour
// palette, and the error texts for data the library cannot read.
#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/Utf8.h"
#include "picture/Jpeg.h"
#include "picture_jpeg_writer.h"

namespace zel::picture {
namespace {

using TBytes = std::vector<std::uint8_t>;
using test::EncodeJpeg;
using test::TJpegOptions;

using TRgb = std::array<int, 3>;

// Six flat 16 x 16 blocks, aligned to the compressor's 16 x 16 units, so each
// block's inside comes back almost exactly.
constexpr int kBlocksWidth = 48;
constexpr int kBlocksHeight = 32;
constexpr std::array<TRgb, 6> kBlockColours = {{
    {220, 30, 30}, {30, 200, 60}, {40, 60, 210}, {250, 250, 250}, {20, 20, 20}, {240, 160, 40},
}};

TRgb BlockColourAt(int x, int y) {
  return kBlockColours[static_cast<std::size_t>((y / 16) * 3 + x / 16)];
}

TBytes BlocksSamples() {
  TBytes samples;
  for (int y = 0; y < kBlocksHeight; ++y) {
    for (int x = 0; x < kBlocksWidth; ++x) {
      for (const int c : BlockColourAt(x, y)) {
        samples.push_back(static_cast<std::uint8_t>(c));
      }
    }
  }
  return samples;
}

TBytes BlocksJpeg(const TJpegOptions& options = {}) {
  return EncodeJpeg(kBlocksWidth, kBlocksHeight, 3, BlocksSamples(), options);
}

// A smooth 64 x 64 colour ramp: many colours, nothing a quantizer could keep exactly.
TBytes RampSamples() {
  TBytes samples;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      samples.insert(samples.end(), {static_cast<std::uint8_t>(x * 4),
                                     static_cast<std::uint8_t>(y * 4),
                                     static_cast<std::uint8_t>(255 - (x + y) * 2)});
    }
  }
  return samples;
}

// Largest channel difference over the inside of every block, 3 pixels in from
// its edges (chroma is smoothed across block edges).
int LargestErrorInsideBlocks(const TRgbImage& image) {
  int largest = 0;
  for (int y = 0; y < kBlocksHeight; ++y) {
    for (int x = 0; x < kBlocksWidth; ++x) {
      if (x % 16 < 3 || x % 16 > 12 || y % 16 < 3 || y % 16 > 12) {
        continue;
      }
      const std::uint8_t* p = image.pixels.data() + (y * image.width + x) * 3;
      const TRgb expected = BlockColourAt(x, y);
      for (std::size_t c = 0; c < 3; ++c) {
        largest = std::max(largest, std::abs(p[c] - expected[c]));
      }
    }
  }
  return largest;
}

// Decoding must fail with an EJpegError whose message is exactly `message`.
template <typename Decode>
void ExpectJpegError(Decode decode, const std::wstring& message) {
  try {
    decode();
    ADD_FAILURE() << "decoded without an error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Kind(), "EJpegError");
    EXPECT_EQ(error.Message(), message) << ToUtf8(error.Message());
  }
}

std::wstring LibraryError(int code) { return L"JPEG error #" + std::to_wstring(code); }

// Offset just past the start-of-scan header: everything jpeg_read_header reads.
std::size_t EndOfHeaders(const TBytes& jpeg) {
  for (std::size_t i = 2; i + 3 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
      return i + 2 + static_cast<std::size_t>((jpeg[i + 2] << 8) | jpeg[i + 3]);
    }
  }
  return jpeg.size();
}

// Rewrites the frame header's height and width (baseline or progressive).
TBytes WithFrameSize(TBytes jpeg, int width, int height) {
  for (std::size_t i = 2; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(width);
      return jpeg;
    }
  }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

// ---- Size from the header ----

TEST(JpegSize, ReadFromTheHeader) {
  const TSize size = ReadJpegSize(BlocksJpeg());
  EXPECT_EQ(size.width, 48);
  EXPECT_EQ(size.height, 32);
  const TSize odd = ReadJpegSize(EncodeJpeg(7, 3, 1, TBytes(21, 128)));
  EXPECT_EQ(odd.width, 7);
  EXPECT_EQ(odd.height, 3);
}

TEST(JpegSize, NeedsNothingPastTheHeaders) {
  const TBytes jpeg = EncodeJpeg(64, 64, 3, RampSamples(), {98, false});
  const std::size_t headers = EndOfHeaders(jpeg);
  ASSERT_LT(headers + 500, jpeg.size());  // most of the scan is left out
  const TSize size =
      ReadJpegSize(TBytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(headers)));
  EXPECT_EQ(size.width, 64);
  EXPECT_EQ(size.height, 64);
}

TEST(JpegSize, OversizedHeaderIsRefused) {
  const std::wstring tooLarge = L"JPEG: picture of 20000 x 10 pixels is out of range (1 to "
                                L"16384 a side, at most 16777216 pixels)";
  const TBytes wide = WithFrameSize(BlocksJpeg(), 20000, 10);
  ExpectJpegError([&] { ReadJpegSize(wide); }, tooLarge);
  ExpectJpegError([&] { DecodeJpeg(wide); }, tooLarge);
  // Each side allowed, the two together too many pixels.
  const TBytes square = WithFrameSize(BlocksJpeg(), 16384, 16384);
  ExpectJpegError([&] { DecodeJpegPaletted(square, 236); },
                  L"JPEG: picture of 16384 x 16384 pixels is out of range (1 to 16384 a side, "
                  L"at most 16777216 pixels)");
}

// ---- Full colour ----

TEST(JpegDecode, FlatBlocksComeBackClose) {
  const TRgbImage image = DecodeJpeg(BlocksJpeg());
  ASSERT_EQ(image.width, 48);
  ASSERT_EQ(image.height, 32);
  ASSERT_EQ(image.pixels.size(), 48u * 32u * 3u);
  EXPECT_FALSE(image.multiScan);
  EXPECT_LE(LargestErrorInsideBlocks(image), 4);
}

TEST(JpegDecode, ProgressiveDataHasManyScans) {
  const TRgbImage image = DecodeJpeg(BlocksJpeg({95, true}));
  EXPECT_TRUE(image.multiScan);
  EXPECT_LE(LargestErrorInsideBlocks(image), 4);
}

TEST(JpegDecode, RampIsCloseOnAverage) {
  const TBytes samples = RampSamples();
  const TRgbImage image = DecodeJpeg(EncodeJpeg(64, 64, 3, samples, {98, false}));
  ASSERT_EQ(image.pixels.size(), samples.size());
  long total = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    total += std::abs(image.pixels[i] - samples[i]);
  }
  EXPECT_LT(static_cast<double>(total) / static_cast<double>(samples.size()), 2.0);
}

TEST(JpegDecode, GreyComesOutAsEqualChannels) {
  TBytes grey;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) {
      grey.push_back(x < 8 ? 30 : x < 16 ? 128 : 230);
    }
  }
  const TRgbImage image = DecodeJpeg(EncodeJpeg(24, 16, 1, grey));
  ASSERT_EQ(image.pixels.size(), 24u * 16u * 3u);
  for (std::size_t i = 0; i < grey.size(); ++i) {
    const std::uint8_t* p = image.pixels.data() + i * 3;
    ASSERT_EQ(p[0], p[1]);
    ASSERT_EQ(p[1], p[2]);
    const std::size_t x = i % 24;
    if (x % 8 >= 2 && x % 8 <= 5) {  // away from the steps
      EXPECT_NEAR(p[0], grey[i], 3) << "pixel " << i;
    }
  }
}

// Data cut in the middle of the scan still decodes (the library fills the
// rest), and its warning is not printed.
TEST(JpegDecode, CutScanDecodesQuietly) {
  const TBytes jpeg = BlocksJpeg();
  const TBytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(
                                                     (EndOfHeaders(jpeg) + jpeg.size()) / 2));
  testing::internal::CaptureStderr();
  const TRgbImage image = DecodeJpeg(cut);
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(image.width, 48);
  EXPECT_EQ(image.height, 32);
  EXPECT_EQ(printed, "");
}

TEST(JpegDecode, FourChannelDataIsRefused) {
  const TBytes cmyk = EncodeJpeg(16, 16, 4, TBytes(16 * 16 * 4, 100));
  EXPECT_EQ(ReadJpegSize(cmyk).width, 16);  // the header alone is fine
  ExpectJpegError([&] { DecodeJpeg(cmyk); },
                  L"JPEG: only colour and greyscale pictures are supported, not CMYK");
}

// ---- Straight into the caller's rows ----

// Rows padded past 3 * width, as a bitmap's are: pixels land swapped to B G R,
// exactly as the full-colour decode gives them, and the padding is left alone.
TEST(JpegBgr, MatchesTheFullColourDecodeInPaddedRows) {
  for (const int components : {3, 1}) {
    SCOPED_TRACE(components);
    const TBytes jpeg = components == 3 ? EncodeJpeg(64, 64, 3, RampSamples(), {90, false})
                                        : EncodeJpeg(64, 64, 1, TBytes(64 * 64, 77), {90, false});
    const TRgbImage reference = DecodeJpeg(jpeg);
    constexpr std::ptrdiff_t kStride = 64 * 3 + 5;
    TBytes rows(static_cast<std::size_t>(kStride) * 64, 0xA5);
    TSize asked{};
    DecodeJpegBgr(jpeg, [&](TSize size) {
      asked = size;
      return TBgrRows{rows.data(), kStride};
    });
    EXPECT_EQ(asked.width, 64);
    EXPECT_EQ(asked.height, 64);
    for (std::size_t y = 0; y < 64; ++y) {
      for (std::size_t x = 0; x < 64; ++x) {
        const std::uint8_t* want = reference.pixels.data() + (y * 64 + x) * 3;
        const std::uint8_t* got = rows.data() + y * kStride + x * 3;
        ASSERT_EQ(got[0], want[2]) << x << "," << y;
        ASSERT_EQ(got[1], want[1]) << x << "," << y;
        ASSERT_EQ(got[2], want[0]) << x << "," << y;
      }
      for (std::size_t pad = 64 * 3; pad < static_cast<std::size_t>(kStride); ++pad) {
        ASSERT_EQ(rows[y * kStride + pad], 0xA5) << "row " << y;
      }
    }
  }
}

TEST(JpegBgr, NoRowsOrTooNarrowRowsAreAnError) {
  const TBytes jpeg = BlocksJpeg();
  TBytes rows(48 * 3 * 32);
  ExpectJpegError([&] { DecodeJpegBgr(jpeg, [](TSize) { return TBgrRows{}; }); },
                  L"JPEG: no room for the picture's pixels");
  ExpectJpegError([&] { DecodeJpegBgr(jpeg, [&](TSize) { return TBgrRows{rows.data(), 48 * 3 - 1}; }); },
                  L"JPEG: no room for the picture's pixels");
}

// The caller's own error (a bitmap it could not make) comes through unchanged,
// and a picture the library cannot read never asks for rows.
TEST(JpegBgr, ErrorsOfTheCallerAndOfTheLibrary) {
  try {
    DecodeJpegBgr(BlocksJpeg(), [](TSize) -> TBgrRows {
      throw Error("EOutOfResources", L"Out of system resources");
    });
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.Message(), L"Out of system resources");
  }
  bool asked = false;
  ExpectJpegError(
      [&] {
        DecodeJpegBgr(TBytes{0xFF, 0xD8}, [&](TSize) {
          asked = true;
          return TBgrRows{};
        });
      },
      LibraryError(JERR_NO_IMAGE));
  EXPECT_FALSE(asked);
}

// Four bytes a pixel, as an RGB24 image holds them: B G R, then 255, the same
// pixels as the full-colour decode, spread in place within each padded row.
TEST(JpegBgrx, MatchesTheFullColourDecodeInPaddedRows) {
  for (const int components : {3, 1}) {
    SCOPED_TRACE(components);
    const TBytes jpeg = components == 3 ? EncodeJpeg(64, 48, 3, RampSamples(), {90, false})
                                        : EncodeJpeg(64, 48, 1, TBytes(64 * 48, 77), {90, false});
    const TRgbImage reference = DecodeJpeg(jpeg);
    constexpr std::ptrdiff_t kStride = 64 * 4 + 8;
    TBytes rows(static_cast<std::size_t>(kStride) * 48, 0xA5);
    DecodeJpegBgrx(jpeg, [&](TSize) { return TBgrRows{rows.data(), kStride}; });
    for (std::size_t y = 0; y < 48; ++y) {
      for (std::size_t x = 0; x < 64; ++x) {
        const std::uint8_t* want = reference.pixels.data() + (y * 64 + x) * 3;
        const std::uint8_t* got = rows.data() + y * kStride + x * 4;
        ASSERT_EQ(got[0], want[2]) << x << "," << y;
        ASSERT_EQ(got[1], want[1]) << x << "," << y;
        ASSERT_EQ(got[2], want[0]) << x << "," << y;
        ASSERT_EQ(got[3], 0xFF) << x << "," << y;
      }
      for (std::size_t pad = 64 * 4; pad < static_cast<std::size_t>(kStride); ++pad) {
        ASSERT_EQ(rows[y * kStride + pad], 0xA5) << "row " << y;
      }
    }
  }
}

TEST(JpegBgrx, RowsWithoutRoomForFourBytesAPixelAreAnError) {
  const TBytes jpeg = BlocksJpeg();
  const TSize size = ReadJpegSize(jpeg);
  TBytes rows(static_cast<std::size_t>(size.width) * 4 * static_cast<std::size_t>(size.height));
  ExpectJpegError([&] { DecodeJpegBgrx(jpeg, [&](TSize s) { return TBgrRows{rows.data(), s.width * 4 - 1}; }); },
                  L"JPEG: no room for the picture's pixels");
}

TEST(JpegBgrx, PalettedPixelsTakeTheirColours) {
  TPalettedImage image;
  image.width = 3;
  image.height = 2;
  image.palette = {10, 20, 30, 40, 50, 60};
  image.indices = {0, 1, 0, 1, 1, 7};  // 7: past the palette
  constexpr std::ptrdiff_t kStride = 3 * 4 + 4;
  TBytes rows(kStride * 2, 0xA5);
  PalettedToBgrx(image, {rows.data(), kStride});
  const TBytes expected = {30, 20, 10, 255, 60, 50, 40, 255, 30, 20, 10, 255, 0xA5, 0xA5, 0xA5, 0xA5,
                           60, 50, 40, 255, 60, 50, 40, 255, 0, 0, 0, 255, 0xA5, 0xA5, 0xA5, 0xA5};
  EXPECT_EQ(rows, expected);
}

// ---- Paletted ----

TEST(JpegPaletted, RampFitsIn236Colours) {
  const TBytes samples = RampSamples();
  const TPalettedImage image = DecodeJpegPaletted(EncodeJpeg(64, 64, 3, samples), 236);
  ASSERT_EQ(image.width, 64);
  ASSERT_EQ(image.height, 64);
  ASSERT_EQ(image.indices.size(), 64u * 64u);
  ASSERT_EQ(image.palette.size() % 3, 0u);
  const std::size_t colours = image.palette.size() / 3;
  EXPECT_LE(colours, 236u);
  EXPECT_GT(colours, 100u);  // a ramp like this uses most of what it is given
  long total = 0;
  for (std::size_t i = 0; i < image.indices.size(); ++i) {
    const std::size_t index = image.indices[i];
    ASSERT_LT(index, colours) << "pixel " << i;
    for (std::size_t c = 0; c < 3; ++c) {
      total += std::abs(image.palette[index * 3 + c] - samples[i * 3 + c]);
    }
  }
  // Dithered, so pixels stray; on average they stay near the picture.
  EXPECT_LT(static_cast<double>(total) / static_cast<double>(samples.size()), 12.0);
}

TEST(JpegPaletted, FewColoursWhenAskedForFew) {
  const TPalettedImage image = DecodeJpegPaletted(BlocksJpeg(), 8);
  EXPECT_LE(image.palette.size(), 8u * 3u);
  const std::size_t colours = image.palette.size() / 3;
  EXPECT_TRUE(std::all_of(image.indices.begin(), image.indices.end(),
                          [colours](std::uint8_t i) { return i < colours; }));
}

TEST(JpegPaletted, GreyPaletteHasEqualChannels) {
  TBytes grey;
  for (int i = 0; i < 32 * 32; ++i) {
    grey.push_back(static_cast<std::uint8_t>(i / 4));
  }
  const TPalettedImage image = DecodeJpegPaletted(EncodeJpeg(32, 32, 1, grey), 236);
  ASSERT_FALSE(image.palette.empty());
  EXPECT_LE(image.palette.size(), 236u * 3u);
  for (std::size_t i = 0; i < image.palette.size(); i += 3) {
    EXPECT_EQ(image.palette[i], image.palette[i + 1]);
    EXPECT_EQ(image.palette[i], image.palette[i + 2]);
  }
}

TEST(JpegPaletted, ColourCountOutsideTheLibraryRange) {
  const TBytes jpeg = BlocksJpeg();
  ExpectJpegError([&] { DecodeJpegPaletted(jpeg, 1); }, LibraryError(JERR_QUANT_FEW_COLORS));
  ExpectJpegError([&] { DecodeJpegPaletted(jpeg, 257); }, LibraryError(JERR_QUANT_MANY_COLORS));
}

// ---- The launcher's own banner ----

TEST(JpegBanner, DecodesAtItsNaturalSize) {
  std::ifstream file(ZEL_SOURCE_DIR "/res/banner.jpg", std::ios::binary);
  if (!file) {
    GTEST_SKIP() << "res/banner.jpg is not there yet";
  }
  const TBytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const TSize size = ReadJpegSize(bytes);
  EXPECT_EQ(size.width, 960);
  EXPECT_EQ(size.height, 171);
  const TRgbImage image = DecodeJpeg(bytes);
  EXPECT_EQ(image.pixels.size(), 960u * 171u * 3u);
  const TPalettedImage paletted = DecodeJpegPaletted(bytes, 236);
  EXPECT_EQ(paletted.indices.size(), 960u * 171u);
  EXPECT_LE(paletted.palette.size(), 236u * 3u);
}

// ---- The library's errors ----

TEST(JpegErrors, LibraryErrorsCarryTheMessageCode) {
  const TBytes notJpeg = {'G', 'I', 'F', '8', '9', 'a', 0, 0};
  const TBytes soiOnly = {0xFF, 0xD8};
  const TBytes jpeg = BlocksJpeg();
  // The quantization tables begin at byte 20 (after the JFIF segment): cut inside them.
  const TBytes cutHeader(jpeg.begin(), jpeg.begin() + 30);
  const struct {
    const char* name;
    TBytes bytes;
    int code;
  } cases[] = {
      {"empty", {}, JERR_INPUT_EMPTY},
      {"not a JPEG", notJpeg, JERR_NO_SOI},
      {"start marker only", soiOnly, JERR_NO_IMAGE},
      {"cut inside the tables", cutHeader, JERR_NO_IMAGE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring expected = LibraryError(c.code);
    ExpectJpegError([&] { ReadJpegSize(c.bytes); }, expected);
    ExpectJpegError([&] { DecodeJpeg(c.bytes); }, expected);
    ExpectJpegError([&] { DecodeJpegPaletted(c.bytes, 236); }, expected);
  }
}

}  // namespace
}  // namespace zel::picture
