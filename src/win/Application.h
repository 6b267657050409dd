// The application object: the process's title and icon, its hidden tool window,
// the COM apartment, the message loop, the application-wide cursor and the two
// places where errors are reported.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "core/StartupOptions.h"
#include "win/Handles.h"

namespace zel::win {

// What the application needs of a window created through it.
class TFormWindow {
 public:
  virtual ~TFormWindow() = default;
  virtual HWND Handle() const noexcept = 0;
  // Runs the definition's creation handler.
  virtual void DoCreate() = 0;
  // Shows the window for the first time in the given state.
  virtual void Show(TInitialState state) = 0;
  // Releases everything at once (the session ends).
  virtual void Release() noexcept = 0;
};

enum class TCursorKind { Default, Wait };

class TApplication {
 public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  void Initialize();
  void SetMainFormOnTaskBar(bool value) noexcept { mainFormOnTaskBar_ = value; }
  bool MainFormOnTaskBar() const noexcept { return mainFormOnTaskBar_; }

  // Creates a window, runs its creation handler (reporting what it raises) and,
  // for the first window, makes it the main window.
  template <typename TForm>
  TForm* CreateForm() {
    auto form = std::make_unique<TForm>(*this);
    TForm* raw = form.get();
    AdoptForm(std::move(form));
    return raw;
  }

  // Shows the main window as the start-up request says and runs the loop.
  void Run();
  void Terminate() noexcept;

  // Reports an error raised while one message (or the creation handler) ran.
  void HandleException(std::exception_ptr error) noexcept;

  // The session ends: release everything as at exit and end the process now.
  [[noreturn]] void EndSession() noexcept;

  const std::wstring& Title() const noexcept { return title_; }
  HICON Icon() const noexcept { return icon_; }
  HWND Handle() const noexcept { return hidden_.Get(); }
  HINSTANCE Instance() const noexcept { return instance_; }
  TFormWindow* MainForm() const noexcept { return mainForm_.get(); }
  // True while the first window is being created: it gets the taskbar button.
  bool CreatingFirstForm() const noexcept { return !mainForm_; }

  // The application-wide cursor override.
  void SetCursor(TCursorKind kind) noexcept;
  TCursorKind Cursor() const noexcept { return cursor_; }
  HCURSOR WaitCursor() const noexcept { return waitCursor_; }

 private:
  void AdoptForm(std::unique_ptr<TFormWindow> form);
  void Finish() noexcept;

  HINSTANCE instance_;
  bool oleInitialized_ = false;
  bool comInitialized_ = false;
  std::wstring title_;
  HICON icon_ = nullptr;
  TWindow hidden_;
  bool mainFormOnTaskBar_ = false;
  std::unique_ptr<TFormWindow> mainForm_;
  TCursorKind cursor_ = TCursorKind::Default;
  HCURSOR waitCursor_ = nullptr;
  HCURSOR arrowCursor_ = nullptr;
};

// The wait cursor for one scope, restored on every way out of it.
class TBusyCursor {
 public:
  explicit TBusyCursor(TApplication& app) noexcept : app_(app) { app_.SetCursor(TCursorKind::Wait); }
  ~TBusyCursor() { app_.SetCursor(TCursorKind::Default); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TApplication& app_;
};

// The full path of the running executable, however long.
std::wstring ModulePath(HMODULE module = nullptr);

// Shows the task-modal "Application Error" box for an error that ends start-up.
void ShowApplicationError(std::exception_ptr error) noexcept;

// The text and kind of any error, for the boxes.
struct TErrorInfo {
  std::string kind;
  std::wstring boxText;   // for the error box of a handler
  std::wstring message;   // the error's own message
  const void* address = nullptr;
};
TErrorInfo DescribeError(std::exception_ptr error) noexcept;

}  // namespace zel::win
