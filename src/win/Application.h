// The application object: the process's title and icon, its hidden tool window,
// the COM apartment, the message loop, the application-wide cursor and the two
// places where errors are reported.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "core/CursorRestore.h"
#include "core/StartupOptions.h"
#include "win/Com.h"
#include "win/FormWindow.h"
#include "win/Handles.h"

namespace zel::win {

class TApplication final : private TCursorHost {
 public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  void Initialize();
  void SetMainFormOnTaskBar(bool value) noexcept { mainFormOnTaskBar_ = value; }
  bool MainFormOnTaskBar() const noexcept { return mainFormOnTaskBar_; }

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

  // Shows the main window as the start-up request says and runs the loop.
  void Run();
  void Terminate() noexcept;

  // Reports an error raised while one message (or the creation handler) ran.
  void HandleException(std::exception_ptr error) noexcept;

  // The session ends: release everything as at exit and end the process now.
  [[noreturn]] void EndSession() noexcept;

  HINSTANCE Instance() const noexcept { return instance_; }
  // True while the first window is being created: it gets the taskbar button.
  bool CreatingFirstForm() const noexcept { return !mainForm_; }

  // The application-wide cursor override.
  void SetCursor(TCursorKind kind) noexcept;
  TCursorKind Cursor() const noexcept { return cursor_.Current(); }
  HCURSOR WaitCursor() const noexcept { return waitCursor_; }

 private:
  void AdoptForm(std::unique_ptr<TFormWindow> form);
  void Finish() noexcept;

  // TCursorHost
  void ShowCursor(TCursorShape shape) override;
  std::optional<TPoint> PointerPosition() override;
  TNativeWindow WindowAt(TPoint screen) override;
  bool OnOwnThread(TNativeWindow window) override;
  std::intptr_t HitTest(TNativeWindow window, TPoint screen) override;
  void AskForCursor(TNativeWindow window, std::intptr_t hitTest) override;

  HINSTANCE instance_;
  // First in, last out: the apartment outlives every window.
  std::optional<TOleApartment> ole_;
  std::optional<TComApartment> com_;
  std::wstring title_;
  HICON icon_ = nullptr;
  TWindow hidden_;
  bool mainFormOnTaskBar_ = false;
  std::unique_ptr<TFormWindow> mainForm_;
  TAppCursor cursor_{*this};
  HCURSOR waitCursor_ = nullptr;
  HCURSOR arrowCursor_ = nullptr;
};

// The full path of the running executable, however long.
std::wstring ModulePath(HMODULE module = nullptr);

// Shows the task-modal "Application Error" box for an error that ends start-up.
void ShowApplicationError(std::exception_ptr error) noexcept;

}  // namespace zel::win
