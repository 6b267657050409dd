// The release archive's program where a user starts it: on a desktop that has GTK 3's
// runtime and nothing more (a Debian root of another release, entered by a wrapper
// given as the launcher). Its window, its banner, each button reaching xdg-open with
// the folder beside the program or the purchase page, and closing.
#include <QFileInfo>

#include "Scenarios.h"

namespace zellinux {

namespace {

QPoint Middle(const QRect& r) { return r.topLeft() + QPoint(r.width() / 2, r.height() / 2); }

}  // namespace

void ScenarioArchive(TContext& context) {
  TReport& report = context.report;
  // The folder the program sees itself in: inside the root, not the wrapper's own.
  const QString folder = qEnvironmentVariable("ZEL_E2E_APP_FOLDER", QFileInfo(context.launcher).absolutePath());
  const TRecordFile xdgOpen(context.InWork("xdg-open.txt"));
  xdgOpen.Clear();
  TLauncher l = StartLauncher(LauncherStart(context, context.launcher, {"ZEL_URL_RECORD=" + xdgOpen.Path()}));

  report.Check(l.client.size() == launcher::kClient, "archive.client-size",
               QString("%1x%2").arg(l.client.width()).arg(l.client.height()));
  CheckBanner(report, "archive.banner", l);

  // No session bus in the root: both folders go to xdg-open as plain paths.
  const struct {
    QPoint at;
    QString expected;
    const char* what;
  } clicks[] = {
      {Middle(launcher::kFormList), folder + "/" + launcher::kFormsFolder, "archive.forms-opens-documents-folder"},
      {Middle(launcher::kSamples), folder + "/" + launcher::kSamplesFolder, "archive.samples-opens-samples-folder"},
      {launcher::kBuyFull.topLeft() + QPoint(100, 75), launcher::kPurchaseAddress, "archive.buy-opens-purchase-page"},
  };
  int seen = 0;
  for (const auto& click : clicks) {
    Click(l.OnScreen(click.at));
    xdgOpen.WaitForLines(seen + 1, kReactionTimeoutMs * 2);
    const QStringList fresh = xdgOpen.Lines().mid(seen);
    report.Check(fresh == QStringList{click.expected}, click.what,
                 QString("xdg-open got [%1], expected [%2]").arg(fresh.join(" | "), click.expected));
    seen += static_cast<int>(fresh.size());
  }
  CloseAndCheck(report, "archive.close-exit-code-0", l);
}

}  // namespace zellinux
