// A program that does nothing against planted DLLs: loads the DLL named on its command
// line by its bare name, with the default search order, which looks in the program's
// own folder first. The DLL-planting scenario runs it beside the planted copies to show
// they are live: each must end it with its own exit code.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR name, int) {
  return ::LoadLibraryW(name) != nullptr ? 0 : 1;
}
