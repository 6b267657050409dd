// The application object of the GTK edition: the process's title, GTK opened on
// the X display (the process set up before), the main window, the main loop, and
// the two places where errors are reported.
#pragma once

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

#include "gtk/FormWindow.h"
#include "gtk/Handles.h"
#include "gtk/SessionEnd.h"

namespace zel::gtk {

// No X display to open: nothing can be shown, so the entry writes one line and ends.
class TNoDisplay : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TApplication {
 public:
  // Opens the display; throws TNoDisplay when there is none or it refuses us.
  TApplication(int& argc, char**& argv);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Nothing to chain here: the toolkit is ready once the object is made.
  void Initialize() noexcept {}
  void SetMainFormOnTaskBar(bool value) noexcept { mainFormOnTaskBar_ = value; }

  // Creates a form and its window (loading the form's definition), runs its
  // creation handler (reporting what it raises) and, for the first form, makes
  // it the main window.
  template <typename Form>
  Form* CreateForm() {
    auto form = std::make_unique<Form>();
    Form* raw = form.get();
    AdoptForm(std::make_unique<TFormWindow>(*this, std::move(form)));
    return raw;
  }

  // Shows the main window and runs the loop until it is closed.
  void Run();
  void Terminate() noexcept;

  // Reports an error raised while one event (or the creation handler) ran.
  void HandleException(std::exception_ptr error) noexcept;

  // Looked up once, with the drawing surface's font settings and the first font wanted.
  const TFonts& Fonts(PangoContext* context, int pixels, bool bold);

 private:
  void AdoptForm(std::unique_ptr<TFormWindow> form);

  bool mainFormOnTaskBar_ = false;
  std::string title_;
  TMainLoop loop_;
  std::unique_ptr<TSessionEnd> sessionEnd_;
  std::unique_ptr<TFonts> fonts_;
  std::unique_ptr<TFormWindow> mainForm_;
};

// Shows the "Application Error" box for an error that ends start-up.
void ShowApplicationError(std::exception_ptr error) noexcept;

// The one line written when there is no display to show anything on.
void ReportNoDisplay(const TNoDisplay& error) noexcept;

}  // namespace zel::gtk
