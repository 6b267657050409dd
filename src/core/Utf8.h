// UTF-8 to and from the program's wide strings (UTF-16 where wchar_t is 16 bits,
// UTF-32 where it is 32), for error texts and the platforms' narrow interfaces.
#pragma once

#include <string>
#include <string_view>

namespace zel {

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

// A POSIX path is bytes, and need not be UTF-8 (a folder unpacked from an old
// archive or stick). As wide text each byte that is not part of a valid UTF-8
// sequence stands as U+DC80 + its value, a lone low surrogate that no valid
// UTF-8 decodes to; PathBytesFromWide gives back exactly the bytes decoded.
std::wstring WideFromPathBytes(std::string_view bytes);
std::string PathBytesFromWide(std::wstring_view text);

// The file:// URI of an absolute path's bytes: every byte that a URI's path may
// not hold as it is percent-encoded, so the URI is ASCII whatever the path holds.
std::string FileUriFromPathBytes(std::string_view bytes);

}  // namespace zel
