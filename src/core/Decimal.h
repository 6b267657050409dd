// A number in decimal digits: the program's texts need no more formatting than this.
#pragma once

#include <string>

namespace zel {

inline std::wstring ToDecimal(unsigned long long value) {
  wchar_t digits[24];
  wchar_t* const end = digits + 24;
  wchar_t* p = end;
  do {
    *--p = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return std::wstring(p, end);
}

}  // namespace zel
