// The Linux end-to-end driver's helper layer: check lines, the X display (windows,
// properties, real pointer and key input through XTEST, pixels, the cursor shown),
// the launcher's process, the stand-ins' record files and the fake file manager.
// No X header here: they define names (None, Bool, Status) that clash with Qt's.
#pragma once

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zellinux {

// ---- Check lines ----------------------------------------------------------------

// Something the scenario cannot go on without (the window never came up, ...).
class TAbort : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void PrintLine(const QString& line);

// One line per check: "PASS what: detail" or "FAIL what: detail".
class TReport {
 public:
  bool Check(bool ok, const QString& what, const QString& detail = {});
  bool CheckEqual(const QString& expected, const QString& actual, const QString& what);
  void Note(const QString& what, const QString& detail);
  int Failures() const noexcept { return failures_; }

 private:
  int failures_ = 0;
};

struct TContext {
  TReport report;
  QString launcher;  // the launcher under test
  QString work;      // the scenario's own folder
  QString failingLauncher;  // the test build whose folder commands fail
  QString bareWindow;       // a plain Qt program of ours, no guarded plugin paths
  QString plantedDir;       // platforms/ and styles/ with the planted plugins
  QString gtkLooks;         // the GTK edition's button looks, drawn by GTK (zel-gtk-button-looks)
  QString wm;               // the window manager run-scenario.sh started; empty on bare X
  QString InWork(const QString& name) const { return work + "/" + name; }
};

QString Describe(const QRect& r);
QString Describe(QPoint p);
// Polls fn every few milliseconds, Qt's events flowing, until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& fn, int timeoutMs);
void Pause(int ms);

inline constexpr int kWindowTimeoutMs = 20000;
inline constexpr int kReactionTimeoutMs = 5000;

// ---- The display ------------------------------------------------------------------

using TWindowId = unsigned long;

QSize ScreenSize();
// Top-level windows of a process that are mapped and viewable: children of the root,
// or under a window manager the clients inside its frames.
std::vector<TWindowId> ViewableWindowsOf(qint64 pid);
QString WindowTitle(TWindowId window);  // _NET_WM_NAME, else WM_NAME
QStringList WindowClass(TWindowId window);  // instance, class
std::optional<TWindowId> TransientFor(TWindowId window);
// A property of format 32 as numbers (CARDINAL, WINDOW, ...); empty when absent.
std::vector<unsigned long> Property32(TWindowId window, const char* name);
// A property of atoms by their names (_NET_WM_ALLOWED_ACTIONS, ...).
QStringList AtomNames(TWindowId window, const char* name);
// The first desktop's work area as the desktop announces it (_NET_WORKAREA).
std::optional<QRect> AnnouncedWorkArea();
// The geometry relative to the screen; with no window manager it is the client area.
QRect WindowRect(TWindowId window);
struct TSizeHints {
  bool hasMin = false, hasMax = false;
  QSize min, max;
};
TSizeHints SizeHints(TWindowId window);
TWindowId FocusedWindow();
void Focus(TWindowId window);  // as a window manager gives a window the keyboard
// As a window manager asks a window to close.
void SendDeleteWindow(TWindowId window);

// Real input through XTEST, at screen coordinates.
void MovePointer(QPoint screen);
QPoint PointerPosition();
void Button(int button, bool down);  // 1 left, 2 middle, 3 right
void Click(QPoint screen, int button = 1);
void PressKey(const char* keysymName);  // "Return"

// The screen's pixels in a rectangle, 0xffRRGGBB.
QImage Grab(const QRect& screen);
// Grabs every few milliseconds until ready(shot) holds and the area has stayed the
// same for stableMs; the last grab, also when the time ran out.
QImage GrabSettled(const QRect& screen, const std::function<bool(const QImage&)>& ready, int stableMs,
                   int timeoutMs = kReactionTimeoutMs);

// The cursor the server shows now (XFixes): its name (empty for unnamed) and image.
struct TCursorShot {
  QString name;
  QImage image;
  bool operator==(const TCursorShot& other) const { return image == other.image; }
};
TCursorShot CurrentCursor();

// A panel's room taken off the screen, as a desktop announces it (_NET_WORKAREA on
// the root window) to programs started next; gone again when the owner goes.
class TWorkArea {
 public:
  explicit TWorkArea(const QRect& area);
  TWorkArea(const TWorkArea&) = delete;
  TWorkArea& operator=(const TWorkArea&) = delete;
  ~TWorkArea();
};

// A panel as desktops make one: a dock window along the top of the screen whose
// strut reserves its rows over its own width, for a window manager to take off the
// work area. Gone again when the owner goes.
class TPanel {
 public:
  explicit TPanel(const QRect& strip);
  TPanel(const TPanel&) = delete;
  TPanel& operator=(const TPanel&) = delete;
  ~TPanel();

 private:
  TWindowId window_ = 0;
};

// ---- The launcher -------------------------------------------------------------------

struct TStart {
  QString exe;              // started from its own folder
  QStringList environment;  // NAME=value added to the driver's own
  QString log;              // standard output and error go here
};

// A started program. A process still running when the owner goes is killed, so a
// failed check never leaves one behind for the next scenario.
class TProgram {
 public:
  explicit TProgram(const TStart& start);
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;
  ~TProgram();
  qint64 Pid() const { return process_.processId(); }
  bool Running() const { return process_.state() != QProcess::NotRunning; }
  // The exit code of a normal exit, -1 for a crash; none if still running when the time is up.
  std::optional<int> WaitForExit(int timeoutMs);

 private:
  QProcess process_;
};

// The launcher started and its main window shown.
struct TLauncher {
  std::unique_ptr<TProgram> program;
  TWindowId main = 0;
  QRect client;  // on the screen
  QPoint OnScreen(QPoint at) const { return client.topLeft() + at; }
};
// Every title a top-level window had from the moment it was mapped: the one it was
// mapped with, then each change. Watches windows created after it is made.
class TTitleWatch {
 public:
  TTitleWatch();
  TTitleWatch(const TTitleWatch&) = delete;
  TTitleWatch& operator=(const TTitleWatch&) = delete;
  ~TTitleWatch();
  void Poll();
  QStringList TitlesShown(TWindowId window) const;

 private:
  std::vector<std::pair<TWindowId, QStringList>> shown_;
  std::vector<TWindowId> watched_;
};

// Throws TAbort when no window comes up. With a watch, it is polled closely while the
// window comes up; with frames, the client area as grabbed from its first showing
// until it settled, each different picture once.
TLauncher StartLauncher(const TStart& start, TTitleWatch* watch = nullptr, std::vector<QImage>* frames = nullptr);
// WM_DELETE_WINDOW, then the exit code checked to be 0.
void CloseAndCheck(TReport& report, const QString& what, TLauncher& launcher);

// What the driver knows of the launcher: texts and the components' boxes at 96 dpi.
namespace launcher {
inline const QString kTitle = QStringLiteral("ВЕЛТ (Demo)");
inline const QString kClass = QStringLiteral("ZelProject");
inline const QString kFormsFolder = QStringLiteral("Документы");
inline const QString kSamplesFolder = QStringLiteral("Примеры");
inline const QString kPurchaseAddress = QStringLiteral("http://" ZEL_VENDOR_HOST "/buy/");
inline constexpr QSize kClient{960, 449};
inline constexpr QRect kFormList{8, 177, 468, 109};
inline constexpr QRect kSamples{479, 177, 473, 109};
inline constexpr QRect kBuyFull{8, 292, 944, 149};
inline constexpr QRect kImage1{664, 292, 161, 149};
inline constexpr QRect kPicture{680, 302, 128, 128};
// Left margin beside the purchase button: no component there.
inline constexpr QPoint kPark{3, 300};
}  // namespace launcher

// The top-left corner the window takes: centred in the work area, truncating.
QPoint CentredTopLeft(QSize window, const QRect& workArea);

// ---- Records of the stand-ins ---------------------------------------------------------

// A file to which a stand-in appends one line per call.
class TRecordFile {
 public:
  explicit TRecordFile(QString path) : path_(std::move(path)) {}
  const QString& Path() const noexcept { return path_; }
  void Clear() const;
  QStringList Lines() const;
  bool WaitForLines(int count, int timeoutMs = 30000) const;

 private:
  QString path_;
};

// The fake file manager on the private session bus: records each ShowFolders call to
// `record` (its URIs, one line a call) and, after answering, a line to record + ".answered";
// waits delayMs before it answers; absent: its name is not on the bus at all.
void ConfigureFileManager(const QString& record, int delayMs, bool present);
// Runs the fake file manager (the fixture starts it); returns the exit code.
int RunFakeFileManager();

}  // namespace zellinux
