// PNG reader: the signature, the chunks with their CRCs, the header's limits,
// palette and transparency, the joined image data inflated by zlib, and the
// five row filters, ending in straight-alpha RGBA.
#include "picture/Png.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/Decimal.h"
#include "core/Error.h"
#include "picture/Limits.h"

namespace zel::picture {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;
constexpr std::size_t kChunkOverhead = 12;  // length, type, CRC
// Deflate codes at best 258 bytes in 2 bits: no honest stream inflates further.
constexpr std::uint64_t kMaxInflateRatio = 1032;

enum TColourType : std::uint8_t {
  kGrey = 0,
  kRgb = 2,
  kPalette = 3,
  kGreyAlpha = 4,
  kRgba = 6,
};

[[noreturn]] void Fail(const std::wstring& what) { throw Error("EPngError", L"PNG: " + what); }

std::wstring Num(std::uint64_t value) { return ToDecimal(value); }

std::uint32_t ReadBe32(const std::uint8_t* p) noexcept {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

std::uint16_t ReadBe16(const std::uint8_t* p) noexcept {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

bool IsAsciiLetter(std::uint8_t c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

struct TChunk {
  std::string_view type;  // four ASCII letters
  std::span<const std::uint8_t> data;

  bool Is(std::string_view name) const noexcept { return type == name; }
  // An uppercase first letter marks a chunk a reader must understand.
  bool IsCritical() const noexcept { return type[0] >= 'A' && type[0] <= 'Z'; }
  std::wstring Name() const { return std::wstring(type.begin(), type.end()); }
};

// Walks the chunks after the signature, checking each one's bounds and CRC.
class TChunkReader {
 public:
  explicit TChunkReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool AtEnd() const noexcept { return pos_ == bytes_.size(); }
  TChunk Next();

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = kSignature.size();
};

TChunk TChunkReader::Next() {
  const std::size_t left = bytes_.size() - pos_;
  if (left < kChunkOverhead) {
    Fail(L"truncated chunk header at offset " + Num(pos_));
  }
  const std::uint8_t* p = bytes_.data() + pos_;
  const std::uint32_t length = ReadBe32(p);
  if (length > kMaxChunkLength) {
    Fail(L"chunk length " + Num(length) + L" at offset " + Num(pos_) + L" exceeds 2^31-1");
  }
  if (!std::all_of(p + 4, p + 8, IsAsciiLetter)) {
    Fail(L"invalid chunk type at offset " + Num(pos_));
  }
  const TChunk chunk{std::string_view(reinterpret_cast<const char*>(p + 4), 4), {p + 8, length}};
  if (length > left - kChunkOverhead) {
    Fail(L"chunk " + chunk.Name() + L" is truncated (" + Num(length) + L" data bytes declared, " +
         Num(left - kChunkOverhead) + L" present)");
  }
  // The CRC covers the type and the data; both fit zlib's 32-bit length.
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), p + 4, length + 4);
  if (crc != ReadBe32(p + 8 + length)) {
    Fail(L"bad CRC in chunk " + chunk.Name());
  }
  pos_ += kChunkOverhead + length;
  return chunk;
}

struct THeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t bitDepth = 0;
  std::uint8_t colourType = 0;
};

std::size_t Channels(std::uint8_t colourType) noexcept {
  switch (colourType) {
    case kRgb: return 3;
    case kGreyAlpha: return 2;
    case kRgba: return 4;
    default: return 1;
  }
}

bool IsKnownColourType(std::uint8_t colourType) noexcept {
  return colourType == kGrey || colourType == kRgb || colourType == kPalette ||
         colourType == kGreyAlpha || colourType == kRgba;
}

// The bit depths the format allows for a known colour type.
bool IsValidDepth(std::uint8_t colourType, std::uint8_t depth) noexcept {
  switch (colourType) {
    case kGrey: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case kPalette: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default: return depth == 8 || depth == 16;
  }
}

THeader ReadHeader(const TChunk& chunk) {
  if (!chunk.Is("IHDR")) {
    Fail(L"first chunk is " + chunk.Name() + L", expected IHDR");
  }
  if (chunk.data.size() != 13) {
    Fail(L"IHDR has length " + Num(chunk.data.size()) + L", expected 13");
  }
  const std::uint8_t* d = chunk.data.data();
  const THeader header{ReadBe32(d), ReadBe32(d + 4), d[8], d[9]};
  if (!IsPictureSizeAllowed(header.width, header.height)) {
    const std::wstring size = Num(header.width) + L" x " + Num(header.height);
    if (header.width >= 1 && header.width <= kMaxPictureSide && header.height >= 1 &&
        header.height <= kMaxPictureSide) {
      Fail(L"picture of " + size + L" pixels is too large (at most " + Num(kMaxPicturePixels) +
           L" pixels)");
    }
    Fail(L"picture size " + size + L" is out of range (1 to " + Num(kMaxPictureSide) +
         L" a side)");
  }
  if (!IsKnownColourType(header.colourType)) {
    Fail(L"invalid colour type " + Num(header.colourType));
  }
  if (!IsValidDepth(header.colourType, header.bitDepth)) {
    Fail(L"invalid bit depth " + Num(header.bitDepth) + L" for colour type " +
         Num(header.colourType));
  }
  if (header.bitDepth != 8) {
    Fail(L"bit depth " + Num(header.bitDepth) + L" is not supported (only 8 bits a sample)");
  }
  if (d[10] != 0) {
    Fail(L"unknown compression method " + Num(d[10]));
  }
  if (d[11] != 0) {
    Fail(L"unknown filter method " + Num(d[11]));
  }
  if (d[12] == 1) {
    Fail(L"interlaced pictures are not supported");
  }
  if (d[12] != 0) {
    Fail(L"unknown interlace method " + Num(d[12]));
  }
  return header;
}

// Everything the chunks say about the picture, the image data still compressed.
struct TParts {
  THeader header;
  std::vector<std::uint8_t> palette;       // RGB triples
  bool hasTransparency = false;            // a tRNS chunk was read
  std::vector<std::uint8_t> paletteAlpha;  // tRNS of a palette picture
  std::array<std::uint16_t, 3> colourKey{};  // tRNS of a grey (first value) or RGB picture
  std::vector<std::span<const std::uint8_t>> imageData;  // the IDAT chunks in order
  std::uint64_t imageDataSize = 0;
};

void ReadPalette(const TChunk& chunk, TParts& parts) {
  const std::uint8_t colourType = parts.header.colourType;
  if (!parts.imageData.empty()) {
    Fail(L"PLTE chunk after IDAT");
  }
  if (!parts.palette.empty()) {
    Fail(L"more than one PLTE chunk");
  }
  if (parts.hasTransparency) {
    Fail(L"PLTE chunk after tRNS");
  }
  if (colourType == kGrey || colourType == kGreyAlpha) {
    Fail(L"PLTE chunk in a greyscale picture");
  }
  const std::size_t size = chunk.data.size();
  if (size == 0 || size % 3 != 0 || size > 3 * 256) {
    Fail(L"PLTE has length " + Num(size) + L", expected 3 to 768 in steps of 3");
  }
  parts.palette.assign(chunk.data.begin(), chunk.data.end());
}

void ReadTransparency(const TChunk& chunk, TParts& parts) {
  if (!parts.imageData.empty()) {
    Fail(L"tRNS chunk after IDAT");
  }
  if (parts.hasTransparency) {
    Fail(L"more than one tRNS chunk");
  }
  const std::size_t size = chunk.data.size();
  switch (parts.header.colourType) {
    case kPalette:
      if (parts.palette.empty()) {
        Fail(L"tRNS chunk before PLTE");
      }
      if (size > parts.palette.size() / 3) {
        Fail(L"tRNS has " + Num(size) + L" entries, more than the palette's " +
             Num(parts.palette.size() / 3));
      }
      parts.paletteAlpha.assign(chunk.data.begin(), chunk.data.end());
      break;
    case kGrey:
    case kRgb: {
      const std::size_t expected = parts.header.colourType == kGrey ? 2 : 6;
      if (size != expected) {
        Fail(L"tRNS has length " + Num(size) + L", expected " + Num(expected));
      }
      for (std::size_t i = 0; i < expected / 2; ++i) {
        parts.colourKey[i] = ReadBe16(chunk.data.data() + 2 * i);
      }
      break;
    }
    default: Fail(L"tRNS chunk in a picture with an alpha channel");
  }
  parts.hasTransparency = true;
}

TParts ReadChunks(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kSignature.size() ||
      !std::equal(kSignature.begin(), kSignature.end(), bytes.begin())) {
    Fail(L"not a PNG file (bad signature)");
  }
  TChunkReader reader(bytes);
  if (reader.AtEnd()) {
    Fail(L"no IHDR chunk");
  }
  TParts parts;
  parts.header = ReadHeader(reader.Next());
  bool imageDataClosed = false;  // another chunk followed the IDAT chunks
  for (;;) {
    if (reader.AtEnd()) {
      Fail(L"no IEND chunk");
    }
    const TChunk chunk = reader.Next();
    if (chunk.Is("IDAT")) {
      if (imageDataClosed) {
        Fail(L"IDAT chunks are not consecutive");
      }
      parts.imageData.push_back(chunk.data);
      parts.imageDataSize += chunk.data.size();
      continue;
    }
    imageDataClosed = !parts.imageData.empty();
    if (chunk.Is("IEND")) {
      if (!chunk.data.empty()) {
        Fail(L"IEND chunk is not empty");
      }
      break;
    }
    if (chunk.Is("IHDR")) {
      Fail(L"more than one IHDR chunk");
    } else if (chunk.Is("PLTE")) {
      ReadPalette(chunk, parts);
    } else if (chunk.Is("tRNS")) {
      ReadTransparency(chunk, parts);
    } else if (chunk.IsCritical()) {
      Fail(L"unknown critical chunk " + chunk.Name());
    }
  }
  if (!reader.AtEnd()) {
    Fail(L"data after the IEND chunk");
  }
  if (parts.imageData.empty()) {
    Fail(L"no IDAT chunk");
  }
  if (parts.header.colourType == kPalette && parts.palette.empty()) {
    Fail(L"palette picture without a PLTE chunk");
  }
  return parts;
}

std::wstring ZlibMessage(const z_stream& stream) {
  const std::string_view text = stream.msg != nullptr ? stream.msg : "unknown error";
  return std::wstring(text.begin(), text.end());
}

// Inflates the joined IDAT data, which must come to exactly `expected` bytes.
std::vector<std::uint8_t> Inflate(const TParts& parts, std::size_t expected) {
  if (expected > parts.imageDataSize * kMaxInflateRatio) {
    Fail(L"image data of " + Num(parts.imageDataSize) + L" bytes cannot hold a " +
         Num(parts.header.width) + L" x " + Num(parts.header.height) + L" picture");
  }
  // One spare byte catches data that inflates to more than expected.
  std::vector<std::uint8_t> raw(expected + 1);
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) {
    Fail(L"cannot start inflating the image data (" + ZlibMessage(stream) + L")");
  }
  struct TInflateEnd {
    z_stream& stream;
    ~TInflateEnd() { inflateEnd(&stream); }
  } inflateEndGuard{stream};

  stream.next_out = raw.data();
  stream.avail_out = static_cast<uInt>(raw.size());
  bool ended = false;
  for (const std::span<const std::uint8_t> piece : parts.imageData) {
    stream.next_in = piece.data();
    stream.avail_in = static_cast<uInt>(piece.size());
    while (stream.avail_in > 0) {
      if (ended) {
        Fail(L"data after the end of the compressed image data");
      }
      const int result = inflate(&stream, Z_NO_FLUSH);
      if (stream.total_out > expected) {
        Fail(L"image data inflates to more than the expected " + Num(expected) + L" bytes");
      }
      if (result == Z_STREAM_END) {
        ended = true;
      } else if (result != Z_OK) {
        Fail(L"corrupt image data (" + ZlibMessage(stream) + L")");
      }
    }
  }
  if (!ended) {
    Fail(L"compressed image data ends early");
  }
  if (stream.total_out != expected) {
    Fail(L"image data inflates to " + Num(stream.total_out) + L" bytes, expected " +
         Num(expected));
  }
  raw.pop_back();
  return raw;
}

std::uint8_t Paeth(int left, int up, int upLeft) noexcept {
  const int estimate = left + up - upLeft;
  const int toLeft = std::abs(estimate - left);
  const int toUp = std::abs(estimate - up);
  const int toUpLeft = std::abs(estimate - upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft) {
    return static_cast<std::uint8_t>(left);
  }
  return static_cast<std::uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// Undoes the row filters in place. Each row is a filter byte and rowBytes
// bytes; bpp is the distance to the same sample of the pixel on the left. Each
// filter has a loop of its own, its first pixel (nothing on the left) apart; the
// first row has zeros above it.
void Unfilter(std::vector<std::uint8_t>& raw, std::size_t rowBytes, std::size_t bpp,
              std::size_t height) {
  const std::vector<std::uint8_t> zeros(rowBytes);
  const std::uint8_t* up = zeros.data();  // the unfiltered row above
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* row = raw.data() + y * (rowBytes + 1) + 1;
    const std::uint8_t filter = row[-1];
    const std::size_t first = std::min(bpp, rowBytes);
    switch (filter) {
      case 0: break;
      case 1:
        for (std::size_t i = bpp; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
        break;
      case 2:
        for (std::size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<std::uint8_t>(row[i] + up[i]);
        break;
      case 3:
        for (std::size_t i = 0; i < first; ++i) row[i] = static_cast<std::uint8_t>(row[i] + up[i] / 2);
        for (std::size_t i = bpp; i < rowBytes; ++i) {
          row[i] = static_cast<std::uint8_t>(row[i] + (row[i - bpp] + up[i]) / 2);
        }
        break;
      case 4:
        for (std::size_t i = 0; i < first; ++i) row[i] = static_cast<std::uint8_t>(row[i] + up[i]);
        for (std::size_t i = bpp; i < rowBytes; ++i) {
          row[i] = static_cast<std::uint8_t>(row[i] + Paeth(row[i - bpp], up[i], up[i - bpp]));
        }
        break;
      default: Fail(L"bad filter type " + Num(filter) + L" in row " + Num(y));
    }
    up = row;
  }
}

// Expands unfiltered rows of any colour type to RGBA.
TRgbaImage ToRgba(const TParts& parts, const std::vector<std::uint8_t>& raw,
                  std::size_t rowBytes) {
  const THeader& header = parts.header;
  TRgbaImage image;
  image.width = static_cast<int>(header.width);
  image.height = static_cast<int>(header.height);
  image.pixels.resize(std::size_t{header.width} * header.height * 4);
  const std::size_t paletteSize = parts.palette.size() / 3;
  const auto& key = parts.colourKey;
  for (std::size_t y = 0; y < header.height; ++y) {
    const std::uint8_t* in = raw.data() + y * (rowBytes + 1) + 1;
    std::uint8_t* out = image.pixels.data() + y * header.width * 4;
    if (header.colourType == kRgba) {
      std::copy_n(in, rowBytes, out);
      continue;
    }
    for (std::size_t x = 0; x < header.width; ++x, out += 4) {
      switch (header.colourType) {
        case kGrey: {
          const std::uint8_t grey = in[x];
          out[0] = out[1] = out[2] = grey;
          out[3] = parts.hasTransparency && grey == key[0] ? 0 : 255;
          break;
        }
        case kRgb: {
          const std::uint8_t* p = in + 3 * x;
          std::copy(p, p + 3, out);
          out[3] = parts.hasTransparency && p[0] == key[0] && p[1] == key[1] && p[2] == key[2]
                       ? 0
                       : 255;
          break;
        }
        case kPalette: {
          const std::size_t index = in[x];
          if (index >= paletteSize) {
            Fail(L"palette index " + Num(index) + L" out of range in row " + Num(y));
          }
          std::copy_n(parts.palette.data() + 3 * index, 3, out);
          out[3] = index < parts.paletteAlpha.size() ? parts.paletteAlpha[index] : 255;
          break;
        }
        case kGreyAlpha:
          out[0] = out[1] = out[2] = in[2 * x];
          out[3] = in[2 * x + 1];
          break;
        default: std::copy_n(in + 4 * x, 4, out); break;
      }
    }
  }
  return image;
}

}  // namespace

TRgbaImage DecodePng(std::span<const std::uint8_t> bytes) {
  const TParts parts = ReadChunks(bytes);
  // 8 bits a sample: a pixel is `channels` bytes. The header's limits keep
  // these products far from overflow.
  const std::size_t channels = Channels(parts.header.colourType);
  const std::size_t rowBytes = parts.header.width * channels;
  const std::size_t height = parts.header.height;
  std::vector<std::uint8_t> raw = Inflate(parts, height * (rowBytes + 1));
  Unfilter(raw, rowBytes, channels, height);
  return ToRgba(parts, raw, rowBytes);
}

}  // namespace zel::picture
