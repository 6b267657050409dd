// What both Linux editions' application objects share without a toolkit type:
// creating a form with its window, making the first one the main window, running
// the loop, and reporting an error raised while one event ran. Each edition's
// application object derives from TApplicationFrame, naming itself and its window
// type, and gives its loop (RunLoop) and its modal box (ShowErrorBox, given the
// text with its lines ending in "\n").
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "core/ErrorText.h"

namespace zel::xdg {

// A box's text as the toolkits show it: lines end in "\n".
std::wstring BoxText(std::wstring_view text);

template <typename Application, typename Window>
class TApplicationFrame {
 public:
  // Creates a form and its window (loading the form's definition), runs its
  // creation handler (reporting what it raises) and, for the first form, makes
  // it the main window.
  template <typename Form>
  Form* CreateForm() {
    auto form = std::make_unique<Form>();
    Form* raw = form.get();
    AdoptForm(std::make_unique<Window>(Self(), std::move(form)));
    return raw;
  }

  // Shows the main window and runs the loop until it is closed.
  void Run() {
    if (mainForm_) mainForm_->ShowCentred();
    Self().RunLoop();
    mainForm_.reset();
  }

  // Reports an error raised while one event (or the creation handler) ran: a
  // held press ends first, as its release would never come.
  void HandleException(std::exception_ptr error) noexcept {
    try {
      if (mainForm_) mainForm_->CancelPress();
      const TErrorInfo info = DescribeError(error);
      Self().ShowErrorBox(BoxText(info.boxText));
    } catch (...) {
      // Nothing more can be shown.
    }
  }

 protected:
  TApplicationFrame() = default;
  ~TApplicationFrame() = default;
  TApplicationFrame(const TApplicationFrame&) = delete;
  TApplicationFrame& operator=(const TApplicationFrame&) = delete;

  Window* MainWindow() const noexcept { return mainForm_.get(); }
  // The main window goes before the toolkit it was made with.
  void CloseMainWindow() noexcept { mainForm_.reset(); }

 private:
  Application& Self() noexcept { return static_cast<Application&>(*this); }

  void AdoptForm(std::unique_ptr<Window> form) {
    try {
      form->Form().DoCreate();
    } catch (...) {
      HandleException(std::current_exception());
    }
    if (!mainForm_) mainForm_ = std::move(form);
  }

  std::unique_ptr<Window> mainForm_;
};

}  // namespace zel::xdg
