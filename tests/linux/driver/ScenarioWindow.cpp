// The main window as the X server sees it: title, class, size and size hints,
// placement, icon, the process id, its first frames; closing it as a window manager
// does, and the session's end. The same under a real window manager, with a panel, on
// one head or two. And the same window on a display of 120 dpi.
#include <QGuiApplication>
#include <QMargins>
#include <QRegularExpression>
#include <QScreen>

#include <csignal>
#include <set>

#include "Scenarios.h"

namespace zellinux {

namespace {

// The icon images the launcher gives its window, by width: the set's 32 x 32
// image at 32 bits, the one the Windows edition takes as its window's icon.
const std::set<unsigned long> kIconSizes{32};

// _NET_WM_ICON: width, height, then width * height ARGB values, image after image.
void CheckIcon(TReport& report, TWindowId window) {
  const std::vector<unsigned long> icon = Property32(window, "_NET_WM_ICON");
  std::set<unsigned long> sizes;
  QStringList seen;
  bool wellFormed = !icon.empty();
  bool opaque = true;
  for (std::size_t at = 0; wellFormed && at < icon.size();) {
    const unsigned long width = icon[at], height = at + 1 < icon.size() ? icon[at + 1] : 0;
    const std::size_t count = static_cast<std::size_t>(width * height);
    wellFormed = width == height && width > 0 && at + 2 + count <= icon.size();
    if (!wellFormed) break;
    bool any = false;
    for (std::size_t i = at + 2; i < at + 2 + count; ++i) any = any || ((icon[i] >> 24) & 0xff) == 0xff;  // Xlib sign-extends format-32 items
    opaque = opaque && any;
    sizes.insert(width);
    seen << QString("%1x%2").arg(width).arg(height);
    at += 2 + count;
  }
  report.Check(wellFormed && sizes == kIconSizes && static_cast<std::size_t>(seen.size()) == kIconSizes.size(),
               "window.icon-sizes", seen.isEmpty() ? "no _NET_WM_ICON" : seen.join(' '));
  report.Check(wellFormed && opaque, "window.icon-images-drawn", "each image has opaque pixels");
}

// Geometry, fixed size and placement of a window whose client area should be
// `client`: the outer window, the client inside the frame, centred in the work area.
void CheckGeometry(TReport& report, const QString& prefix, const TLauncher& launcher, QSize client,
                   const QRect& workArea, const QMargins& frame = {}) {
  const QRect rect = WindowRect(launcher.main);
  report.Check(rect.size() == client, prefix + ".client-size",
               QString("%1x%2, expected %3x%4").arg(rect.width()).arg(rect.height()).arg(client.width()).arg(client.height()));
  const TSizeHints hints = SizeHints(launcher.main);
  report.Check(hints.hasMin && hints.hasMax && hints.min == client && hints.max == client, prefix + ".fixed-size",
               QString("WM_NORMAL_HINTS min %1x%2%3, max %4x%5%6")
                   .arg(hints.min.width()).arg(hints.min.height()).arg(hints.hasMin ? "" : " (unset)")
                   .arg(hints.max.width()).arg(hints.max.height()).arg(hints.hasMax ? "" : " (unset)"));
  const QRect outer = rect.marginsAdded(frame);
  const QPoint expected = CentredTopLeft(outer.size(), workArea);
  report.Check(outer.topLeft() == expected, prefix + ".centred-in-work-area",
               "outer window at " + Describe(outer.topLeft()) + ", expected " + Describe(expected) + " in " +
                   Describe(workArea));
}

// The first head (of one or two side by side) and the panel along its top.
constexpr QRect kFirstHead{0, 0, 1280, 1024};
constexpr int kPanelRows = 32;

// Under the window manager run-scenario.sh started, a panel taking rows off the
// first head: the frame centred in what the panel leaves there from the first
// showing on and still there half a second later; the title bar's boxes.
void WindowUnderManager(TContext& context) {
  TReport& report = context.report;
  const TPanel panel(QRect(kFirstHead.topLeft(), QSize(kFirstHead.width(), kPanelRows)));
  const bool reserved = WaitUntil([] {
    const std::optional<QRect> area = AnnouncedWorkArea();
    return area && area->top() == kPanelRows;
  }, kReactionTimeoutMs);
  const std::optional<QRect> announced = AnnouncedWorkArea();
  report.Check(reserved, "wm.panel-reserves-rows",
               "_NET_WORKAREA " + (announced ? Describe(*announced) : QString("absent")) + " on a screen of " +
                   QString("%1x%2").arg(ScreenSize().width()).arg(ScreenSize().height()));
  const QRect workArea = kFirstHead.adjusted(0, kPanelRows, 0, 0);

  TLauncher launcher = StartLauncher(LauncherStart(context, context.launcher));
  const std::vector<unsigned long> sides = Property32(launcher.main, "_NET_FRAME_EXTENTS");
  report.Check(sides.size() == 4, "wm.frame-extents",
               sides.size() == 4 ? QString("%1,%2,%3,%4").arg(sides[0]).arg(sides[1]).arg(sides[2]).arg(sides[3])
                                 : QString("no _NET_FRAME_EXTENTS"));
  if (sides.size() != 4) throw TAbort("the window manager did not frame the window");
  const QMargins frame(static_cast<int>(sides[0]), static_cast<int>(sides[2]), static_cast<int>(sides[1]),
                       static_cast<int>(sides[3]));
  CheckGeometry(report, "wm", launcher, launcher::kClient, workArea, frame);
  Pause(500);
  const QRect later = WindowRect(launcher.main);
  report.Check(later == launcher.client, "wm.not-moved-after-mapping",
               "first seen at " + Describe(launcher.client) + ", half a second later " + Describe(later));

  // Moved and closed only: no minimize or maximize box, as on Windows. The GTK
  // edition names exactly that; Qt adds resizing, which the fixed size hints forbid.
  const std::vector<unsigned long> motif = Property32(launcher.main, "_MOTIF_WM_HINTS");
  QStringList values;
  for (const unsigned long value : motif) values << "0x" + QString::number(value, 16);
  const bool named = motif.size() >= 3 && (motif[0] & 3) == 3;
  constexpr unsigned long kAll = 0x01, kMinimizeMaximize = 0x18, kBoxes = 0x60;
  const bool gtk = !context.gtkLooks.isEmpty();
  const bool boxes = named && (gtk ? motif[1] == 0x24 && motif[2] == 0x1a
                                   : (motif[1] & (kAll | kMinimizeMaximize)) == 0 && (motif[2] & (kAll | kBoxes)) == 0);
  report.Check(boxes, "wm.motif-move-close-title-menu", "_MOTIF_WM_HINTS " + values.join(' '));
  const QStringList actions = AtomNames(launcher.main, "_NET_WM_ALLOWED_ACTIONS");
  const QStringList offered = actions.filter(QRegularExpression("_NET_WM_ACTION_(MINIMIZE|MAXIMIZE_HORZ|MAXIMIZE_VERT)$"));
  report.Check(actions.contains("_NET_WM_ACTION_CLOSE"), "wm.close-offered", actions.join(' '));
  // openbox takes no Motif functions, only decorations.
  if (context.wm == "openbox") {
    report.Note("wm.minimize-maximize-offered", offered.isEmpty() ? QString("none") : offered.join(' '));
  } else {
    report.Check(offered.isEmpty(), "wm.no-minimize-maximize", offered.isEmpty() ? QString("none offered") : offered.join(' '));
  }
  CloseAndCheck(report, "wm.close-exit-code-0", launcher);
}

// A frame shows a button either not yet painted (one colour) or exactly as it ends up.
bool ButtonFinalOrBlank(const QImage& frame, const QImage& last, const QRect& box) {
  const QImage part = frame.copy(box);
  if (part == last.copy(box)) return true;
  const QRgb first = part.pixel(0, 0);
  for (int y = 0; y < part.height(); ++y) {
    for (int x = 0; x < part.width(); ++x) {
      if (part.pixel(x, y) != first) return false;
    }
  }
  return true;
}

}  // namespace

TStart LauncherStart(const TContext& context, const QString& exe, const QStringList& environment) {
  return TStart{exe, environment, context.InWork("launcher.log")};
}

void ScenarioWindow(TContext& context) {
  if (!context.wm.isEmpty()) {
    WindowUnderManager(context);
    return;
  }
  TReport& report = context.report;
  // A panel along the top of the screen: the window is centred in what it leaves.
  const QRect workArea(QPoint(0, 64), ScreenSize() - QSize(0, 64));
  const TWorkArea panel(workArea);
  TTitleWatch watch;
  std::vector<QImage> frames;
  TLauncher launcher = StartLauncher(LauncherStart(context, context.launcher), &watch, &frames);

  report.CheckEqual(launcher::kTitle, WindowTitle(launcher.main), "window.title");
  const QStringList titles = watch.TitlesShown(launcher.main);
  report.Check(titles == QStringList{launcher::kTitle}, "window.title-final-when-shown",
               "titles from the map on: " + (titles.isEmpty() ? QString("(map not seen)") : titles.join(" | ")));
  report.CheckEqual(QStringList({launcher::kClass, launcher::kClass}).join(' '), WindowClass(launcher.main).join(' '),
                    "window.wm-class");
  CheckGeometry(report, "window", launcher, launcher::kClient, workArea);
  const std::vector<unsigned long> pid = Property32(launcher.main, "_NET_WM_PID");
  report.Check(pid.size() == 1 && static_cast<qint64>(pid[0]) == launcher.program->Pid(), "window.net-wm-pid",
               pid.empty() ? "absent" : QString::number(pid[0]));
  CheckIcon(report, launcher.main);

  // Captions are final before the window is first shown: no frame shows a button
  // with another caption.
  int wrong = 0;
  for (const QImage& frame : frames) {
    for (const QRect& box : {launcher::kFormList, launcher::kSamples, launcher::kBuyFull}) {
      if (!ButtonFinalOrBlank(frame, frames.back(), box)) ++wrong;
    }
  }
  report.Check(wrong == 0, "window.captions-final-when-shown",
               QString("%1 frame(s) grabbed from the first showing, %2 button picture(s) neither blank nor final")
                   .arg(frames.size()).arg(wrong));
  if (wrong != 0) {
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i].save(context.InWork(QString("frame-%1.png").arg(i)));
  }

  CloseAndCheck(report, "close.wm-delete-window-exit-code-0", launcher);

  // The end of the session (the SIGTERM that ends a login's processes) ends it as
  // a closed window does.
  TLauncher ending = StartLauncher(LauncherStart(context, context.launcher));
  ::kill(static_cast<pid_t>(ending.program->Pid()), SIGTERM);
  const std::optional<int> code = ending.program->WaitForExit(kReactionTimeoutMs);
  report.Check(code == 0, "close.session-end-sigterm-exit-code-0",
               code ? QString("exit code %1").arg(*code) : QString("still running"));
}

void ScenarioDpi120(TContext& context) {
  TReport& report = context.report;
  // run-scenario.sh set Xft.dpi 120 before the driver started: it draws as the launcher does.
  if (qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()) != 120) throw TAbort("the display is not at 120 dpi");
  TLauncher launcher = StartLauncher(LauncherStart(context, context.launcher));
  CheckGeometry(report, "dpi120", launcher, {1255, 587}, QRect(QPoint(), ScreenSize()));
  CheckBanner(report, "dpi120.banner-unscaled-top-left", launcher);
  CheckButtonLooks(context, launcher, "dpi120", 120);
  CloseAndCheck(report, "dpi120.exit-code", launcher);
}

}  // namespace zellinux
