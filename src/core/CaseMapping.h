// Lower-casing by the Unicode simple case mapping: one code point to one code point,
// the same in every edition whatever the system's locale.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// The lower case of one code point, or the code point itself when it has none.
char32_t LowerCaseOf(char32_t code) noexcept;

namespace detail {
constexpr bool IsHighSurrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }
}  // namespace detail

// Every character lower-cased. Text of 16-bit units is UTF-16, with the characters
// beyond the basic plane as surrogate pairs (a lone surrogate is kept as it is); of
// 32-bit units, UTF-32. So wchar_t text is UTF-16 on Windows and UTF-32 on Linux.
// A template, so each program holds only the encodings it uses.
template <typename Char>
std::basic_string<Char> LowerCased(std::basic_string_view<Char> text) {
  static_assert(sizeof(Char) == 2 || sizeof(Char) == 4);
  std::basic_string<Char> lowered;
  lowered.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(Char) == 2) {
      if (detail::IsHighSurrogate(code) && i + 1 < text.size() && detail::IsLowSurrogate(text[i + 1])) {
        code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
      }
    }
    code = LowerCaseOf(code);
    if constexpr (sizeof(Char) == 2) {
      if (code >= 0x10000) {
        code -= 0x10000;
        lowered += static_cast<Char>(0xD800 + (code >> 10));
        code = 0xDC00 + (code & 0x3FF);
      }
    }
    lowered += static_cast<Char>(code);
  }
  return lowered;
}

// The length in code units of the first character of text: 2 for a surrogate pair
// where wchar_t is UTF-16, 1 otherwise, 0 for empty text.
size_t FirstCharacterLength(std::wstring_view text) noexcept;

}  // namespace zel
