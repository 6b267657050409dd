// The Linux end-to-end driver: runs one scenario against the launcher under test and
// prints one line per check; the exit code is the number of failed checks (capped).
//
//   zel-linux-test <scenario> --launcher <path> --work <folder> [--failing <path>]
//                  [--bare <path>] [--planted <folder>] [--looks <zel-gtk-button-looks>]
//                  [--wm <window manager run-scenario.sh started>]
//   zel-linux-test file-manager     the fake file manager (the fixture runs it)
//   zel-linux-test list
#include <QApplication>
#include <QDir>

#include <algorithm>

#include "Scenarios.h"

using namespace zellinux;

namespace {

int Usage() {
  PrintLine("usage: zel-linux-test <scenario> --launcher <path> --work <folder> [--failing <path>] "
            "[--bare <path>] [--planted <folder>] [--looks <path>] [--wm <name>] | file-manager | list");
  return 2;
}

int RunScenario(const QStringList& args) {
  const auto* scenario = std::find_if(std::begin(kScenarios), std::end(kScenarios),
                                      [&](const TScenario& s) { return args[1] == s.name; });
  if (scenario == std::end(kScenarios)) return Usage();
  TContext context;
  for (int i = 2; i + 1 < args.size(); i += 2) {
    const QString value = QDir(args[i + 1]).absolutePath();
    if (args[i] == "--launcher") context.launcher = value;
    if (args[i] == "--work") context.work = value;
    if (args[i] == "--failing") context.failingLauncher = value;
    if (args[i] == "--bare") context.bareWindow = value;
    if (args[i] == "--planted") context.plantedDir = value;
    if (args[i] == "--looks") context.gtkLooks = value;
    if (args[i] == "--wm") context.wm = args[i + 1];
  }
  if (context.launcher.isEmpty() || context.work.isEmpty()) return Usage();
  QDir().mkpath(context.work);
  PrintLine(QString("scenario ") + scenario->name + ": " + scenario->about);
  try {
    scenario->run(context);
  } catch (const TAbort& abort) {
    context.report.Check(false, QString(scenario->name) + ".aborted", QString::fromStdString(abort.what()));
  }
  const int failures = context.report.Failures();
  PrintLine(QString("scenario ") + scenario->name + ": " +
            (failures == 0 ? QString("all checks passed") : QString::number(failures) + " check(s) failed"));
  return std::min(failures, 100);
}

}  // namespace

int main(int argc, char** argv) {
  const QStringList args = [&] {
    QStringList list;
    for (int i = 0; i < argc; ++i) list << QString::fromLocal8Bit(argv[i]);
    return list;
  }();
  if (args.size() < 2) return Usage();
  if (args[1] == "file-manager") {
    const QCoreApplication app(argc, argv);
    return RunFakeFileManager();
  }
  if (args[1] == "list") {
    for (const TScenario& s : kScenarios) PrintLine(QString(s.name) + ": " + s.about);
    return 0;
  }
  // A widget application: the looks are drawn by the same styles the launcher uses,
  // at the display's dpi unscaled, as the launcher draws.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
#endif
  const QApplication app(argc, argv);
  return RunScenario(args);
}
