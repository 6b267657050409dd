#include "core/Utf8.h"

namespace zel {

namespace {

char32_t NextCodePoint(const std::wstring& s, size_t& i) {
  char32_t c = static_cast<char32_t>(s[i++]);
  if constexpr (sizeof(wchar_t) == 2) {
    if (c >= 0xD800 && c < 0xDC00 && i < s.size()) {
      const char32_t low = static_cast<char32_t>(s[i]);
      if (low >= 0xDC00 && low < 0xE000) {
        ++i;
        return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      }
    }
  }
  return c;
}

void AppendWide(std::wstring& out, char32_t c) {
  if (sizeof(wchar_t) == 2 && c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(c));
  }
}

}  // namespace

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char32_t c = NextCodePoint(text, i);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    ++i;
    for (; extra > 0 && i < text.size(); --extra, ++i) {
      c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    AppendWide(out, c);
  }
  return out;
}

namespace {

constexpr char32_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at the start of bytes and its code point,
// or 0: overlong forms, surrogates and values past U+10FFFF are not valid.
size_t ValidSequence(std::string_view bytes, char32_t& c) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || bytes.size() < length) return 0;
  c = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i) & 0x3F);
  }
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0;
  return length;
}

}  // namespace

std::wstring WideFromPathBytes(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    char32_t c = 0;
    size_t length = ValidSequence(bytes, c);
    if (length == 0) {
      c = kEscapeBase + static_cast<unsigned char>(bytes[0]);
      length = 1;
    }
    AppendWide(out, c);
    bytes.remove_prefix(length);
  }
  return out;
}

std::string PathBytesFromWide(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  std::wstring run;
  const auto flush = [&] {
    out += ToUtf8(run);
    run.clear();
  };
  for (const wchar_t w : text) {
    const auto c = static_cast<char32_t>(w);
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
      flush();
      out.push_back(static_cast<char>(c - kEscapeBase));
    } else {
      run.push_back(w);
    }
  }
  flush();
  return out;
}

std::string FileUriFromPathBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                       std::string_view("-._~/!$&'()*+,;=:@").find(ch) != std::string_view::npos;
    if (plain) {
      uri.push_back(ch);
    } else {
      uri.push_back('%');
      uri.push_back(kHex[b >> 4]);
      uri.push_back(kHex[b & 0xF]);
    }
  }
  return uri;
}

}  // namespace zel
