// The launcher's window as the benchmark's floor and stock-widget programs copy
// it: the client size, the boxes of the banner, the buttons and the purchase
// picture, the captions and their font, and the window classes the Windows
// driver looks for. Shared by those programs of every toolkit.
#pragma once

namespace zelbench::layout {

struct TBox {
  int left, top, width, height;
};

inline constexpr int kClientWidth = 960;
inline constexpr int kClientHeight = 449;

inline constexpr TBox kBanner{0, 0, 960, 171};
inline constexpr TBox kFormList{8, 177, 468, 109};
inline constexpr TBox kSamples{479, 177, 473, 109};
inline constexpr TBox kBuyFull{8, 292, 944, 149};
inline constexpr TBox kPicture{664, 292, 161, 149};

inline constexpr wchar_t kTitle[] = L"ВЕЛТ (Demo)";
inline constexpr char kTitleUtf8[] = "ВЕЛТ (Demo)";

struct TButton {
  TBox box;
  const wchar_t* caption;
  const char* captionUtf8;
  bool imageRight;  // the caption leaves room for a picture on its right
};

inline constexpr TButton kButtons[] = {
    {kFormList, L"Список форм", "Список форм", false},
    {kSamples, L"Примеры", "Примеры", false},
    {kBuyFull, L"Купить полную версию", "Купить полную версию", true},
};

// The button font: Tahoma Bold, its height in pixels; the window font, Tahoma.
inline constexpr int kButtonFontPixels = 24;
inline constexpr int kWindowFontPixels = 11;
// How far a push button's face lies inside its box: its frame.
inline constexpr int kFaceInset = 2;

inline constexpr wchar_t kFloorClass[] = L"ZelCaptionsWindow";
inline constexpr wchar_t kStockClass[] = L"ZelStockWindow";

}  // namespace zelbench::layout
