// How the launcher reacts to the show request it was started with, and which
// image of an icon set becomes the window's own icon.
#pragma once

#include <cstddef>
#include <vector>

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

struct TIconImageInfo {
  int width = 0;
  int height = 0;
  int bitCount = 0;
};
// The image nearest the wanted size, the later one when two are equally near.
std::size_t NearestIconImage(const std::vector<TIconImageInfo>& images, int wanted) noexcept;

}  // namespace zel
