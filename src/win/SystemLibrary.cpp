#include "win/SystemLibrary.h"

#include <cwchar>
#include <iterator>

namespace zel::win {

namespace {

// kernel32's entry points that not every Windows the program runs on has: looked
// up, never imported, or the loader refuses to start the program at all.
template <typename F>
F Kernel32Function(const char* name) noexcept {
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}

using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);

TSetDefaultDllDirectories SetDefaultDllDirectoriesFunction() noexcept {
#ifdef ZEL_TEST_LOADER_WITHOUT_SEARCH_FLAGS
  // A test build that behaves as on a Windows 7 without the loader update.
  return nullptr;
#else
  return Kernel32Function<TSetDefaultDllDirectories>("SetDefaultDllDirectories");
#endif
}

// The loader understands the LOAD_LIBRARY_SEARCH_* flags exactly where it has
// SetDefaultDllDirectories: both came with the same update.
bool LoaderHasSearchFlags() noexcept { return SetDefaultDllDirectoriesFunction() != nullptr; }

// The old loader searches beside the program first for a bare name: give it the
// full path, and have the DLL's own imports searched for in its folder too.
TModule LoadFromSystemFolder(const wchar_t* name) noexcept {
  wchar_t path[MAX_PATH + 64];
  const UINT folder = ::GetSystemDirectoryW(path, MAX_PATH);
  const size_t length = std::wcslen(name);
  if (folder == 0 || folder >= MAX_PATH || folder + 1 + length >= std::size(path)) return TModule();
  path[folder] = L'\\';
  std::wmemcpy(path + folder + 1, name, length + 1);
  return TModule(::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

// On the old loader the system's own DLLs load the theme library by bare name
// (user32 as it starts up, the common controls through their imports), which would
// find a copy beside the program. Loaded first from the system folder, it is the
// copy every later load by that name gets, until the process ends.
TModule preloadedTheme;

}  // namespace

void HardenDllSearch() noexcept {
  if (const TSetDefaultDllDirectories setDefault = SetDefaultDllDirectoriesFunction()) {
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return;
  }
  using TSetDllDirectory = BOOL(WINAPI*)(LPCWSTR);
  using TSetSearchPathMode = BOOL(WINAPI*)(DWORD);
  if (const auto setDllDirectory = Kernel32Function<TSetDllDirectory>("SetDllDirectoryW")) setDllDirectory(L"");
  if (const auto setSearchPathMode = Kernel32Function<TSetSearchPathMode>("SetSearchPathMode")) {
    setSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
  }
  preloadedTheme = LoadFromSystemFolder(L"uxtheme.dll");
}

TModule LoadSystemLibrary(const wchar_t* name) noexcept {
  if (LoaderHasSearchFlags()) return TModule(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  return LoadFromSystemFolder(name);
}

}  // namespace zel::win
