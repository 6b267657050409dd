// The platform's visual styles for push buttons. The theme library is not one of
// the system's known DLLs, so it is loaded from the system folder only, never
// from beside the program.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <string_view>

#include "win/Handles.h"

namespace zel::win {

enum class TPushState { Normal = 1, Hot = 2, Pressed = 3 };  // PBS_NORMAL, PBS_HOT, PBS_PRESSED

class TButtonTheme {
 public:
  TButtonTheme() noexcept;
  ~TButtonTheme();
  TButtonTheme(const TButtonTheme&) = delete;
  TButtonTheme& operator=(const TButtonTheme&) = delete;

  // (Re)opens the push-button theme for hwnd; call again on WM_THEMECHANGED.
  void Open(HWND hwnd) noexcept;
  bool Active() const noexcept { return theme_ != nullptr; }

  void DrawParentBackground(HWND hwnd, HDC dc, const RECT& rect) const noexcept;
  void DrawButton(HDC dc, TPushState state, const RECT& rect) const noexcept;
  RECT ContentRect(HDC dc, TPushState state, const RECT& rect) const noexcept;
  // The caption by the theme's DrawThemeTextEx (DrawThemeText where there is none) in colour.
  void DrawText(HDC dc, TPushState state, std::wstring_view text, RECT rect, UINT format,
                COLORREF colour) const noexcept;

 private:
  void Close() noexcept;

  TModule library_;
  HTHEME theme_ = nullptr;
  decltype(&::OpenThemeData) open_ = nullptr;
  decltype(&::CloseThemeData) close_ = nullptr;
  decltype(&::IsThemeActive) isThemeActive_ = nullptr;
  decltype(&::IsAppThemed) isAppThemed_ = nullptr;
  decltype(&::DrawThemeBackground) drawBackground_ = nullptr;
  decltype(&::DrawThemeParentBackground) drawParentBackground_ = nullptr;
  decltype(&::GetThemeBackgroundContentRect) contentRect_ = nullptr;
  decltype(&::DrawThemeTextEx) drawTextEx_ = nullptr;
  decltype(&::DrawThemeText) drawText_ = nullptr;
};

}  // namespace zel::win
