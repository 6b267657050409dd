// The application folder, and the title the program takes from its file name.
#pragma once

#include <string>
#include <string_view>

namespace zel {

// How a platform writes paths: Windows separates folders with "\" or "/" and
// a drive with ":"; on POSIX systems "/" is the only separator, and "\" and ":"
// are ordinary characters of a name.
enum class TPathStyle { Windows, Posix };

// A file name without its folder.
std::wstring_view FileNameOf(std::wstring_view path, TPathStyle style = TPathStyle::Windows) noexcept;

// The folder part of an executable's full path, always ending in "\": cut after
// the last "\" or ":", whichever comes later; a path with neither gives "\".
std::wstring AppFolderFromPath(std::wstring_view exePath);

// The Linux edition's rule: cut after the last "/", always ending in "/"; a path
// with none gives "/".
std::wstring PosixAppFolderFromPath(std::wstring_view exePath);

// The executable's file name without its folder, cut at its first "." and with
// every character after the first lower-cased by the Unicode simple mapping:
// LAUNCH.EXE gives "Launch", ΑΡΧΕΙΟ.EXE "Αρχειο".
std::wstring TitleFromExePath(std::wstring_view exePath, TPathStyle style = TPathStyle::Windows);

}  // namespace zel
