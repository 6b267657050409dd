#include "core/AppFolder.h"

#include <cwctype>

namespace zel {

std::wstring AppFolderFromPath(std::wstring_view exePath) {
  const size_t cut = exePath.find_last_of(L"\\:");
  std::wstring folder(cut == std::wstring_view::npos ? std::wstring_view{} : exePath.substr(0, cut + 1));
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

std::wstring FolderParameters(std::wstring_view appFolder, std::wstring_view folderName) {
  std::wstring path(appFolder);
  path += folderName;
  if (path.find(L',') != std::wstring::npos) return L"\"" + path + L"\"";
  return path;
}

namespace {

// Lower-cases the letters the title can hold: ASCII, Latin-1 and Cyrillic.
wchar_t LowerCase(wchar_t c) {
  if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<wchar_t>(c + 0x20);
  if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 0x50);
  return c;
}

}  // namespace

std::wstring TitleFromExePath(std::wstring_view exePath) {
  const size_t slash = exePath.find_last_of(L"\\:/");
  std::wstring_view name = slash == std::wstring_view::npos ? exePath : exePath.substr(slash + 1);
  name = name.substr(0, name.find(L'.'));
  std::wstring title(name);
  for (size_t i = 1; i < title.size(); ++i) title[i] = LowerCase(title[i]);
  return title;
}

}  // namespace zel
