// UTF-8 to and from the program's wide strings (UTF-16 where wchar_t is 16 bits,
// UTF-32 where it is 32), for error texts and the platforms' narrow interfaces.
#pragma once

#include <string>

namespace zel {

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace zel
