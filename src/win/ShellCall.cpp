#include "win/ShellCall.h"

namespace zel::win {

std::wstring FolderParameters(std::wstring_view folder) {
  std::wstring path(folder);
  if (path.find(L',') != std::wstring::npos) return L"\"" + path + L"\"";
  return path;
}

TShellCall FolderShellCall(std::wstring_view folder) {
  return {std::wstring(kOpenVerb), std::wstring(kFileBrowser), FolderParameters(folder), kShowNormal};
}

TShellCall AddressShellCall(std::wstring_view address) {
  return {std::wstring(kOpenVerb), std::wstring(address), {}, kShowNormal};
}

}  // namespace zel::win
