// The launcher's entry: creates the application and its main window, runs the
// event loop and ends with the exit code.
#include <exception>

#include "ZelMainForm.h"
#include "qt/Application.h"

int main(int argc, char** argv) {
  try {
    zel::qt::TApplication application(argc, argv);
    MainForm = application.CreateForm<TMainForm>();
    application.Run();
  } catch (...) {
    MainForm = nullptr;
    zel::qt::ShowApplicationError(std::current_exception(), argc, argv);
    return 1;
  }
  return 0;
}
