// The launcher's entry: hardens the process, creates the application and its
// main window, runs the message loop and ends with the exit code.
#include <windows.h>

#include <exception>

#include "ZelMainForm.h"
#include "win/Application.h"
#include "win/SystemLibrary.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything else loads: DLLs come from the system folder, never from
  // the program's folder or the current one, where anyone may have put a copy.
  zel::win::HardenDllSearch();
  ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);

  try {
    zel::win::TApplication application;
    application.Initialize();
    application.SetMainFormOnTaskBar(true);
    MainForm = application.CreateForm<TMainForm>();
    application.Run();
  } catch (...) {
    MainForm = nullptr;
    zel::win::ShowApplicationError(std::current_exception());
    return 1;
  }
  return 0;
}
