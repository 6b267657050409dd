#include "ZelMainForm.h"

TMainForm* MainForm = nullptr;

namespace {

using zel::AsFormField;
using zel::AsFormHandler;
using zel::TAlign;
using zel::TCaptionLayout;
using zel::TComponentClass;
using zel::TComponentDecl;
using zel::TFontDecl;
using zel::TFormDecl;
using zel::TPictureFit;

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

const TMainForm::TClickBinding kClickHandlers[] = {
    {"SpeedButtonBuyFullClick", AsFormHandler(&TMainForm::SpeedButtonBuyFullClick)},
    {"SpeedButtonFormListClick", AsFormHandler(&TMainForm::SpeedButtonFormListClick)},
    {"SpeedButtonSamplesClick", AsFormHandler(&TMainForm::SpeedButtonSamplesClick)},
};
const TMainForm::TCreateBinding kCreateHandlers[] = {{"FormCreate", AsFormHandler(&TMainForm::FormCreate)}};
const TMainForm::TFieldBinding kFields[] = {
    {"TopImage", AsFormField(&TMainForm::TopImage)},
    {"SpeedButtonBuyFull", AsFormField(&TMainForm::SpeedButtonBuyFull)},
    {"SpeedButtonFormList", AsFormField(&TMainForm::SpeedButtonFormList)},
    {"SpeedButtonSamples", AsFormField(&TMainForm::SpeedButtonSamples)},
    {"Image1", AsFormField(&TMainForm::Image1)},
};

}  // namespace

const TFormDecl& MainFormDefinition() noexcept { return kMainForm; }

TMainForm::TMainForm() noexcept : TForm(MainFormDefinition()) {}

std::span<const TMainForm::TClickBinding> TMainForm::ClickHandlers() const noexcept { return kClickHandlers; }
std::span<const TMainForm::TCreateBinding> TMainForm::CreateHandlers() const noexcept { return kCreateHandlers; }
std::span<const TMainForm::TFieldBinding> TMainForm::Fields() const noexcept { return kFields; }

void TMainForm::FormCreate(zel::TForm&) {
  SetCaption(L"ВЕЛТ (Demo)");
  SpeedButtonFormList->SetCaption(L"Список форм");
  SpeedButtonSamples->SetCaption(L"Примеры");
  SpeedButtonBuyFull->SetCaption(L"Купить полную версию");
}

void TMainForm::SpeedButtonBuyFullClick(zel::TComponent&) { RunCommand(zel::TCommand::BuyFull); }
void TMainForm::SpeedButtonFormListClick(zel::TComponent&) { RunCommand(zel::TCommand::FormList); }
void TMainForm::SpeedButtonSamplesClick(zel::TComponent&) { RunCommand(zel::TCommand::Samples); }

void TMainForm::RunCommand(zel::TCommand command) { Execute(zel::CommandRow(command), GetAppFolder); }
