#include "core/CaseMapping.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace zel {

namespace {

// Every stride-th code point from first to first + span lower-cases to itself plus
// delta; eight bytes a range.
struct TCaseRange {
  std::uint32_t first : 21;
  std::uint32_t span : 9;
  std::uint32_t stride : 2;
  std::int32_t delta;
  char32_t First() const noexcept { return static_cast<char32_t>(first); }
  char32_t Last() const noexcept { return static_cast<char32_t>(first + span); }
};

constexpr TCaseRange kLowerCaseRanges[] = {
#include "core/CaseMapping.inc"
};

}  // namespace

char32_t LowerCaseOf(char32_t code) noexcept {
  const auto range = std::lower_bound(std::begin(kLowerCaseRanges), std::end(kLowerCaseRanges), code,
                                      [](const TCaseRange& r, char32_t c) { return r.Last() < c; });
  if (range == std::end(kLowerCaseRanges) || code < range->First() ||
      (code - range->First()) % static_cast<char32_t>(range->stride) != 0) {
    return code;
  }
  return static_cast<char32_t>(static_cast<std::int32_t>(code) + range->delta);
}

size_t FirstCharacterLength(std::wstring_view text) noexcept {
  if (text.empty()) return 0;
  if constexpr (sizeof(wchar_t) == 2) {
    if (text.size() > 1 && detail::IsHighSurrogate(text[0]) && detail::IsLowSurrogate(text[1])) return 2;
  }
  return 1;
}

}  // namespace zel
