// The Win32 window behind a form: it makes the native window, measures its
// text, composes each paint off screen, turns window messages into the form's
// mouse input and hands the commands to the shell.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "win/Accessible.h"
#include "form/Form.h"
#include "form/Painter.h"
#include "core/StartupOptions.h"
#include "win/Handles.h"
#include "win/Shell.h"
#include "win/Surface.h"
#include "win/Theme.h"

namespace zel::win {

class TApplication;

class TFormWindow final : private TFormPeer {
 public:
  // Loads the form's definition, which creates the native window (still hidden).
  TFormWindow(TApplication& application, std::unique_ptr<TForm> form);
  ~TFormWindow();
  TFormWindow(const TFormWindow&) = delete;
  TFormWindow& operator=(const TFormWindow&) = delete;

  TForm& Form() const noexcept { return *form_; }
  HWND Handle() const noexcept { return window_.Get(); }
  // Shows the window for the first time, centred in the work area.
  void Show(TInitialState state);
  // Releases everything at once (the session ends).
  void Release() noexcept;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void RouteMouse(UINT message, LPARAM lParam);
  void Paint();

  // TFormPeer
  std::span<const std::uint8_t> ResourceBytes(std::wstring_view name) override;
  int PixelsPerInch() override;
  int CreateNativeWindow(std::wstring_view caption, const TFontDecl& font, int fontHeight) override;
  void SetClientSize(TSize size) override;
  void LoadWindowIcon(std::wstring_view name) override;
  void SetCaption(std::wstring_view caption) override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void TrackMouseLeave() override;
  void Invalidate(const TRect& area) override;
  void Update() override;
  void SetBusyCursor(bool busy) override;
  void OpenFolder(std::wstring_view path) override;
  void OpenAddress(std::wstring_view address) override;

  TApplication& application_;
  std::unique_ptr<TForm> form_;
  // Made when a screen reader first asks; gone with the window.
  std::unique_ptr<TAccessibleServer> accessible_;
  TFont font_;
  TIcon icon_;
  TButtonTheme theme_;
  TShell shell_;
  TFormPainter painter_;
  TWindowSurface surface_;
  TWindow window_;
};

}  // namespace zel::win
