// Plugins planted beside the program, which is started from that folder: a platform
// plugin under platforms/ and a style plugin under styles/, asked for by name through
// the environment. The launcher must load neither (and come up and end normally
// when only the style is asked for); a plain Qt program beside the same plants must
// load each, so they are live.
#include <QDir>
#include <QFile>

#include "Scenarios.h"

namespace zellinux {

namespace {

constexpr int kPlatformTelltale = 83;
constexpr int kStyleTelltale = 84;

// A folder holding a copy of the program and of the planted plugins.
QString PlantBeside(const TContext& context, const QString& exe, const QString& name) {
  const QString folder = context.InWork(name);
  QDir(folder).removeRecursively();
  for (const char* sub : {"platforms", "styles"}) {
    QDir().mkpath(folder + "/" + sub);
    const QDir from(context.plantedDir + "/" + sub);
    for (const QString& file : from.entryList(QDir::Files)) {
      QFile::copy(from.filePath(file), folder + "/" + sub + "/" + file);
    }
  }
  const QString copy = folder + "/" + QFileInfo(exe).fileName();
  if (!QFile::copy(exe, copy)) throw TAbort("cannot copy " + exe.toStdString() + " to " + folder.toStdString());
  return copy;
}

}  // namespace

void ScenarioPlanted(TContext& context) {
  TReport& report = context.report;
  if (context.plantedDir.isEmpty() || context.bareWindow.isEmpty()) throw TAbort("--planted and --bare are needed");
  const TRecordFile marker(context.InWork("planted-ran.txt"));
  marker.Clear();
  const QString markerVariable = "ZEL_PLANTED_MARKER=" + marker.Path();
  // The platform plant answers to "xcb", which the system's own plugin also does, and
  // to a key of its own; the style plant only to its own key.
  const QString style = "QT_STYLE_OVERRIDE=zelplanted", platform = "QT_QPA_PLATFORM=zelplanted";
  auto markerText = [&] { return marker.Lines().isEmpty() ? QString("none") : marker.Lines().join("; "); };

  const QString exe = PlantBeside(context, context.launcher, "launcher");
  try {
    TLauncher l = StartLauncher(LauncherStart(context, exe, {markerVariable, style}));
    report.CheckEqual(launcher::kTitle, WindowTitle(l.main), "planted.launcher-comes-up");
    CloseAndCheck(report, "planted.launcher-exit-code", l);
  } catch (const TAbort& abort) {
    report.Check(false, "planted.launcher-comes-up", abort.what());
  }
  report.Check(marker.Lines().isEmpty(), "planted.launcher-loads-no-plant", "marker: " + markerText());
  {
    // Asked for a platform only the plant provides, the launcher cannot start, but
    // must not run the plant either.
    TProgram asked(LauncherStart(context, exe, {markerVariable, platform}));
    const std::optional<int> code = asked.WaitForExit(kWindowTimeoutMs);
    report.Check(code != kPlatformTelltale && marker.Lines().isEmpty(), "planted.launcher-asked-for-plant-loads-none",
                 (code ? "exit code " + QString::number(*code) : QString("still running")) + ", marker: " + markerText());
  }

  const QString bare = PlantBeside(context, context.bareWindow, "bare");
  for (const auto& [variable, telltale] : {std::pair{style, kStyleTelltale}, std::pair{platform, kPlatformTelltale}}) {
    marker.Clear();
    TProgram plain(TStart{bare, {markerVariable, variable}, context.InWork("bare.log")});
    const std::optional<int> code = plain.WaitForExit(kWindowTimeoutMs);
    report.Check(code == telltale && !marker.Lines().isEmpty(), "planted.plain-qt-program-loads-plant (" + variable + ")",
                 (code ? "exit code " + QString::number(*code) : QString("still running")) + ", marker: " + markerText());
  }
}

}  // namespace zellinux
