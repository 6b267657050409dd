// The Linux benchmark's driver: starts the launcher, the bare window of its
// toolkit (Qt or GTK), the floor (a bare window drawing the launcher's captions)
// and the same window made of the toolkit's stock widgets in turn on an X
// display, times each from its start to its first complete frame on screen,
// reads its peak resident set, closes its window as a window manager would, and
// prints medians as "key=value" lines (bench/run.sh makes the table).
//
//   zel_bench_linux <launcher> <bare> <floor> <stock> <banner.jpg> <buy.png> <runs>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "../MinimalWindow.h"
#include "../driver/Frame.h"

extern char** environ;

namespace {

using namespace zelbench;
using namespace std::chrono_literals;
namespace minimal = zelbench::minimal;

constexpr int kMinRuns = 10;
constexpr auto kFrameTimeout = 30s;
constexpr auto kExitTimeout = 15s;
// Between runs, so the previous program's teardown is not timed with the next
// one's start. Outside every measured interval.
constexpr auto kSettle = 300ms;
// A program whose frame is known only by drawing it has settled when its whole
// client area stayed the same this long, read at this interval.
constexpr auto kSettledFor = 1s;
constexpr auto kSettleInterval = 50ms;

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<std::uint8_t> ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("cannot open ") + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TCloseDisplay {
  void operator()(Display* display) const noexcept { ::XCloseDisplay(display); }
};
using TDisplay = std::unique_ptr<Display, TCloseDisplay>;
struct TDestroyImage {
  void operator()(XImage* image) const noexcept { XDestroyImage(image); }
};
using TImage = std::unique_ptr<XImage, TDestroyImage>;

// A window that goes away between a look and a read is not an error of the driver.
int g_xErrors = 0;
int CountXError(Display*, XErrorEvent*) {
  ++g_xErrors;
  return 0;
}

// The started program; killed if the run ends without it having exited.
class TChild {
 public:
  explicit TChild(const std::string& program) {
    const std::string folder = program.substr(0, program.find_last_of('/') + 1);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) ::posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    const int error = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + program + " (error " + std::to_string(error) + ")");
  }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;
  ~TChild() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_t Pid() const noexcept { return pid_; }
  // The exit status once it ended, or -1 while it runs.
  int Poll() {
    int status = 0;
    if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) return -1;
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = 0;
};

struct TProgram {
  std::string name;
  std::string path;
  TExpectedFrame frame;
};

struct TRunResult {
  double startupMs = 0;       // start to the first complete frame
  double visibleMs = 0;       // start to its window first seen mapped
  double closeMs = 0;         // WM_DELETE_WINDOW to the process's end
  long peakResidentKiB = 0;   // VmHWM, read once the frame was complete
  int exitCode = -1;
  unsigned long polls = 0;
};

class TScreen {
 public:
  TScreen() : display_(::XOpenDisplay(nullptr)) {
    if (!display_) throw std::runtime_error("cannot open the X display");
    ::XSetErrorHandler(CountXError);
    pidAtom_ = ::XInternAtom(display_.get(), "_NET_WM_PID", False);
    protocolsAtom_ = ::XInternAtom(display_.get(), "WM_PROTOCOLS", False);
    deleteAtom_ = ::XInternAtom(display_.get(), "WM_DELETE_WINDOW", False);
    // The pointer in the screen's corner, off every window: a button under it would
    // show its hover look, which GTK's theme fades in over a fifth of a second.
    ::XWarpPointer(display_.get(), None, DefaultRootWindow(display_.get()), 0, 0, 0, 0, 0, 0);
    ::XSync(display_.get(), False);
  }

  // The program's mapped top-level window of the frame's size, or 0.
  Window FindWindow(pid_t pid, const TExpectedFrame& frame) {
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!::XQueryTree(display_.get(), DefaultRootWindow(display_.get()), &rootReturn, &parent, &children, &count)) {
      return 0;
    }
    const std::unique_ptr<Window, int (*)(void*)> owned(children, ::XFree);
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes attributes{};
      if (!::XGetWindowAttributes(display_.get(), children[i], &attributes) || attributes.map_state != IsViewable ||
          attributes.width != frame.clientWidth || attributes.height != frame.clientHeight) {
        continue;
      }
      if (WindowPid(children[i]) == pid) return children[i];
    }
    return 0;
  }

  // Rows [top, top + rows) of the window into pixels (0x..RRGGBB, the frame's
  // width a row); false if the window went away.
  bool ReadRows(Window window, const TExpectedFrame& frame, int top, int rows, std::vector<std::uint32_t>* pixels) {
    const int errors = g_xErrors;
    const TImage image(::XGetImage(display_.get(), window, 0, top, static_cast<unsigned>(frame.clientWidth),
                                   static_cast<unsigned>(rows), AllPlanes, ZPixmap));
    ::XSync(display_.get(), False);
    if (!image || g_xErrors != errors) return false;
    if (image->bits_per_pixel != 32 || image->red_mask != 0xFF0000 || image->byte_order != LSBFirst) {
      throw std::runtime_error("the display is not 24-bit true colour in 32-bit pixels");
    }
    pixels->resize(static_cast<std::size_t>(frame.clientWidth) * frame.clientHeight);
    for (int y = 0; y < rows; ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(image->data + static_cast<std::ptrdiff_t>(y) *
                                                                                 image->bytes_per_line);
      std::copy_n(row, frame.clientWidth, pixels->begin() + static_cast<std::ptrdiff_t>(top + y) * frame.clientWidth);
    }
    return true;
  }

  // What a window manager sends when the user closes the window.
  void Close(Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocolsAtom_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteAtom_);
    event.xclient.data.l[1] = CurrentTime;
    ::XSendEvent(display_.get(), window, False, NoEventMask, &event);
    ::XSync(display_.get(), False);
  }

 private:
  pid_t WindowPid(Window window) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (::XGetWindowProperty(display_.get(), window, pidAtom_, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                             &data) != Success || data == nullptr) {
      return 0;
    }
    const std::unique_ptr<unsigned char, int (*)(void*)> owned(data, ::XFree);
    return items == 1 && format == 32 ? static_cast<pid_t>(*reinterpret_cast<const long*>(data)) : 0;
  }

  TDisplay display_;
  Atom pidAtom_ = 0, protocolsAtom_ = 0, deleteAtom_ = 0;
};

long PeakResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  throw std::runtime_error("no VmHWM for process " + std::to_string(pid));
}

std::string Hex(std::uint32_t rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb));
  return text;
}

TRunResult MeasureRun(TScreen& screen, const TProgram& program) {
  const TExpectedFrame& frame = program.frame;
  const TExpectedFrame sentinel = LastRowOf(frame);
  const int sentinelRow = sentinel.samples.front().y;
  std::vector<std::uint32_t> pixels;
  TRunResult result;

  const double start = NowMs();
  TChild child(program.path);
  Window window = 0;
  double end = 0;
  while (NowMs() - start < std::chrono::duration<double, std::milli>(kFrameTimeout).count()) {
    if (window == 0) {
      window = screen.FindWindow(child.Pid(), frame);
      if (window != 0) result.visibleMs = NowMs() - start;
    }
    if (window != 0) {
      // A one-row look first: reading the whole area on every poll would keep the
      // X server from the program under test.
      ++result.polls;
      const bool rowDone = screen.ReadRows(window, frame, sentinelRow, 1, &pixels) &&
                           Compare(sentinel, pixels, true).mismatches == 0;
      const double seen = NowMs();
      if (rowDone && screen.ReadRows(window, frame, 0, frame.clientHeight, &pixels) &&
          Compare(frame, pixels, true).mismatches == 0) {
        // Complete when the row showed it: the full read only confirms it.
        end = seen;
        break;
      }
    } else if (const int code = child.Poll(); code >= 0) {
      throw std::runtime_error(program.name + " ended (exit " + std::to_string(code) + ") before showing its window");
    }
    // The programs under test need the two cores more than the poll needs to spin.
    std::this_thread::sleep_for(1ms);
  }
  if (end == 0) {
    std::string what = program.name + ": no complete frame within " +
                       std::to_string(std::chrono::seconds(kFrameTimeout).count()) + " s; ";
    if (window == 0) {
      what += "no mapped " + std::to_string(frame.clientWidth) + "x" + std::to_string(frame.clientHeight) +
              " window of the process";
    } else if (screen.ReadRows(window, frame, 0, frame.clientHeight, &pixels)) {
      const TComparison all = Compare(frame, pixels, false);
      what += std::to_string(all.mismatches) + " of " + std::to_string(frame.samples.size()) +
              " sample pixels differ, first at (" + std::to_string(all.first.x) + "," + std::to_string(all.first.y) +
              "): " + Hex(all.seen) + " instead of " + Hex(all.first.rgb);
    } else {
      what += "its window went away";
    }
    throw std::runtime_error(what);
  }
  result.startupMs = end - start;
  result.peakResidentKiB = PeakResidentKiB(child.Pid());

  const double closing = NowMs();
  screen.Close(window);
  while ((result.exitCode = child.Poll()) < 0) {
    if (NowMs() - closing > std::chrono::duration<double, std::milli>(kExitTimeout).count()) {
      throw std::runtime_error(program.name + " did not end within " +
                               std::to_string(std::chrono::seconds(kExitTimeout).count()) +
                               " s of WM_DELETE_WINDOW");
    }
    std::this_thread::sleep_for(1ms);
  }
  result.closeMs = NowMs() - closing;
  if (result.exitCode != 0) {
    throw std::runtime_error(program.name + " ended with exit code " + std::to_string(result.exitCode));
  }
  return result;
}

// Starts the program, waits until its client area stays the same for kSettledFor,
// takes that as the frame its timed runs must show, and closes it.
TExpectedFrame SettledFrame(TScreen& screen, const std::string& name, const std::string& path) {
  const TExpectedFrame size{minimal::kClientWidth, minimal::kClientHeight, {}};
  std::vector<std::uint32_t> pixels, previous;
  const double start = NowMs();
  TChild child(path);
  Window window = 0;
  double sameSince = 0;
  const double limit = std::chrono::duration<double, std::milli>(kFrameTimeout).count();
  const double settled = std::chrono::duration<double, std::milli>(kSettledFor).count();
  while (true) {
    if (NowMs() - start > limit) throw std::runtime_error(name + ": its window did not settle");
    if (window == 0) window = screen.FindWindow(child.Pid(), size);
    if (window == 0 && child.Poll() >= 0) throw std::runtime_error(name + " ended before showing its window");
    if (window != 0 && screen.ReadRows(window, size, 0, size.clientHeight, &pixels)) {
      const double now = NowMs();
      if (pixels != previous) {
        previous = pixels;
        sameSince = now;
      } else if (now - sameSince >= settled) {
        break;
      }
    }
    std::this_thread::sleep_for(kSettleInterval);
  }
  TExpectedFrame frame = ReferenceFrame(size.clientWidth, size.clientHeight, previous);
  screen.Close(window);
  const double closing = NowMs();
  while (child.Poll() < 0) {
    if (NowMs() - closing > std::chrono::duration<double, std::milli>(kExitTimeout).count()) {
      throw std::runtime_error(name + " did not end after its window was closed");
    }
    std::this_thread::sleep_for(1ms);
  }
  return frame;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct TSeries {
  std::vector<double> startupMs;
  std::vector<double> peakKiB;
};

void Record(const char* label, int index, const TRunResult& run, TSeries* series) {
  std::printf("run=%s index=%d startup_ms=%.2f visible_ms=%.2f peak_rss_kib=%ld exit=%d polls=%lu close_ms=%.0f\n",
              label, index, run.startupMs, run.visibleMs, run.peakResidentKiB, run.exitCode, run.polls, run.closeMs);
  std::fflush(stdout);
  if (series == nullptr) return;
  series->startupMs.push_back(run.startupMs);
  series->peakKiB.push_back(static_cast<double>(run.peakResidentKiB));
}

void PrintSeries(const char* name, const TSeries& series) {
  const auto [low, high] = std::minmax_element(series.startupMs.begin(), series.startupMs.end());
  std::printf("%s_startup_ms=%.2f\n%s_startup_ms_min=%.2f\n%s_startup_ms_max=%.2f\n%s_peak_rss_kib=%.0f\n", name,
              Median(series.startupMs), name, *low, name, *high, name, Median(series.peakKiB));
}

int Main(int argc, char** argv) {
  if (argc != 8) {
    std::fputs("usage: zel_bench_linux <launcher> <bare> <floor> <stock> <banner.jpg> <buy.png> <runs>\n", stderr);
    return 2;
  }
  const int runs = std::atoi(argv[7]);
  if (runs < kMinRuns) {
    std::fprintf(stderr, "zel_bench_linux: at least %d runs of each program\n", kMinRuns);
    return 2;
  }
  const TProgram launcher{"launcher", argv[1], LauncherFrame(ReadWholeFile(argv[5]), ReadWholeFile(argv[6]))};
  const TProgram bare{"bare", argv[2],
                      PlainFrame(minimal::kClientWidth, minimal::kClientHeight,
                                 static_cast<std::uint32_t>(minimal::kRed) << 16 |
                                     static_cast<std::uint32_t>(minimal::kGreen) << 8 | minimal::kBlue)};
  TScreen screen;
  // The floor's and the stock window's frames: what each shows once settled. These
  // runs also bring their libraries and fonts into the page cache.
  const TProgram floor{"floor", argv[3], SettledFrame(screen, "floor", argv[3])};
  std::this_thread::sleep_for(kSettle);
  const TProgram stock{"stock", argv[4], SettledFrame(screen, "stock", argv[4])};
  const TProgram* programs[] = {&launcher, &bare, &floor, &stock};
  for (const TProgram* program : programs) {
    std::printf("%s_samples=%zu\n%s_first_row=%d\n", program->name.c_str(), program->frame.samples.size(),
                program->name.c_str(), LastRowOf(program->frame).samples.front().y);
  }

  // Warm-up: the libraries and fonts into the page cache, fontconfig's cache built.
  for (const TProgram* program : programs) {
    std::this_thread::sleep_for(kSettle);
    Record((program->name + "-warmup").c_str(), 0, MeasureRun(screen, *program), nullptr);
  }
  TSeries series[std::size(programs)];
  for (int i = 1; i <= runs; ++i) {
    for (std::size_t p = 0; p < std::size(programs); ++p) {
      std::this_thread::sleep_for(kSettle);
      Record(programs[p]->name.c_str(), i, MeasureRun(screen, *programs[p]), &series[p]);
    }
  }
  std::printf("runs=%d\n", runs);
  for (std::size_t p = 0; p < std::size(programs); ++p) PrintSeries(programs[p]->name.c_str(), series[p]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "zel_bench_linux: %s\n", error.what());
    return 1;
  }
}
