// What the Windows edition hands the shell's ShellExecuteW to open a folder in the
// file browser or an address in the web browser. Plain text and numbers, with no
// <windows.h>, so the rules are tested natively with the rest.
#pragma once

#include <string>
#include <string_view>

namespace zel::win {

inline constexpr std::wstring_view kFileBrowser = L"explorer.exe";
inline constexpr std::wstring_view kOpenVerb = L"open";
inline constexpr int kShowNormal = 1;  // SW_SHOWNORMAL

// One shell call: ShellExecuteW(owner, verb, file, parameters, no folder, show).
struct TShellCall {
  std::wstring verb;
  std::wstring file;
  std::wstring parameters;  // empty: none
  int show = kShowNormal;
  bool operator==(const TShellCall&) const = default;
};

// The parameter string that opens a folder (its full path) in the file browser.
// The file browser reads commas on its command line as separators, so a path
// holding one is passed in double quotes; every other path goes exactly as it is.
std::wstring FolderParameters(std::wstring_view folder);

// The file browser started on a folder, by its executable name alone.
TShellCall FolderShellCall(std::wstring_view folder);
// An address opened by its registered handler.
TShellCall AddressShellCall(std::wstring_view address);

}  // namespace zel::win
