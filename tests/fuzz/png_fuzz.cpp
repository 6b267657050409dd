// libFuzzer entry for the PNG reader: whatever the input, it decodes or ends
// in zel::Error, with no sanitizer report. Each input is tried as it is and
// again with its chunk CRCs made right, so mutations also reach the header
// checks, inflating and the row filters instead of stopping at a bad CRC.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/Error.h"
#include "picture/Png.h"

namespace {

void Decode(std::span<const std::uint8_t> bytes) {
  try {
    const zel::picture::TRgbaImage image = zel::picture::DecodePng(bytes);
    const std::size_t expected =
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
    if (image.width < 1 || image.height < 1 || image.pixels.size() != expected) {
      __builtin_trap();
    }
  } catch (const zel::Error&) {
  }
}

std::uint32_t ReadBe32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

std::vector<std::uint8_t> WithCrcsRepaired(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
  std::size_t pos = 8;
  while (copy.size() - pos >= 12) {
    const std::uint32_t length = ReadBe32(copy.data() + pos);
    if (length > copy.size() - pos - 12) {
      break;
    }
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), copy.data() + pos + 4, length + 4);
    for (int i = 0; i < 4; ++i) {
      copy[pos + 8 + length + static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    pos += 12 + std::size_t{length};
  }
  return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  Decode(bytes);
  if (size >= 8) {
    Decode(WithCrcsRepaired(bytes));
  }
  return 0;
}
