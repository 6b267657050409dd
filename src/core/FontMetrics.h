// The text height Windows gives a TrueType font, for toolkits that measure it
// otherwise. Windows takes a line's ascent and descent from the OS/2 table's
// usWinAscent and usWinDescent, each scaled to the pixel size and rounded on its
// own; a font that asks for its typographic metrics (Tahoma does) measures
// smaller elsewhere, and the window's scaling is declared against Windows' figure.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zel {

struct TWinTextMetrics {
  int ascent = 0;
  int descent = 0;
  constexpr int Height() const noexcept { return ascent + descent; }
  bool operator==(const TWinTextMetrics&) const = default;
};

// os2 and head: the font's "OS/2" and "head" tables as stored (big-endian);
// pixelSize: the character height (em) in pixels. None when a table is too short,
// the em is not 16 to 16384 units or the font gives no Windows metrics.
std::optional<TWinTextMetrics> WindowsTextMetrics(std::span<const std::uint8_t> os2,
                                                  std::span<const std::uint8_t> head, int pixelSize) noexcept;

}  // namespace zel
