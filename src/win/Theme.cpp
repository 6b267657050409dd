#include "win/Theme.h"

#include <vssym32.h>

#include "win/SystemLibrary.h"

namespace zel::win {

namespace {

template <typename F>
void Bind(HMODULE module, const char* name, F& function) noexcept {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

TButtonTheme::TButtonTheme() noexcept
    : library_(LoadSystemLibrary(L"uxtheme.dll")) {
  if (!library_) return;
  HMODULE m = library_.Get();
  Bind(m, "OpenThemeData", open_);
  Bind(m, "CloseThemeData", close_);
  Bind(m, "IsThemeActive", isThemeActive_);
  Bind(m, "IsAppThemed", isAppThemed_);
  Bind(m, "DrawThemeBackground", drawBackground_);
  Bind(m, "DrawThemeParentBackground", drawParentBackground_);
  Bind(m, "GetThemeBackgroundContentRect", contentRect_);
  Bind(m, "DrawThemeTextEx", drawTextEx_);
  Bind(m, "DrawThemeText", drawText_);
}

TButtonTheme::~TButtonTheme() { Close(); }

void TButtonTheme::Close() noexcept {
  if (theme_ != nullptr && close_ != nullptr) close_(theme_);
  theme_ = nullptr;
}

void TButtonTheme::Open(HWND hwnd) noexcept {
  Close();
  if (!open_ || !close_ || !isThemeActive_ || !isAppThemed_ || !drawBackground_ || !contentRect_ ||
      (!drawTextEx_ && !drawText_)) {
    return;
  }
  if (!isThemeActive_() || !isAppThemed_()) return;
  theme_ = open_(hwnd, L"BUTTON");
}

void TButtonTheme::DrawParentBackground(HWND hwnd, HDC dc, const RECT& rect) const noexcept {
  RECT area = rect;
  if (drawParentBackground_ != nullptr) drawParentBackground_(hwnd, dc, &area);
}

void TButtonTheme::DrawButton(HDC dc, TPushState state, const RECT& rect) const noexcept {
  drawBackground_(theme_, dc, BP_PUSHBUTTON, static_cast<int>(state), &rect, nullptr);
}

RECT TButtonTheme::ContentRect(HDC dc, TPushState state, const RECT& rect) const noexcept {
  RECT content = rect;
  if (FAILED(contentRect_(theme_, dc, BP_PUSHBUTTON, static_cast<int>(state), &rect, &content))) {
    content = rect;
  }
  return content;
}

void TButtonTheme::DrawText(HDC dc, TPushState state, std::wstring_view text, RECT rect, UINT format,
                            COLORREF colour) const noexcept {
  const int length = static_cast<int>(text.size());
  // In the button font's colour, not the theme's (white on a pressed button in some
  // themes); the font is the one selected into dc unless the theme names its own.
  if (drawTextEx_ != nullptr) {
    DTTOPTS options{};
    options.dwSize = sizeof options;
    options.dwFlags = DTT_TEXTCOLOR;
    options.crText = colour;
    drawTextEx_(theme_, dc, BP_PUSHBUTTON, static_cast<int>(state), text.data(), length, format, &rect,
                &options);
  } else {
    const COLORREF previous = ::SetTextColor(dc, colour);
    drawText_(theme_, dc, BP_PUSHBUTTON, static_cast<int>(state), text.data(), length, format, 0, &rect);
    ::SetTextColor(dc, previous);
  }
}

}  // namespace zel::win
