// The launcher's main window: a banner, three command buttons and the purchase
// picture, declared as data and bound to the handlers below by name.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/MouseRouter.h"
#include "controls/win/Components.h"
#include "core/FormDefinition.h"
#include "win/Application.h"
#include "win/Handles.h"
#include "win/Shell.h"
#include "win/Theme.h"

// The folder that holds the running executable, always ending in "\".
std::wstring GetAppFolder();

class TMainForm final : public zel::win::TFormWindow, private zel::controls::TRouterHost {
 public:
  explicit TMainForm(zel::win::TApplication& application);
  ~TMainForm() override;

  HWND Handle() const noexcept override { return window_.Get(); }
  void DoCreate() override;
  void Show(zel::TInitialState state) override;
  void Release() noexcept override;

  // Components, bound by name when the definition is loaded.
  zel::win::TImage* TopImage = nullptr;
  zel::win::TSpeedButton* SpeedButtonBuyFull = nullptr;
  zel::win::TSpeedButton* SpeedButtonFormList = nullptr;
  zel::win::TSpeedButton* SpeedButtonSamples = nullptr;
  zel::win::TImage* Image1 = nullptr;

  // Handlers.
  void FormCreate(TMainForm& sender);
  void SpeedButtonBuyFullClick(zel::win::TComponent& sender);
  void SpeedButtonFormListClick(zel::win::TComponent& sender);
  void SpeedButtonSamplesClick(zel::win::TComponent& sender);

  void SetCaption(const std::wstring& caption);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void LoadDefinition();
  void CreateNativeWindow(int fontHeight);
  void ApplyScaling(int pixelsPerInch, int textHeight);
  void LoadWindowIcon();
  void RunCommand(std::string_view handler);
  void Paint();
  void EnsureSurface(int width, int height);
  void FollowClientWidth();
  void RouteMouse(UINT message, WPARAM wParam, LPARAM lParam);

  // The router's requests.
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void TrackMouseLeave() override;
  void RepaintNow(std::size_t index) override;
  void RequestRepaint(std::size_t index) override;
  void Click(std::size_t index) override;

  zel::win::TApplication& application_;
  const zel::TFormDecl& decl_;
  std::vector<std::unique_ptr<zel::win::TComponent>> components_;
  std::optional<zel::controls::TMouseRouter> router_;
  zel::win::TFont font_;
  zel::win::TIcon icon_;
  zel::win::TButtonTheme theme_;
  zel::win::TShell shell_;
  // The off-screen surface every paint is composed on; the DC goes first.
  zel::win::TBitmap surface_;
  zel::win::TMemoryDc surfaceDc_;
  std::uint8_t* surfaceBits_ = nullptr;
  int surfaceWidth_ = 0;
  int surfaceHeight_ = 0;
  zel::win::TWindow window_;
  bool shown_ = false;
};

extern TMainForm* MainForm;
