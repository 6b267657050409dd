#include "xdg/Application.h"

namespace zel::xdg {

std::wstring BoxText(std::wstring_view text) {
  std::wstring lines(text);
  for (std::size_t at = lines.find(L"\r\n"); at != std::wstring::npos; at = lines.find(L"\r\n", at)) lines.erase(at, 1);
  return lines;
}

}  // namespace zel::xdg
