// The end-to-end scenarios, one function each; zeltest.cpp lists them by name.
#pragma once

#include "Launcher.h"

namespace zeltest {

// The title of the window `zeltest take-capture` shows.
inline constexpr wchar_t kCaptureTakerTitle[] = L"zeltest capture taker";

struct TScenario {
  const char* name;
  void (*run)(TContext&);
  const char* about;
};

void ScenarioWindow(TContext& context);
void ScenarioCommands(TContext& context);
void ScenarioDisc(TContext& context);
void ScenarioShow(TContext& context);
void ScenarioClose(TContext& context);
void ScenarioDpi120(TContext& context);
void ScenarioPlanted(TContext& context);
void ScenarioLeaks(TContext& context);
void ScenarioLooksThemed(TContext& context);
void ScenarioLooksClassic(TContext& context);
void ScenarioMouse(TContext& context);
void ScenarioPictures(TContext& context);
void ScenarioDamagedPicture(TContext& context);
void ScenarioDamagedBannerHeader(TContext& context);
void ScenarioDamagedBannerPixels(TContext& context);
void ScenarioFailingCommand(TContext& context);
void ScenarioCursor(TContext& context);
void ScenarioAccessible(TContext& context);
void ScenarioAccessibleFailing(TContext& context);

inline constexpr TScenario kScenarios[] = {
    {"window", ScenarioWindow, "title, client size, styles, taskbar window, centred placement"},
    {"commands", ScenarioCommands, "button clicks reach the file browser and the web browser"},
    {"disc", ScenarioDisc, "(the release's disc image as drive D:, a CD-ROM) the folder buttons open the disc's folders"},
    {"show", ScenarioShow, "the start-up show request: maximized, minimized without activation, normal"},
    {"close", ScenarioClose, "Alt+F4, WM_CLOSE and the system menu's Close end the process with code 0"},
    {"dpi120", ScenarioDpi120, "at 120 logical pixels per inch the window scales with the text height"},
    {"planted", ScenarioPlanted, "DLLs planted beside the program are not loaded; the buttons use the system's theme"},
    {"planted-old-loader", ScenarioPlanted,
     "(build without SetDefaultDllDirectories, as an older Windows 7) the same, by the older loader's means"},
    {"leaks", ScenarioLeaks, "GDI and USER objects, handles and private memory stay put over repaints, clicks and hovers"},
    {"looks-themed", ScenarioLooksThemed, "the buttons' themed look in every state, read from the screen"},
    {"looks-classic", ScenarioLooksClassic, "the buttons' classic look in every state, read from the screen"},
    {"mouse", ScenarioMouse, "presses, drags, releases, double-clicks and cancels: what runs, and the capture"},
    {"pictures", ScenarioPictures, "the banner and the purchase picture on screen, pixel by pixel, normal and maximized"},
    {"damaged-picture", ScenarioDamagedPicture,
     "(damaged purchase picture build) the Application Error box, no window, exit code 1"},
    {"damaged-banner-header", ScenarioDamagedBannerHeader,
     "(damaged banner header build) the Application Error box, no window, exit code 1"},
    {"damaged-banner-pixels", ScenarioDamagedBannerPixels,
     "(damaged banner pixels build) a plain banner box, no error box, working buttons, exit code 0"},
    {"failing-command", ScenarioFailingCommand,
     "(failing folder build) the error box of a failed command, and the launcher goes on"},
    {"cursor", ScenarioCursor,
     "the wait cursor during a command and the cursor it leaves, over the launcher and over another window"},
    {"accessible", ScenarioAccessible,
     "a screen reader's view: names, roles, states, places and hit tests at 96 and 120 dpi; buttons pressed by it; "
     "minimized"},
    {"accessible-failing", ScenarioAccessibleFailing,
     "(failing folder build) a failing command pressed by a screen reader shows the click's error box; while it "
     "is open the buttons are unavailable and a press runs nothing"},
};

}  // namespace zeltest
