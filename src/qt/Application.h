// The application object of the Qt edition: the process's title, Qt's application
// object (with the process set up before it is made), the event loop, the error
// box, and the "Application Error" box for an error that ends start-up. Making
// the main window, running it and reporting a handler's error are the frame's
// (xdg/Application).
#pragma once

#include <QString>
#include <exception>
#include <memory>
#include <string>

#include "qt/FormWidget.h"
#include "qt/SessionEnd.h"
#include "xdg/Application.h"

class QApplication;

namespace zel::qt {

class TApplication final : public xdg::TApplicationFrame<TApplication, TFormWidget> {
 public:
  TApplication(int& argc, char** argv);
  ~TApplication();

  void Terminate() noexcept;

  const TFonts& Fonts();

 private:
  friend TApplicationFrame;
  void RunLoop();
  void ShowErrorBox(const std::wstring& text);

  QString title_;
  std::unique_ptr<QApplication> qt_;
  std::unique_ptr<TSessionEnd> sessionEnd_;
  std::unique_ptr<TFonts> fonts_;
};

// Shows the "Application Error" box for an error that ends start-up.
void ShowApplicationError(std::exception_ptr error, int& argc, char** argv) noexcept;

}  // namespace zel::qt
