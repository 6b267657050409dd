// Plugins planted beside the program, which is started from that folder: a platform
// plugin under platforms/ and a style plugin under styles/, asked for by name through
// the environment, and the same under another folder a planted qt.conf names. The launcher must load neither (and come up and end normally
// when only the style is asked for); a plain Qt program beside the same plants must
// load each, so they are live.
#include <QDir>
#include <QFile>

#include "Scenarios.h"

namespace zellinux {

namespace {

constexpr int kPlatformTelltale = 83;
constexpr int kStyleTelltale = 84;

void CopyPlants(const TContext& context, const QString& folder) {
  for (const char* sub : {"platforms", "styles"}) {
    QDir().mkpath(folder + "/" + sub);
    const QDir from(context.plantedDir + "/" + sub);
    for (const QString& file : from.entryList(QDir::Files)) {
      QFile::copy(from.filePath(file), folder + "/" + sub + "/" + file);
    }
  }
}

// A folder holding a copy of the program with the planted plugins beside it, or a
// qt.conf that names a folder of them as Qt's own plugin folder, or both.
QString PlantBeside(const TContext& context, const QString& exe, const QString& name, bool beside, bool conf) {
  const QString folder = context.InWork(name);
  QDir(folder).removeRecursively();
  if (beside) CopyPlants(context, folder);
  if (conf) {
    CopyPlants(context, folder + "/elsewhere");
    QFile file(folder + "/qt.conf");
    if (!file.open(QIODevice::WriteOnly) || file.write("[Paths]\nPlugins = elsewhere\n") < 0) {
      throw TAbort("cannot write " + file.fileName().toStdString());
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

  const QString exe = PlantBeside(context, context.launcher, "launcher", true, true);
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

  // Beside the program, asked for; and where a planted qt.conf points, where the
  // planted "xcb" is found before the system's own and is loaded unasked.
  const QString bare = PlantBeside(context, context.bareWindow, "bare", true, false);
  const QString bareConf = PlantBeside(context, context.bareWindow, "bare-qt-conf", false, true);
  const struct {
    QString exe;
    QStringList environment;
    const char* what;
    int telltale;
  } runs[] = {{bare, {markerVariable, style}, "styles/", kStyleTelltale},
              {bare, {markerVariable, platform}, "platforms/", kPlatformTelltale},
              {bareConf, {markerVariable}, "qt.conf", kPlatformTelltale}};
  for (const auto& run : runs) {
    marker.Clear();
    TProgram plain(TStart{run.exe, run.environment, context.InWork("bare.log")});
    const std::optional<int> code = plain.WaitForExit(kWindowTimeoutMs);
    report.Check(code == run.telltale && !marker.Lines().isEmpty(),
                 QString("planted.plain-qt-program-loads-plant (%1)").arg(run.what),
                 (code ? "exit code " + QString::number(*code) : QString("still running")) + ", marker: " + markerText());
  }
}

}  // namespace zellinux
