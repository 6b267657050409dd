// How the launcher reacts to the show request it was started with.
#pragma once

namespace zel {

enum class TInitialState { Normal, Maximized, MinimizedNoActivate };

// The show request values the launcher tells apart.
inline constexpr unsigned kShowMaximized = 3;      // SW_SHOWMAXIMIZED
inline constexpr unsigned kShowMinNoActive = 7;    // SW_SHOWMINNOACTIVE
inline constexpr unsigned kShowDefault = 10;       // SW_SHOWDEFAULT

// useShowWindow: STARTF_USESHOWWINDOW was set; showWindow: STARTUPINFO's wShowWindow.
unsigned ShowRequest(bool useShowWindow, unsigned showWindow) noexcept;
// Maximized and minimized-without-activation are honoured; every other request
// (minimized included) leaves the window normal.
TInitialState InitialState(unsigned showRequest) noexcept;

}  // namespace zel
