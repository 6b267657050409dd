// Planted beside a copy of the launcher under the name of a system DLL. If the loader
// ever takes it, it leaves a marker file beside itself ("<its name>.ran") and ends the
// process at once with an exit code of its own, so a test sees both that it ran and
// which one it was.
#include <windows.h>

#include <string>

#ifndef ZEL_PLANTED_EXIT_CODE
#error "ZEL_PLANTED_EXIT_CODE names the exit code of this copy"
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  std::wstring marker(32768, L'\0');
  const DWORD length = ::GetModuleFileNameW(instance, marker.data(), static_cast<DWORD>(marker.size()));
  marker.resize(length);
  marker += L".ran";
  HANDLE file = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  // Not ExitProcess: that would run other DLLs' detach code under the loader's lock.
  ::TerminateProcess(::GetCurrentProcess(), ZEL_PLANTED_EXIT_CODE);
  return FALSE;
}
