// The application object: the process's title, Qt's application object (with
// the process set up before it is made), the main window, the event loop, and the
// two places where errors are reported.
#pragma once

#include <QString>
#include <exception>
#include <memory>
#include <string>

#include "qt/FormWidget.h"
#include "qt/SessionEnd.h"

class QApplication;

namespace zel::qt {

class TApplication {
 public:
  TApplication(int& argc, char** argv);
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
    AdoptForm(std::make_unique<TFormWidget>(*this, std::move(form)));
    return raw;
  }

  // Shows the main window and runs the loop until it is closed.
  void Run();
  void Terminate() noexcept;

  // Reports an error raised while one event (or the creation handler) ran.
  void HandleException(std::exception_ptr error) noexcept;

  const TFonts& Fonts();

 private:
  void AdoptForm(std::unique_ptr<TFormWidget> form);

  bool mainFormOnTaskBar_ = false;
  QString title_;
  std::unique_ptr<QApplication> qt_;
  std::unique_ptr<TSessionEnd> sessionEnd_;
  std::unique_ptr<TFonts> fonts_;
  std::unique_ptr<TFormWidget> creating_;
  std::unique_ptr<TFormWidget> mainForm_;
};

// Shows the "Application Error" box for an error that ends start-up.
void ShowApplicationError(std::exception_ptr error, int& argc, char** argv) noexcept;

}  // namespace zel::qt
