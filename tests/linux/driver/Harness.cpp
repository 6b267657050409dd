// The helper layer's X side (Xlib, XTEST, XFixes), processes and record files.
#include "Harness.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QThread>

#include <algorithm>
#include <cstdio>

// After Qt: these define macros Qt's headers would trip over.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>

namespace zellinux {

// ---- Check lines ----------------------------------------------------------------

void PrintLine(const QString& line) {
  const QByteArray bytes = line.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
  std::fflush(stdout);
}

bool TReport::Check(bool ok, const QString& what, const QString& detail) {
  if (!ok) ++failures_;
  PrintLine(QString(ok ? "PASS " : "FAIL ") + what + (detail.isEmpty() ? QString() : ": " + detail));
  return ok;
}

bool TReport::CheckEqual(const QString& expected, const QString& actual, const QString& what) {
  return Check(expected == actual, what, "\"" + actual + "\"" + (expected == actual ? "" : ", expected \"" + expected + "\""));
}

void TReport::Note(const QString& what, const QString& detail) { PrintLine("NOTE " + what + ": " + detail); }

QString Describe(const QRect& r) {
  return QString("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}
QString Describe(QPoint p) { return QString("(%1,%2)").arg(p.x()).arg(p.y()); }

void Pause(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(5);
  }
}

bool WaitUntil(const std::function<bool()>& fn, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  for (;;) {
    if (fn()) return true;
    if (timer.elapsed() > timeoutMs) return false;
    Pause(10);
  }
}

// ---- The display ------------------------------------------------------------------

namespace {

// Windows come and go while the driver looks at them: a request about one that has
// just gone fails, which Xlib's default handler would answer by ending the driver.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

Display* Dpy() {
  static Display* display = [] {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) throw TAbort("cannot open the X display " + qEnvironmentVariable("DISPLAY").toStdString());
    XSetErrorHandler(IgnoreError);
    return d;
  }();
  return display;
}

Window Root() { return DefaultRootWindow(Dpy()); }

// What Xlib hands out to be freed with XFree.
struct TXFree {
  void operator()(void* data) const noexcept {
    if (data != nullptr) XFree(data);
  }
};
template <typename T>
using TXPtr = std::unique_ptr<T, TXFree>;
Atom AtomOf(const char* name) { return XInternAtom(Dpy(), name, False); }

// A property's raw items; format 32 items come as longs, as Xlib gives them.
struct TPropertyData {
  Atom type = 0;
  int format = 0;
  std::vector<unsigned char> bytes;
  unsigned long items = 0;
};

std::optional<TPropertyData> ReadProperty(Window window, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* raw = nullptr;
  const int status = XGetWindowProperty(Dpy(), window, property, 0, 1 << 24, False, AnyPropertyType, &type, &format,
                                        &items, &after, &raw);
  const TXPtr<unsigned char> data(raw);
  if (status != Success || type == 0) return std::nullopt;
  TPropertyData out{type, format, {}, items};
  const std::size_t unit = format == 32 ? sizeof(long) : static_cast<std::size_t>(format / 8);
  out.bytes.assign(data.get(), data.get() + items * unit);
  return out;
}

}  // namespace

QSize ScreenSize() {
  const int screen = DefaultScreen(Dpy());
  return {DisplayWidth(Dpy(), screen), DisplayHeight(Dpy(), screen)};
}

namespace {

// A window manager's frame holds its client a level or two down (openbox: frame,
// then plate); a window that names its process is not looked into.
void CollectViewable(Window parent, qint64 pid, int depth, std::vector<TWindowId>& found) {
  Window rootReturn = 0, up = 0;
  Window* list = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(Dpy(), parent, &rootReturn, &up, &list, &count)) return;
  const TXPtr<Window> children(list);
  for (unsigned int i = 0; i < count; ++i) {
    const Window child = children.get()[i];
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(Dpy(), child, &attributes) || attributes.map_state != IsViewable) continue;
    const std::vector<unsigned long> owner = Property32(child, "_NET_WM_PID");
    if (!owner.empty()) {
      if (static_cast<qint64>(owner[0]) == pid) found.push_back(child);
    } else if (depth > 0) {
      CollectViewable(child, pid, depth - 1, found);
    }
  }
}

}  // namespace

std::vector<TWindowId> ViewableWindowsOf(qint64 pid) {
  std::vector<TWindowId> found;
  CollectViewable(Root(), pid, 3, found);
  return found;
}

QString WindowTitle(TWindowId window) {
  if (const auto name = ReadProperty(window, AtomOf("_NET_WM_NAME")); name && name->format == 8) {
    return QString::fromUtf8(reinterpret_cast<const char*>(name->bytes.data()), static_cast<int>(name->bytes.size()));
  }
  if (const auto name = ReadProperty(window, XA_WM_NAME); name && name->format == 8) {
    return QString::fromLatin1(reinterpret_cast<const char*>(name->bytes.data()), static_cast<int>(name->bytes.size()));
  }
  return {};
}

QStringList WindowClass(TWindowId window) {
  XClassHint hint{};
  if (!XGetClassHint(Dpy(), window, &hint)) return {};
  const TXPtr<char> name(hint.res_name), kind(hint.res_class);
  return {QString::fromUtf8(name.get()), QString::fromUtf8(kind.get())};
}

std::optional<TWindowId> TransientFor(TWindowId window) {
  Window owner = 0;
  if (!XGetTransientForHint(Dpy(), window, &owner)) return std::nullopt;
  return owner;
}

std::vector<unsigned long> Property32(TWindowId window, const char* name) {
  const auto data = ReadProperty(window, AtomOf(name));
  if (!data || data->format != 32) return {};
  const auto* values = reinterpret_cast<const unsigned long*>(data->bytes.data());
  return {values, values + data->items};
}

QStringList AtomNames(TWindowId window, const char* name) {
  QStringList names;
  for (const unsigned long atom : Property32(window, name)) {
    const TXPtr<char> text(XGetAtomName(Dpy(), static_cast<Atom>(atom)));
    if (text) names << QString::fromLatin1(text.get());
  }
  return names;
}

std::optional<QRect> AnnouncedWorkArea() {
  const std::vector<unsigned long> area = Property32(Root(), "_NET_WORKAREA");
  if (area.size() < 4) return std::nullopt;
  return QRect(static_cast<int>(area[0]), static_cast<int>(area[1]), static_cast<int>(area[2]), static_cast<int>(area[3]));
}

QRect WindowRect(TWindowId window) {
  XWindowAttributes attributes{};
  XGetWindowAttributes(Dpy(), window, &attributes);
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(Dpy(), window, Root(), 0, 0, &x, &y, &child);
  return {x, y, attributes.width, attributes.height};
}

TSizeHints SizeHints(TWindowId window) {
  XSizeHints hints{};
  long supplied = 0;
  TSizeHints out;
  if (!XGetWMNormalHints(Dpy(), window, &hints, &supplied)) return out;
  out.hasMin = (hints.flags & PMinSize) != 0;
  out.hasMax = (hints.flags & PMaxSize) != 0;
  out.min = {hints.min_width, hints.min_height};
  out.max = {hints.max_width, hints.max_height};
  return out;
}

TWindowId FocusedWindow() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(Dpy(), &focus, &revert);
  return focus;
}

void Focus(TWindowId window) {
  XSetInputFocus(Dpy(), window, RevertToParent, CurrentTime);
  XSync(Dpy(), False);
  Pause(100);
}

void SendDeleteWindow(TWindowId window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = AtomOf("WM_PROTOCOLS");
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(AtomOf("WM_DELETE_WINDOW"));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(Dpy(), window, False, NoEventMask, &event);
  XSync(Dpy(), False);
}

void MovePointer(QPoint screen) {
  XTestFakeMotionEvent(Dpy(), DefaultScreen(Dpy()), screen.x(), screen.y(), CurrentTime);
  XSync(Dpy(), False);
  // Let the program under test see the move as an event of its own before the next.
  Pause(30);
}

QPoint PointerPosition() {
  Window rootReturn = 0, child = 0;
  int x = 0, y = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  XQueryPointer(Dpy(), Root(), &rootReturn, &child, &x, &y, &wx, &wy, &mask);
  return {x, y};
}

void Button(int button, bool down) {
  XTestFakeButtonEvent(Dpy(), static_cast<unsigned int>(button), down ? True : False, CurrentTime);
  XSync(Dpy(), False);
  Pause(30);
}

void Click(QPoint screen, int button) {
  MovePointer(screen);
  Button(button, true);
  Button(button, false);
}

void PressKey(const char* keysymName) {
  const KeyCode code = XKeysymToKeycode(Dpy(), XStringToKeysym(keysymName));
  XTestFakeKeyEvent(Dpy(), code, True, CurrentTime);
  XTestFakeKeyEvent(Dpy(), code, False, CurrentTime);
  XSync(Dpy(), False);
  Pause(30);
}

QImage Grab(const QRect& screen) {
  auto destroy = [](XImage* image) { XDestroyImage(image); };
  const std::unique_ptr<XImage, decltype(destroy)> image(
      XGetImage(Dpy(), Root(), screen.x(), screen.y(), static_cast<unsigned int>(screen.width()),
                static_cast<unsigned int>(screen.height()), AllPlanes, ZPixmap),
      destroy);
  if (!image) throw TAbort("XGetImage failed for " + Describe(screen).toStdString());
  QImage out(screen.size(), QImage::Format_RGB32);
  for (int y = 0; y < screen.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < screen.width(); ++x) {
      row[x] = 0xff000000u | static_cast<QRgb>(XGetPixel(image.get(), x, y) & 0xffffffu);
    }
  }
  return out;
}

QImage GrabSettled(const QRect& screen, const std::function<bool(const QImage&)>& ready, int stableMs, int timeoutMs) {
  QElapsedTimer total, stable;
  total.start();
  stable.start();
  QImage last = Grab(screen);
  for (;;) {
    Pause(15);
    QImage shot = Grab(screen);
    if (shot != last || !ready(shot)) stable.restart();
    last = std::move(shot);
    if (ready(last) && stable.elapsed() >= stableMs) return last;
    if (total.elapsed() > timeoutMs) return last;
  }
}

TCursorShot CurrentCursor() {
  const TXPtr<XFixesCursorImage> cursor(XFixesGetCursorImage(Dpy()));
  if (!cursor) return {};
  TCursorShot shot;
  shot.name = cursor->name != nullptr ? QString::fromLatin1(cursor->name) : QString();
  shot.image = QImage(cursor->width, cursor->height, QImage::Format_ARGB32);
  for (int y = 0; y < cursor->height; ++y) {
    for (int x = 0; x < cursor->width; ++x) {
      shot.image.setPixel(x, y, static_cast<QRgb>(cursor->pixels[y * cursor->width + x]));
    }
  }
  return shot;
}

TWorkArea::TWorkArea(const QRect& area) {
  const long values[] = {area.x(), area.y(), area.width(), area.height()};
  XChangeProperty(Dpy(), Root(), AtomOf("_NET_WORKAREA"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(values), 4);
  XSync(Dpy(), False);
}

TWorkArea::~TWorkArea() {
  XDeleteProperty(Dpy(), Root(), AtomOf("_NET_WORKAREA"));
  XSync(Dpy(), False);
}

TPanel::TPanel(const QRect& strip) {
  window_ = XCreateSimpleWindow(Dpy(), Root(), strip.x(), strip.y(), static_cast<unsigned int>(strip.width()),
                                static_cast<unsigned int>(strip.height()), 0, 0, 0x404040);
  const long dock = static_cast<long>(AtomOf("_NET_WM_WINDOW_TYPE_DOCK"));
  XChangeProperty(Dpy(), window_, AtomOf("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&dock), 1);
  // left, right, top, bottom, then each side's extent along its edge.
  const long strut[12] = {0, 0, strip.y() + strip.height(), 0, 0, 0, 0, 0, strip.left(), strip.right(), 0, 0};
  XChangeProperty(Dpy(), window_, AtomOf("_NET_WM_STRUT_PARTIAL"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(strut), 12);
  XChangeProperty(Dpy(), window_, AtomOf("_NET_WM_STRUT"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(strut), 4);
  XMapWindow(Dpy(), window_);
  XSync(Dpy(), False);
}

TPanel::~TPanel() {
  XDestroyWindow(Dpy(), window_);
  XSync(Dpy(), False);
}

// ---- The launcher ---------------------------------------------------------------------

TProgram::TProgram(const TStart& start) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // The driver's own setting (see main): the launcher must make its own.
  environment.remove("QT_ENABLE_HIGHDPI_SCALING");
  for (const QString& pair : start.environment) {
    const auto eq = pair.indexOf('=');
    environment.insert(pair.left(eq), pair.mid(eq + 1));
  }
  process_.setProcessEnvironment(environment);
  process_.setWorkingDirectory(QFileInfo(start.exe).absolutePath());
  if (!start.log.isEmpty()) {
    process_.setStandardOutputFile(start.log, QIODevice::Append);
    process_.setStandardErrorFile(start.log, QIODevice::Append);
  }
  process_.start(start.exe, QStringList());
  if (!process_.waitForStarted(kWindowTimeoutMs)) throw TAbort("cannot start " + start.exe.toStdString());
}

TProgram::~TProgram() {
  if (Running()) {
    process_.kill();
    process_.waitForFinished(kWindowTimeoutMs);
  }
}

std::optional<int> TProgram::WaitForExit(int timeoutMs) {
  if (Running() && !process_.waitForFinished(timeoutMs)) return std::nullopt;
  if (process_.exitStatus() == QProcess::CrashExit) return -1;
  return process_.exitCode();
}

TTitleWatch::TTitleWatch() {
  XSelectInput(Dpy(), Root(), SubstructureNotifyMask);
  XSync(Dpy(), False);
}

TTitleWatch::~TTitleWatch() {
  XSelectInput(Dpy(), Root(), NoEventMask);
  for (const TWindowId window : watched_) XSelectInput(Dpy(), window, NoEventMask);
  XSync(Dpy(), True);
}

void TTitleWatch::Poll() {
  const Atom names[] = {XA_WM_NAME, AtomOf("_NET_WM_NAME")};
  auto record = [&](Window window) {
    auto found = std::find_if(shown_.begin(), shown_.end(), [&](const auto& entry) { return entry.first == window; });
    if (found == shown_.end()) return;
    const QString title = WindowTitle(window);
    if (found->second.isEmpty() || found->second.back() != title) found->second.append(title);
  };
  while (XPending(Dpy()) > 0) {
    XEvent event{};
    XNextEvent(Dpy(), &event);
    if (event.type == CreateNotify && event.xcreatewindow.parent == Root()) {
      XSelectInput(Dpy(), event.xcreatewindow.window, PropertyChangeMask);
      watched_.push_back(event.xcreatewindow.window);
    } else if (event.type == MapNotify && event.xmap.event == Root()) {
      shown_.push_back({event.xmap.window, {}});
      record(event.xmap.window);
    } else if (event.type == PropertyNotify && std::find(std::begin(names), std::end(names), event.xproperty.atom) != std::end(names)) {
      record(event.xproperty.window);
    }
  }
}

QStringList TTitleWatch::TitlesShown(TWindowId window) const {
  for (const auto& entry : shown_) {
    if (entry.first == window) return entry.second;
  }
  return {};
}

TLauncher StartLauncher(const TStart& start, TTitleWatch* watch, std::vector<QImage>* frames) {
  TLauncher launcher;
  launcher.program = std::make_unique<TProgram>(start);
  const qint64 pid = launcher.program->Pid();
  QElapsedTimer timer;
  timer.start();
  while (ViewableWindowsOf(pid).empty() && launcher.program->Running() && timer.elapsed() < kWindowTimeoutMs) {
    if (watch != nullptr) {
      watch->Poll();
      QThread::usleep(500);
    } else {
      Pause(10);
    }
  }
  // The title it was mapped with, read at once.
  if (watch != nullptr) watch->Poll();
  const std::vector<TWindowId> windows = ViewableWindowsOf(pid);
  if (windows.empty()) {
    throw TAbort("no window of " + start.exe.toStdString() +
                 (launcher.program->Running() ? " came up" : ": it ended before showing one"));
  }
  launcher.main = windows.front();
  launcher.client = WindowRect(launcher.main);
  if (frames != nullptr) {
    frames->push_back(Grab(launcher.client));
    GrabSettled(launcher.client, [&](const QImage& shot) {
      if (shot != frames->back()) frames->push_back(shot);
      return true;
    }, 500);
  }
  if (watch != nullptr) watch->Poll();
  return launcher;
}

void CloseAndCheck(TReport& report, const QString& what, TLauncher& launcher) {
  SendDeleteWindow(launcher.main);
  const std::optional<int> code = launcher.program->WaitForExit(kWindowTimeoutMs);
  report.Check(code == 0, what,
               code ? "exit code " + QString::number(*code) : QString("still running after WM_DELETE_WINDOW"));
}

QPoint CentredTopLeft(QSize window, const QRect& workArea) {
  return {workArea.x() + (workArea.width() - window.width()) / 2, workArea.y() + (workArea.height() - window.height()) / 2};
}

// ---- Records ----------------------------------------------------------------------------

void TRecordFile::Clear() const { QFile::remove(path_); }

QStringList TRecordFile::Lines() const {
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

bool TRecordFile::WaitForLines(int count, int timeoutMs) const {
  return WaitUntil([&] { return Lines().size() >= count; }, timeoutMs);
}

}  // namespace zellinux
