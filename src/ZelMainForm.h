// The launcher's main window: a banner, three command buttons and the purchase
// picture, declared as data (MainFormDefinition) and bound to the handlers below
// by name; each click handler runs its row of the command table. The platform's
// window behind it is made by the application object (win/FormWindow,
// qt/FormWidget, gtk/FormWindow).
#pragma once

#include <span>
#include <string>

#include "core/Commands.h"
#include "form/Form.h"
#include "form/FormDefinition.h"

// The folder that holds the running executable, always ending in the
// platform's folder separator.
std::wstring GetAppFolder();

// The main window's definition: its properties, its components in declared order
// and the names of its handlers.
const zel::TFormDecl& MainFormDefinition() noexcept;

class TMainForm final : public zel::TForm {
 public:
  TMainForm() noexcept;

  // Components, bound by name when the definition is loaded.
  zel::TComponent* TopImage = nullptr;
  zel::TComponent* SpeedButtonBuyFull = nullptr;
  zel::TComponent* SpeedButtonFormList = nullptr;
  zel::TComponent* SpeedButtonSamples = nullptr;
  zel::TComponent* Image1 = nullptr;

  // Handlers.
  void FormCreate(zel::TForm& sender);
  void SpeedButtonBuyFullClick(zel::TComponent& sender);
  void SpeedButtonFormListClick(zel::TComponent& sender);
  void SpeedButtonSamplesClick(zel::TComponent& sender);

 private:
  std::span<const TClickBinding> ClickHandlers() const noexcept override;
  std::span<const TCreateBinding> CreateHandlers() const noexcept override;
  std::span<const TFieldBinding> Fields() const noexcept override;
  void RunCommand(zel::TCommand command);
};

// The application's main window, from its creation to exit.
extern TMainForm* MainForm;
