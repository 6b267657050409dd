#include "core/FontMetrics.h"

namespace zel {

namespace {

constexpr std::size_t kWinAscentAt = 74;   // OS/2 usWinAscent, then usWinDescent
constexpr std::size_t kUnitsPerEmAt = 18;  // head unitsPerEm

std::uint32_t ReadBe16(std::span<const std::uint8_t> table, std::size_t at) noexcept {
  return (std::uint32_t{table[at]} << 8) | table[at + 1];
}

// Font units to whole pixels as the rasterizer behind GDI does it: a 16.16
// scale from the em in 26.6 pixels, the product rounded to 26.6, then to pixels.
int UnitsToPixels(std::uint32_t units, std::int64_t scale) noexcept {
  const std::int64_t fixed = (std::int64_t{units} * scale + 0x8000) >> 16;
  return static_cast<int>((fixed + 32) >> 6);
}

}  // namespace

std::optional<TWinTextMetrics> WindowsTextMetrics(std::span<const std::uint8_t> os2,
                                                  std::span<const std::uint8_t> head, int pixelSize) noexcept {
  if (os2.size() < kWinAscentAt + 4 || head.size() < kUnitsPerEmAt + 2 || pixelSize <= 0) return std::nullopt;
  const std::uint32_t unitsPerEm = ReadBe16(head, kUnitsPerEmAt);
  const std::uint32_t ascent = ReadBe16(os2, kWinAscentAt);
  const std::uint32_t descent = ReadBe16(os2, kWinAscentAt + 2);
  if (unitsPerEm < 16 || unitsPerEm > 16384 || ascent + descent == 0) return std::nullopt;
  const std::int64_t scale = ((std::int64_t{pixelSize} * 64 << 16) + unitsPerEm / 2) / unitsPerEm;
  return TWinTextMetrics{UnitsToPixels(ascent, scale), UnitsToPixels(descent, scale)};
}

}  // namespace zel
