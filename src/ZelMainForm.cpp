#include "ZelMainForm.h"

#include <algorithm>

#include "core/Commands.h"

TMainForm* MainForm = nullptr;

namespace {

using zel::AsFormField;
using zel::AsFormHandler;

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

TMainForm::TMainForm() noexcept : TForm(zel::MainFormDefinition()) {}

std::span<const TMainForm::TClickBinding> TMainForm::ClickHandlers() const noexcept { return kClickHandlers; }
std::span<const TMainForm::TCreateBinding> TMainForm::CreateHandlers() const noexcept { return kCreateHandlers; }
std::span<const TMainForm::TFieldBinding> TMainForm::Fields() const noexcept { return kFields; }

void TMainForm::FormCreate(zel::TForm&) {
  SetCaption(L"ВЕЛТ (Demo)");
  SpeedButtonFormList->SetCaption(L"Список форм");
  SpeedButtonSamples->SetCaption(L"Примеры");
  SpeedButtonBuyFull->SetCaption(L"Купить полную версию");
}

void TMainForm::SpeedButtonBuyFullClick(zel::TComponent&) { RunCommand("SpeedButtonBuyFullClick"); }
void TMainForm::SpeedButtonFormListClick(zel::TComponent&) { RunCommand("SpeedButtonFormListClick"); }
void TMainForm::SpeedButtonSamplesClick(zel::TComponent&) { RunCommand("SpeedButtonSamplesClick"); }

void TMainForm::RunCommand(std::string_view handler) {
  const auto row = std::ranges::find(zel::kCommandTable, handler, &zel::TCommandRow::handler);
  if (row != std::end(zel::kCommandTable)) Execute(*row, GetAppFolder);
}
