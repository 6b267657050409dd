// The scenarios and what they share.
#pragma once

#include "Harness.h"

namespace zellinux {

// The launcher (or another build) started from its own folder, its output in the
// scenario's folder, with extra environment.
TStart LauncherStart(const TContext& context, const QString& exe, const QStringList& environment = {});

// The banner at the client's top-left corner, pixel for pixel the JPEG library's
// decoding of the file the launcher carries.
void CheckBanner(TReport& report, const QString& what, const TLauncher& launcher);
// Each button through its states as the style draws them, laid out for the dpi.
void CheckButtonLooks(TContext& context, const TLauncher& launcher, const QString& prefix, int dpi);

void ScenarioWindow(TContext& context);
void ScenarioDpi120(TContext& context);
void ScenarioCommands(TContext& context);
void ScenarioWaitCursor(TContext& context);
void ScenarioFailingCommand(TContext& context);
void ScenarioLooks(TContext& context);
void ScenarioPlanted(TContext& context);
void ScenarioArchive(TContext& context);
void ScenarioNoDisplay(TContext& context);

struct TScenario {
  const char* name;
  void (*run)(TContext&);
  const char* about;
};

inline constexpr TScenario kScenarios[] = {
    {"window", ScenarioWindow, "title, class, size, hints, placement, icon, first frames; closing"},
    {"dpi120", ScenarioDpi120, "Xft.dpi 120: scaled client area, the banner unscaled"},
    {"commands", ScenarioCommands, "each button with real input from a folder with a space, Cyrillic and a comma"},
    {"wait-cursor", ScenarioWaitCursor, "the wait cursor while the file manager answers, the arrow right after"},
    {"failing-command", ScenarioFailingCommand, "a command's error box: modal, Return closes it, the launcher goes on"},
    {"looks", ScenarioLooks, "the buttons' states as the style draws them, captions, banner and purchase picture"},
    {"no-display", ScenarioNoDisplay, "no display, one that refuses, a missing platform plugin: one line and exit code 1"},
    {"planted", ScenarioPlanted, "plugins planted beside the program are not loaded; beside a plain Qt program they are"},
    {"archive", ScenarioArchive, "the release's program in a root of GTK 3's runtime: size, banner, the three commands, closing"},
};

}  // namespace zellinux
