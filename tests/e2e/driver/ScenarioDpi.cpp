// At 120 logical pixels per inch the window font grows to 14 pixels and every size
// scales by T / 13, T being the text height of "0" in that font (17 with Wine's Tahoma).
#include "Scenarios.h"

namespace zeltest {

namespace {

// a * T / 13, rounded half away from zero (all values here are positive).
LONG Scaled(LONG value, int textHeight) {
  return static_cast<LONG>((2LL * value * textHeight + launcher::kDesignTextHeight) /
                           (2LL * launcher::kDesignTextHeight));
}

}  // namespace

void ScenarioDpi120(TContext& context) {
  TReport& report = context.report;
  // Measured here rather than assumed: it depends on the Tahoma the prefix has.
  const int textHeight = TahomaTextHeight(launcher::kWindowFontHeightAt120);
  report.Note("dpi120.text-height", "Tahoma -" + std::to_string(launcher::kWindowFontHeightAt120) + ": \"0\" is " +
                                        std::to_string(textHeight) + " high");
  const TRegistryOverride logPixels(L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, TRegistryOverride::Dword(120),
                                    context.InWork(L"logpixels.regbackup"));

  // The setting applies to programs started from now on: ask one.
  {
    TStartOptions options;
    options.arguments = L"logpixels";
    const TProcess probe = TProcess::Start(ThisProgram(), options);
    const std::optional<DWORD> pixels = probe.WaitForExit(kWindowTimeoutMs);
    report.CheckEqual(120, pixels.value_or(0), "dpi120.next-program-gets-120");
  }

  TRunningLauncher running = StartLauncher(context.launcherExe);
  RECT client{};
  ::GetClientRect(running.main, &client);
  report.CheckEqual(Scaled(launcher::kClient.cx, textHeight), client.right, "dpi120.client-width");
  report.CheckEqual(Scaled(launcher::kClient.cy, textHeight), client.bottom, "dpi120.client-height");
  RECT window{};
  ::GetWindowRect(running.main, &window);
  CheckCentred(report, "dpi120.centred-in-work-area", window);
  if (report.Failures() > 0) SaveScreen(context, L"dpi120.bmp");
  ::PostMessageW(running.main, WM_CLOSE, 0, 0);
  CheckEndsWithZero(report, "dpi120.exit-code", running);
}

}  // namespace zeltest
