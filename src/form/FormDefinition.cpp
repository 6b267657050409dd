#include "form/FormDefinition.h"

namespace zel {

namespace {

constexpr TFontDecl kWindowFont{L"Tahoma", 11, false};
constexpr TFontDecl kButtonFont{L"Tahoma", 24, true};
constexpr std::wstring_view kUnsetCaption = L"___";

// The main window, as its user sees it: a banner across the top, two buttons
// side by side under it and the purchase button below with its picture.
constexpr TComponentDecl kMainFormComponents[] = {
    {.name = "TopImage", .kind = TComponentClass::Picture, .bounds = {0, 0, 960, 171},
     .align = TAlign::Top, .picture = L"BANNER", .fit = TPictureFit::TopLeft},
    {.name = "SpeedButtonBuyFull", .kind = TComponentClass::CommandButton, .bounds = {8, 292, 944, 149},
     .font = kButtonFont, .caption = kUnsetCaption, .layout = TCaptionLayout::ImageRight,
     .onClick = "SpeedButtonBuyFullClick"},
    {.name = "SpeedButtonFormList", .kind = TComponentClass::CommandButton, .bounds = {8, 177, 468, 109},
     .font = kButtonFont, .caption = kUnsetCaption, .onClick = "SpeedButtonFormListClick"},
    {.name = "SpeedButtonSamples", .kind = TComponentClass::CommandButton, .bounds = {479, 177, 473, 109},
     .font = kButtonFont, .caption = kUnsetCaption, .onClick = "SpeedButtonSamplesClick"},
    {.name = "Image1", .kind = TComponentClass::Picture, .bounds = {664, 292, 161, 149},
     .picture = L"BUYPICTURE", .fit = TPictureFit::Centre},
};

constexpr TFormDecl kMainForm{
    .name = "MainForm",
    .caption = L"MainForm",
    .client = {960, 449},
    .font = kWindowFont,
    .icon = L"MAINICON",
    .onCreate = "FormCreate",
    .components = kMainFormComponents,
};

}  // namespace

const TFormDecl& MainFormDefinition() noexcept { return kMainForm; }

TScaledForm ScaleForm(const TFormDecl& form, int pixelsPerInch, int textHeight) {
  TScaledForm scaled;
  scaled.client = ScaleClientSize(form.client, textHeight);
  for (const TComponentDecl& c : form.components) {
    scaled.bounds.push_back(ScaleBounds(c.bounds, textHeight));
    scaled.fontHeights.push_back(
        c.font.height == 0 ? 0 : ScaleButtonFontHeight(c.font.height, pixelsPerInch, textHeight));
  }
  return scaled;
}

TRect AlignBounds(const TComponentDecl& decl, const TRect& scaled, int clientWidth) noexcept {
  if (decl.align != TAlign::Top) return scaled;
  return {0, 0, clientWidth, scaled.height};
}

}  // namespace zel
