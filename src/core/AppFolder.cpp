#include "core/AppFolder.h"

#include "core/CaseMapping.h"

namespace zel {

namespace {

std::wstring FolderEndingIn(std::wstring_view exePath, std::wstring_view separators, wchar_t last) {
  const size_t cut = exePath.find_last_of(separators);
  std::wstring folder(cut == std::wstring_view::npos ? std::wstring_view{} : exePath.substr(0, cut + 1));
  if (folder.empty() || folder.back() != last) folder += last;
  return folder;
}

}  // namespace

std::wstring AppFolderFromPath(std::wstring_view exePath) { return FolderEndingIn(exePath, L"\\:", L'\\'); }

std::wstring PosixAppFolderFromPath(std::wstring_view exePath) { return FolderEndingIn(exePath, L"/", L'/'); }

std::wstring_view FileNameOf(std::wstring_view path, TPathStyle style) noexcept {
  const size_t slash = path.find_last_of(style == TPathStyle::Posix ? L"/" : L"\\/:");
  return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

std::wstring TitleFromExePath(std::wstring_view exePath, TPathStyle style) {
  std::wstring_view name = FileNameOf(exePath, style);
  name = name.substr(0, name.find(L'.'));
  const size_t first = FirstCharacterLength(name);
  return std::wstring(name.substr(0, first)) + LowerCased(name.substr(first));
}

}  // namespace zel
