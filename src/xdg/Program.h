// What the Linux editions share whatever toolkit draws: the program's own path,
// its environment and its children's, and handing folders and addresses to the
// desktop. Paths are bytes here and may not be UTF-8; as wide text they carry
// the bytes that are not (core/Utf8), so they are handed on byte-exact.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zel::xdg {

// The running executable's real path, its links resolved, as bytes ("" if unknown).
std::string ExecutablePathBytes();
// The same as the program's wide text.
std::wstring ExecutablePath();

// Sets a variable of the launcher's own, where the user has set nothing. What is
// set here is left out of the environment of the programs the launcher starts.
void SetDefault(const char* name, const char* value);
// The environment as the user gave it ("NAME=value" each), for the programs started.
std::vector<std::string> ChildEnvironment();

// The file:// URI of a folder, given as wide text, for the file manager.
std::string FolderUri(std::wstring_view folder);

// Runs xdg-open with one argument (a folder path or an address, as bytes), found
// through PATH's absolute folders only (never the current folder), detached, with
// the user's environment. Does nothing where no xdg-open is found.
void XdgOpen(std::string_view argument);

// The one line said where the launcher cannot reach a display; what names what
// is missing, as MissingDisplay or a toolkit's own words do.
std::string NoDisplayLine(std::string_view what);
// Writes that line on standard error.
void SayNoDisplay(std::string_view what) noexcept;
// What is missing where the X display named by DISPLAY cannot be reached.
std::string MissingDisplay(const char* display);

}  // namespace zel::xdg
