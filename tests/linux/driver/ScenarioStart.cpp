// Starting where no display can be reached: one line on standard error naming what
// is missing, exit code 1, no abort. A platform list that ends in X falls back to it.
#include <QFile>
#include <QFileInfo>

#include "Scenarios.h"

namespace zellinux {

namespace {

constexpr const char* kLinePrefix = "ZelProject: no display to show the window on: ";

// Starts the launcher with the environment given, waits for its end and checks it
// ended with 1 after one line on standard error that holds `missing`.
void CheckRefusedStart(TContext& context, const QString& what, const QStringList& environment, const QString& missing) {
  TReport& report = context.report;
  const QString log = context.InWork(what + ".log");
  QFile::remove(log);
  std::optional<int> code;
  {
    TProgram program(TStart{context.launcher, environment, log});
    code = program.WaitForExit(kWindowTimeoutMs);
  }
  report.Check(code == 1, "no-display." + what + ".exit-code-1",
               code ? QString("exit code %1 (-1: a crash)").arg(*code) : QString("still running"));
  QFile file(log);
  file.open(QIODevice::ReadOnly);
  const QString output = QString::fromUtf8(file.readAll());
  const QStringList lines = output.split('\n', Qt::SkipEmptyParts);
  report.Check(lines.size() == 1 && lines.front().startsWith(kLinePrefix) && lines.front().contains(missing),
               "no-display." + what + ".one-line", "output: " + output.trimmed());
}

bool IsQtProgram(const QString& exe) {
  QFile file(exe);
  return file.open(QIODevice::ReadOnly) && file.readAll().contains("libQt");
}

}  // namespace

void ScenarioNoDisplay(TContext& context) {
  CheckRefusedStart(context, "unset", {"DISPLAY="}, "DISPLAY is not set");
  // A display no server listens on.
  int free = 4000;
  while (QFileInfo::exists(QString("/tmp/.X11-unix/X%1").arg(free))) ++free;
  const QString display = QString(":%1").arg(free);
  CheckRefusedStart(context, "refused", {"DISPLAY=" + display}, "\"" + display + "\" cannot be opened");
  if (!IsQtProgram(context.launcher)) return;
  // Qt's Wayland plugin is not installed here: named, with the way back to X.
  CheckRefusedStart(context, "wayland-plugin", {"QT_QPA_PLATFORM=wayland"}, "\"wayland\" is not installed");
  TLauncher l = StartLauncher(LauncherStart(context, context.launcher, {"QT_QPA_PLATFORM=wayland;xcb"}));
  CloseAndCheck(context.report, "no-display.wayland-then-x-falls-back", l);
}

}  // namespace zellinux
