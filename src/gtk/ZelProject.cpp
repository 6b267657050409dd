// The launcher's entry (GTK edition): creates the application and its main
// window, runs the main loop and ends with the exit code. With no display to
// show anything on, one line on standard error and exit code 1.
#include <exception>

#include "ZelMainForm.h"
#include "gtk/Application.h"
#include "xdg/Program.h"

int main(int argc, char** argv) {
  try {
    zel::gtk::TApplication application(argc, argv);
    MainForm = application.CreateForm<TMainForm>();
    application.Run();
  } catch (const zel::gtk::TNoDisplay& error) {
    MainForm = nullptr;
    zel::xdg::SayNoDisplay(error.what());
    return 1;
  } catch (...) {
    MainForm = nullptr;
    zel::gtk::ShowApplicationError(std::current_exception());
    return 1;
  }
  return 0;
}
