// The application object of the GTK edition: the process's title, GTK opened on
// the X display (the process set up before), the main loop, the error box, and
// the "Application Error" box for an error that ends start-up. Making the main
// window, running it and reporting a handler's error are the frame's
// (xdg/Application).
#pragma once

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

#include "gtk/FormWindow.h"
#include "gtk/Handles.h"
#include "gtk/SessionEnd.h"
#include "xdg/Application.h"

namespace zel::gtk {

// No X display to open: nothing can be shown, so the entry writes one line and ends.
class TNoDisplay : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TApplication final : public xdg::TApplicationFrame<TApplication, TFormWindow> {
 public:
  // Opens the display; throws TNoDisplay when there is none or it refuses us.
  TApplication(int& argc, char**& argv);
  ~TApplication();

  void Terminate() noexcept;

  // Looked up once, with the drawing surface's font settings and the first font wanted.
  const TFonts& Fonts(PangoContext* context, int pixels, bool bold);

 private:
  friend TApplicationFrame;
  void RunLoop();
  void ShowErrorBox(const std::wstring& text);

  std::string title_;
  TMainLoop loop_;
  std::unique_ptr<TSessionEnd> sessionEnd_;
  std::unique_ptr<TFonts> fonts_;
};

// Shows the "Application Error" box for an error that ends start-up.
void ShowApplicationError(std::exception_ptr error) noexcept;

}  // namespace zel::gtk
