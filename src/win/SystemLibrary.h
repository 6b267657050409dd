// Where the process takes its DLLs from: the system folder only. A DLL that is not
// one of the system's known DLLs is otherwise searched for beside the program and in
// the current folder first, where anyone may have put a copy of their own.
#pragma once

#include <windows.h>

#include "win/Handles.h"

namespace zel::win {

// The first statement of the program, before anything else loads: DLLs come from the
// system folder. A Windows 7 without the loader update of 2011 lacks the call that
// says so; there the current folder leaves the search path, the path search turns
// safe, and the theme library, which the system's own DLLs load by bare name, is
// loaded from the system folder before they ask for it.
void HardenDllSearch() noexcept;

// A system DLL (name alone, "uxtheme.dll") from the system folder and nowhere else,
// also on a loader without the system-folder flag; null when it cannot be loaded.
TModule LoadSystemLibrary(const wchar_t* name) noexcept;

}  // namespace zel::win
