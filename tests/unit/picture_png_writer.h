// A small PNG writer for the decoder's tests: chunks with zlib's CRC-32, image
// data filtered with any of the five row filters, compressed with zlib's
// compress and split over as many IDAT chunks as asked.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace zel::picture::test {

using TBytes = std::vector<std::uint8_t>;

inline void AppendBe32(TBytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

inline TBytes Signature() { return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}; }

// A whole chunk: length, type, data and the CRC of type and data.
inline TBytes Chunk(std::string_view type, const TBytes& data) {
  TBytes out;
  AppendBe32(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, out.data() + 4, static_cast<uInt>(out.size() - 4));
  AppendBe32(out, static_cast<std::uint32_t>(crc));
  return out;
}

inline TBytes HeaderData(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth,
                         std::uint8_t colourType, std::uint8_t interlace = 0) {
  TBytes data;
  AppendBe32(data, width);
  AppendBe32(data, height);
  data.insert(data.end(), {bitDepth, colourType, 0, 0, interlace});
  return data;
}

inline TBytes Compress(const TBytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  TBytes out(size);
  if (compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())) != Z_OK) {
    throw std::runtime_error("compress failed");
  }
  out.resize(size);
  return out;
}

// Signature followed by the chunks as given.
inline TBytes Assemble(const std::vector<TBytes>& chunks) {
  TBytes out = Signature();
  for (const TBytes& chunk : chunks) {
    out.insert(out.end(), chunk.begin(), chunk.end());
  }
  return out;
}

inline int PaethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// samples: rows of rowBytes bytes, unfiltered. Row y gets filters[y % size];
// bpp is the byte distance to the pixel on the left.
inline TBytes FilterRows(const TBytes& samples, std::size_t rowBytes, std::size_t bpp,
                         const TBytes& filters) {
  TBytes out;
  const std::size_t height = samples.size() / rowBytes;
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t filter = filters[y % filters.size()];
    out.push_back(filter);
    const std::uint8_t* row = samples.data() + y * rowBytes;
    const std::uint8_t* above = y > 0 ? row - rowBytes : nullptr;
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0;
      const int b = above != nullptr ? above[i] : 0;
      const int c = above != nullptr && i >= bpp ? above[i - bpp] : 0;
      int predictor = 0;
      switch (filter) {
        case 1: predictor = a; break;
        case 2: predictor = b; break;
        case 3: predictor = (a + b) / 2; break;
        case 4: predictor = PaethPredictor(a, b, c); break;
        default: break;
      }
      out.push_back(static_cast<std::uint8_t>(row[i] - predictor));
    }
  }
  return out;
}

// Splits data into `pieces` IDAT chunks of near-equal size (some may be empty).
inline std::vector<TBytes> ImageDataChunks(const TBytes& compressed, std::size_t pieces) {
  std::vector<TBytes> chunks;
  const std::size_t step = (compressed.size() + pieces - 1) / pieces;
  for (std::size_t i = 0; i < pieces; ++i) {
    const std::size_t begin = std::min(compressed.size(), i * step);
    const std::size_t end = std::min(compressed.size(), begin + step);
    chunks.push_back(Chunk("IDAT", TBytes(compressed.begin() + static_cast<std::ptrdiff_t>(begin),
                                          compressed.begin() + static_cast<std::ptrdiff_t>(end))));
  }
  return chunks;
}

inline std::size_t ChannelsOf(std::uint8_t colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

struct TPngOptions {
  TBytes filters = {0};
  std::size_t imageDataPieces = 1;
  std::vector<TBytes> chunksBeforeData;  // PLTE, tRNS, ancillary chunks
};

// An 8-bit picture of the given colour type; samples are its unfiltered rows.
inline TBytes EncodePng(std::uint32_t width, std::uint32_t height, std::uint8_t colourType,
                        const TBytes& samples, const TPngOptions& options = {}) {
  const std::size_t channels = ChannelsOf(colourType);
  std::vector<TBytes> chunks = {Chunk("IHDR", HeaderData(width, height, 8, colourType))};
  chunks.insert(chunks.end(), options.chunksBeforeData.begin(), options.chunksBeforeData.end());
  const TBytes filtered = FilterRows(samples, width * channels, channels, options.filters);
  for (TBytes& chunk : ImageDataChunks(Compress(filtered), options.imageDataPieces)) {
    chunks.push_back(std::move(chunk));
  }
  chunks.push_back(Chunk("IEND", {}));
  return Assemble(chunks);
}

// Deterministic pseudo-random bytes (a linear congruential generator).
inline TBytes PseudoRandomBytes(std::size_t count, std::uint32_t seed) {
  TBytes out(count);
  for (std::uint8_t& byte : out) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(seed >> 24);
  }
  return out;
}

}  // namespace zel::picture::test
