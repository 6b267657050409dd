// What the benchmark's baseline window shows: one colour over a client area the
// size of the launcher's. Shared by the window program and the driver that checks it.
#pragma once

#include <cstdint>

namespace zelbench::minimal {

inline constexpr wchar_t kWindowClass[] = L"ZelMinimalWindow";
inline constexpr int kClientWidth = 960;
inline constexpr int kClientHeight = 449;
// A colour no part of an unpainted window or the bare X screen has.
inline constexpr std::uint8_t kRed = 0x2E, kGreen = 0x6B, kBlue = 0xA4;

}  // namespace zelbench::minimal
