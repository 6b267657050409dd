// The commands with real input, seen by the stand-ins: the fake file manager on the
// private session bus (URIs of ShowFolders calls) and the recording xdg-open first
// on PATH (its arguments). Also the wait cursor during a slow file manager, and a
// command whose error box makes the window modal for a while.
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <QWidget>
#include <climits>
#include <csignal>
#include <cstdlib>

#include "Scenarios.h"

namespace zellinux {

namespace {

// Once the expected calls have arrived, a call that should not have been made has
// this long to land as well.
constexpr int kSettleMs = 700;

// What each stand-in recorded since the last check, against what was expected.
class TCalls {
 public:
  TCalls(TReport& report, const QString& fileManager, const QString& xdgOpen)
      : report_(report), records_{TRecordFile(fileManager), TRecordFile(xdgOpen)} {
    for (const TRecordFile& record : records_) record.Clear();
  }
  const QString& XdgOpenRecord() const { return records_[1].Path(); }
  void ExpectFolder(const QString& uri) { expected_[0] << uri; }
  void ExpectOpen(const QString& argument) { expected_[1] << argument; }

  void Check(const QString& what) {
    for (int i = 0; i < 2; ++i) records_[i].WaitForLines(seen_[i] + static_cast<int>(expected_[i].size()));
    Pause(kSettleMs);
    bool same = true;
    QStringList detail;
    for (int i = 0; i < 2; ++i) {
      const QStringList fresh = records_[i].Lines().mid(seen_[i]);
      QString line = QString(i == 0 ? "file manager" : "xdg-open") + QString(" %1 call(s)").arg(fresh.size());
      for (const QString& call : fresh) line += " | " + call;
      if (fresh != expected_[i]) {
        same = false;
        line += " (expected " + QString::number(expected_[i].size()) + (expected_[i].isEmpty() ? "" : " | ") +
                expected_[i].join(" | ") + ")";
      }
      detail << line;
      seen_[i] += static_cast<int>(fresh.size());
      expected_[i].clear();
    }
    report_.Check(same, what, detail.join("; "));
  }

 private:
  TReport& report_;
  TRecordFile records_[2];
  int seen_[2] = {0, 0};
  QStringList expected_[2];
};

// A copy of the launcher in a folder of the scenario's whose path holds a space,
// Cyrillic letters and a comma.
QString CopyLauncher(const TContext& context, const QString& exe) {
  const QString folder = context.InWork(QStringLiteral("Формы, 2026 тест"));
  QDir().mkpath(folder);
  const QString copy = folder + "/ZelProject";
  QFile::remove(copy);
  if (!QFile::copy(exe, copy)) throw TAbort("cannot copy the launcher to " + copy.toStdString());
  return copy;
}

QString Uri(const QString& path) { return QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded()); }

QPoint Centre(const QRect& r) { return r.topLeft() + QPoint(r.width() / 2, r.height() / 2); }

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A copy in a folder whose name is not UTF-8 ("bad", bytes FF FE, "name"), as an
// archive made elsewhere unpacks: the file manager gets the folder's bytes
// percent-encoded, xdg-open gets them as they are.
void CheckFolderNotUtf8(TContext& context) {
  TReport& report = context.report;
  const QByteArray made = QFile::encodeName(context.work) + "/bad\xff\xfename";
  ::mkdir(made.constData(), 0755);
  QFile::remove(context.InWork("not-utf8-copy"));
  if (!QFile::copy(context.launcher, context.InWork("not-utf8-copy")) ||
      ::rename(QFile::encodeName(context.InWork("not-utf8-copy")).constData(), (made + "/ZelProject").constData()) != 0) {
    throw TAbort("cannot copy the launcher into a folder whose name is not UTF-8");
  }
  char real[PATH_MAX];
  if (::realpath(made.constData(), real) == nullptr) throw TAbort("the folder that is not UTF-8 is gone");
  const QByteArray folder(real);
  // Started through a link whose name is UTF-8; the launcher finds its real path itself.
  const QString link = context.InWork("not-utf8-link");
  QFile::remove(link);
  if (::symlink((folder + "/ZelProject").constData(), QFile::encodeName(link).constData()) != 0) {
    throw TAbort("cannot link to the copy in the folder that is not UTF-8");
  }
  const TRecordFile fileManager(context.InWork("file-manager-not-utf8.txt")), xdgOpen(context.InWork("xdg-open-not-utf8.txt"));
  fileManager.Clear();
  xdgOpen.Clear();
  ConfigureFileManager(fileManager.Path(), 0, true);
  TLauncher l = StartLauncher(LauncherStart(context, link, {"ZEL_URL_RECORD=" + xdgOpen.Path()}));
  Click(l.OnScreen(Centre(launcher::kFormList)));
  fileManager.WaitForLines(1);
  const QByteArray forms = folder + "/" + launcher::kFormsFolder.toUtf8();
  const QByteArray expectedUri = "file://" + forms.toPercentEncoding("/!$&'()*+,;=:@") + "\n";
  report.CheckEqual(QString::fromLatin1(expectedUri), QString::fromLatin1(ReadBytes(fileManager.Path())),
                    "commands.not-utf8.file-manager-gets-bytes-percent-encoded");
  ConfigureFileManager(fileManager.Path(), 0, false);
  Click(l.OnScreen(Centre(launcher::kSamples)));
  xdgOpen.WaitForLines(1);
  const QByteArray samples = folder + "/" + launcher::kSamplesFolder.toUtf8() + "\n";
  report.Check(ReadBytes(xdgOpen.Path()) == samples, "commands.not-utf8.xdg-open-gets-bytes-as-they-are",
               "got " + QString::fromLatin1(ReadBytes(xdgOpen.Path()).toHex(' ')) + ", expected " +
                   QString::fromLatin1(samples.toHex(' ')));
  CloseAndCheck(report, "commands.not-utf8.exit-code", l);
}

}  // namespace

void ScenarioCommands(TContext& context) {
  TReport& report = context.report;
  const QString exe = CopyLauncher(context, context.launcher);
  // As the launcher finds it: the real path of its executable.
  const QString folder = QFileInfo(exe).canonicalPath() + "/";
  const QString forms = folder + launcher::kFormsFolder, samples = folder + launcher::kSamplesFolder;
  TCalls calls(report, context.InWork("file-manager.txt"), context.InWork("xdg-open.txt"));
  ConfigureFileManager(context.InWork("file-manager.txt"), 0, true);
  TLauncher l = StartLauncher(LauncherStart(context, exe, {"ZEL_URL_RECORD=" + calls.XdgOpenRecord()}));
  auto at = [&](const QRect& box, int dx, int dy) { return l.OnScreen(box.topLeft() + QPoint(dx, dy)); };

  Click(l.OnScreen(Centre(launcher::kFormList)));
  calls.ExpectFolder(Uri(forms));
  calls.Check("commands.forms-shows-documents-folder");
  Click(l.OnScreen(Centre(launcher::kSamples)));
  calls.ExpectFolder(Uri(samples));
  calls.Check("commands.samples-shows-samples-folder");
  Click(at(launcher::kBuyFull, 100, 75));
  calls.ExpectOpen(launcher::kPurchaseAddress);
  calls.Check("commands.buy-opens-purchase-page");

  // The picture's box (corners of the picture and of the box) takes clicks from the
  // button under it; the click right of it that follows does reach the button, and
  // marks when a stray call would have arrived.
  Click(l.OnScreen(Centre(launcher::kPicture)));
  Click(at(launcher::kPicture, 0, 0));
  Click(at(launcher::kPicture, 127, 127));
  Click(at(launcher::kImage1, 0, 0));
  Click(at(launcher::kImage1, launcher::kImage1.width() - 1, launcher::kImage1.height() - 1));
  Click(at(launcher::kBuyFull, launcher::kBuyFull.width() - 40, 20));
  calls.ExpectOpen(launcher::kPurchaseAddress);
  calls.Check("commands.purchase-picture-click-runs-nothing");

  // Pressed beside the picture and released on it: the release lies in the button's
  // box, so the purchase runs. Pressed on the picture and released beside it: nothing.
  MovePointer(at(launcher::kBuyFull, 100, 75));
  Button(1, true);
  MovePointer(l.OnScreen(Centre(launcher::kPicture)));
  Button(1, false);
  MovePointer(l.OnScreen(Centre(launcher::kPicture)) + QPoint(10, 10));
  Button(1, true);
  MovePointer(at(launcher::kBuyFull, 120, 30));
  Button(1, false);
  calls.ExpectOpen(launcher::kPurchaseAddress);
  calls.Check("commands.drag-onto-picture-runs-purchase-drag-off-picture-nothing");

  // Pressed on one button, released on the other.
  MovePointer(l.OnScreen(Centre(launcher::kFormList)));
  Button(1, true);
  MovePointer(at(launcher::kFormList, 460, 50));
  MovePointer(l.OnScreen(Centre(launcher::kSamples)));
  Button(1, false);
  Click(at(launcher::kSamples, 30, 30));
  calls.ExpectFolder(Uri(samples));
  calls.Check("commands.press-on-one-release-on-other-runs-nothing");

  // A double-click completes two clicks.
  MovePointer(at(launcher::kFormList, 40, 40));
  for (int i = 0; i < 2; ++i) {
    Button(1, true);
    Button(1, false);
  }
  calls.ExpectFolder(Uri(forms));
  calls.ExpectFolder(Uri(forms));
  calls.Check("commands.double-click-runs-twice");

  // The right button during a held left press runs the command at once; the left
  // release then runs nothing more.
  MovePointer(at(launcher::kSamples, 200, 60));
  Button(1, true);
  Button(3, true);
  Button(3, false);
  calls.ExpectFolder(Uri(samples));
  calls.Check("commands.right-click-during-left-press-runs-at-once");
  Button(1, false);
  Click(at(launcher::kFormList, 300, 20));
  calls.ExpectFolder(Uri(forms));
  calls.Check("commands.left-release-after-right-click-runs-nothing-more");

  // No key runs a command or closes the window, though it has the keyboard.
  Focus(l.main);
  const bool focused = FocusedWindow() == l.main;
  for (const char* key : {"Return", "space", "Escape"}) PressKey(key);
  calls.Check("commands.return-space-escape-run-nothing");
  report.Check(focused && ViewableWindowsOf(l.program->Pid()) == std::vector<TWindowId>{l.main},
               "commands.keys-leave-window-open", focused ? "keys sent to the launcher's window" : "it did not take the focus");

  // No file manager on the bus: xdg-open gets the plain folder path.
  ConfigureFileManager(context.InWork("file-manager.txt"), 0, false);
  Click(l.OnScreen(Centre(launcher::kFormList)));
  calls.ExpectOpen(forms);
  calls.Check("commands.no-file-manager.forms-xdg-open-plain-path");
  Click(l.OnScreen(Centre(launcher::kSamples)));
  calls.ExpectOpen(samples);
  calls.Check("commands.no-file-manager.samples-xdg-open-plain-path");

  CloseAndCheck(report, "commands.exit-code", l);
  CheckFolderNotUtf8(context);
}

void ScenarioWaitCursor(TContext& context) {
  TReport& report = context.report;
  // The two cursors as this Qt shows them, on a small window of the driver's own in
  // the screen's corner, clear of the launcher.
  QWidget probe;
  probe.setGeometry(0, 0, 60, 60);
  probe.setCursor(Qt::WaitCursor);
  probe.show();
  if (!WaitUntil([] { return !ViewableWindowsOf(QCoreApplication::applicationPid()).empty(); }, kWindowTimeoutMs)) {
    throw TAbort("the driver's own probe window did not come up");
  }
  MovePointer({30, 30});
  Pause(200);
  const TCursorShot wait = CurrentCursor();
  probe.setCursor(Qt::ArrowCursor);
  Pause(200);
  const TCursorShot arrow = CurrentCursor();
  probe.hide();
  if (wait == arrow || wait.image.isNull()) throw TAbort("the wait and arrow cursors cannot be told apart");
  report.Note("wait-cursor.cursors", "wait \"" + wait.name + "\", arrow \"" + arrow.name + "\"");

  const TRecordFile calls(context.InWork("file-manager.txt")), answered(calls.Path() + ".answered");
  calls.Clear();
  answered.Clear();
  ConfigureFileManager(calls.Path(), 1500, true);
  TLauncher l = StartLauncher(LauncherStart(context, context.launcher));
  MovePointer(l.OnScreen(launcher::kFormList.topLeft() + QPoint(100, 50)));
  report.Check(WaitUntil([&] { return CurrentCursor() == arrow; }, 1000), "wait-cursor.arrow-before-call",
               "cursor \"" + CurrentCursor().name + "\" over the button");
  Button(1, true);
  Button(1, false);
  const QPoint still = PointerPosition();

  const bool called = calls.WaitForLines(1, kReactionTimeoutMs);
  const bool waitShown = WaitUntil([&] { return CurrentCursor() == wait; }, 1000);
  const bool duringCall = answered.Lines().isEmpty();
  report.Check(called && waitShown && duringCall, "wait-cursor.wait-during-call",
               QString(called ? "" : "no call reached the file manager; ") +
                   (waitShown ? "wait cursor shown" : "cursor \"" + CurrentCursor().name + "\", not the wait cursor") +
                   (duringCall ? ", before the answer" : ", but only after the answer"));
  answered.WaitForLines(1, kWindowTimeoutMs);
  const bool arrowBack = WaitUntil([&] { return CurrentCursor() == arrow; }, 2000);
  report.Check(arrowBack && PointerPosition() == still, "wait-cursor.arrow-right-after-call",
               (arrowBack ? QString("arrow again") : "cursor \"" + CurrentCursor().name + "\", not the arrow") +
                   ", pointer at " + Describe(PointerPosition()) + ", was " + Describe(still));
  CloseAndCheck(report, "wait-cursor.exit-code", l);
}

namespace {

// The launcher's window other than its main one, once one comes up; 0 if none does.
TWindowId WaitForBox(const TLauncher& l) {
  TWindowId box = 0;
  WaitUntil([&] {
    for (const TWindowId w : ViewableWindowsOf(l.program->Pid())) {
      if (w != l.main) box = w;
    }
    return box != 0;
  }, kWindowTimeoutMs);
  return box;
}

}  // namespace

void ScenarioFailingCommand(TContext& context) {
  TReport& report = context.report;
  if (context.failingLauncher.isEmpty()) throw TAbort("no --failing build given");
  TCalls calls(report, context.InWork("file-manager.txt"), context.InWork("xdg-open.txt"));
  ConfigureFileManager(context.InWork("file-manager.txt"), 0, true);
  TLauncher l = StartLauncher(LauncherStart(context, context.failingLauncher, {"ZEL_URL_RECORD=" + calls.XdgOpenRecord()}));
  const QPoint onBuy = l.OnScreen(launcher::kBuyFull.topLeft() + QPoint(100, 75));

  Click(l.OnScreen(Centre(launcher::kFormList)));
  const TWindowId box = WaitForBox(l);
  if (box == 0) throw TAbort("no error box came up after the forms click");
  report.CheckEqual(QStringLiteral("Zelproject"), WindowTitle(box), "failing-command.box-title");
  const std::optional<TWindowId> owner = TransientFor(box);
  report.Check(owner == l.main, "failing-command.box-owned-by-main-window",
               owner ? QString("WM_TRANSIENT_FOR 0x%1").arg(*owner, 0, 16) : QString("no WM_TRANSIENT_FOR"));

  // The window takes no clicks while the box is open: the purchase click gives nothing.
  const QRect boxRect = WindowRect(box);
  if (boxRect.contains(onBuy)) throw TAbort("the box " + Describe(boxRect).toStdString() + " covers the purchase button");
  Click(onBuy);
  calls.Check("failing-command.window-takes-no-clicks-while-box-open");

  PressKey("Return");
  const bool closed = WaitUntil([&] { return ViewableWindowsOf(l.program->Pid()) == std::vector<TWindowId>{l.main}; },
                                kReactionTimeoutMs);
  report.Check(closed, "failing-command.return-closes-box");
  Click(onBuy);
  calls.ExpectOpen(launcher::kPurchaseAddress);
  calls.Check("failing-command.purchase-works-after-box");
  CloseAndCheck(report, "failing-command.exit-code", l);

  // The session ending while a box is open ends the launcher at once, with 0.
  TLauncher ending = StartLauncher(LauncherStart(context, context.failingLauncher));
  Click(ending.OnScreen(Centre(launcher::kFormList)));
  if (WaitForBox(ending) == 0) throw TAbort("no error box came up after the second forms click");
  ::kill(static_cast<pid_t>(ending.program->Pid()), SIGTERM);
  const std::optional<int> code = ending.program->WaitForExit(kReactionTimeoutMs);
  report.Check(code == 0, "failing-command.session-end-with-box-open-exit-code-0",
               code ? QString("exit code %1").arg(*code) : QString("still running"));
}

}  // namespace zellinux
