#include "gtk/Application.h"

#include <fcntl.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/AppFolder.h"
#include "core/ErrorText.h"
#include "core/Utf8.h"
#include "xdg/ApplicationError.h"
#include "xdg/Descriptor.h"
#include "xdg/Program.h"

namespace zel::gtk {

namespace {

// Standard error held back while the display is opened: what the toolkit and
// Xlib say about a display they cannot reach is replaced by one line of ours,
// and passed on as it was when the display opened.
class TErrorHold {
 public:
  TErrorHold() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    read_.Reset(ends[0]);
    write_.Reset(ends[1]);
    saved_.Reset(::dup(STDERR_FILENO));
    if (!saved_ || ::dup2(write_.Get(), STDERR_FILENO) < 0) Restore();
  }
  ~TErrorHold() { Release(false); }
  TErrorHold(const TErrorHold&) = delete;
  TErrorHold& operator=(const TErrorHold&) = delete;

  // Puts standard error back, first writing what was held to it when pass.
  void Release(bool pass) {
    Restore();
    if (!read_) return;
    char bytes[4096];
    ssize_t got = 0;
    while ((got = ::read(read_.Get(), bytes, sizeof bytes)) > 0) {
      if (pass && ::write(STDERR_FILENO, bytes, static_cast<std::size_t>(got)) < 0) break;
    }
    read_.Reset();
  }

 private:
  void Restore() {
    if (saved_) {
      ::dup2(saved_.Get(), STDERR_FILENO);
      saved_.Reset();
    }
    write_.Reset();
  }

  xdg::TDescriptor read_;
  xdg::TDescriptor write_;
  xdg::TDescriptor saved_;
};

// The error box open now, if any: the end of the session closes it.
GtkDialog* openBox = nullptr;

// A modal error box with one OK button, which Return presses; its text's lines
// end in "\n".
void RunErrorBox(GtkWindow* owner, const std::string& title, const std::wstring& text) {
  const TTopLevel box(gtk_message_dialog_new(owner,
                                             static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                             GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", ToUtf8(text).c_str()));
  gtk_window_set_title(GTK_WINDOW(box.get()), title.c_str());
  gtk_dialog_set_default_response(GTK_DIALOG(box.get()), GTK_RESPONSE_OK);
  GtkDialog* outer = openBox;
  openBox = GTK_DIALOG(box.get());
  gtk_dialog_run(GTK_DIALOG(box.get()));
  openBox = outer;
}

}  // namespace

TApplication::TApplication(int& argc, char**& argv) {
  // X11 only: the window places itself, which Wayland does not allow; under a
  // Wayland session XWayland serves it.
  gdk_set_allowed_backends("x11");
  // Without this GDK loads the system's GL (and its driver) at start, to choose
  // visuals for GL drawing: time and memory a launcher never uses.
  xdg::SetDefault("GDK_GL", "disable");
  TErrorHold hold;
  const bool opened = gtk_init_check(&argc, &argv);
  hold.Release(opened);
  if (!opened) throw TNoDisplay(xdg::MissingDisplay(std::getenv("DISPLAY")));
  // The launcher scales itself, in device pixels; GDK must not scale it again.
  GdkDisplay* display = gdk_display_get_default();
  if (GDK_IS_X11_DISPLAY(display)) gdk_x11_display_set_window_scale(display, 1);
  title_ = ToUtf8(TitleFromExePath(xdg::ExecutablePath(), TPathStyle::Posix));
  loop_.reset(g_main_loop_new(nullptr, FALSE));
  sessionEnd_ = std::make_unique<TSessionEnd>([this] { Terminate(); });
}

TApplication::~TApplication() {
  CloseMainWindow();
  fonts_.reset();
  sessionEnd_.reset();
}

const TFonts& TApplication::Fonts(PangoContext* context, int pixels, bool bold) {
  if (!fonts_) fonts_ = std::make_unique<TFonts>(context, pixels, bold);
  return *fonts_;
}

void TApplication::RunLoop() { g_main_loop_run(loop_.get()); }

void TApplication::Terminate() noexcept {
  // A box's own loop ends first; the main loop then ends too.
  if (openBox != nullptr) gtk_dialog_response(openBox, GTK_RESPONSE_DELETE_EVENT);
  g_main_loop_quit(loop_.get());
}

void TApplication::ShowErrorBox(const std::wstring& text) {
  GtkWindow* active = nullptr;
  const TList windows(gtk_window_list_toplevels());
  for (GList* item = windows.get(); item != nullptr; item = item->next) {
    if (gtk_window_is_active(GTK_WINDOW(item->data))) active = GTK_WINDOW(item->data);
  }
  GtkWindow* owner = active != nullptr ? active : MainWindow() != nullptr ? MainWindow()->Window() : nullptr;
  // Modal: the launcher's windows take no input while it is open.
  RunErrorBox(owner, title_, text);
  if (active != nullptr) gtk_window_present(active);
}

void ShowApplicationError(std::exception_ptr error) noexcept {
  try {
    const TErrorInfo info = DescribeError(error);
    const std::wstring text = xdg::ApplicationErrorTextOf(info);
    // The display stays open after the window that failed is gone.
    if (gdk_display_get_default() == nullptr) {
      std::fprintf(stderr, "%s\n", ToUtf8(xdg::BoxText(text)).c_str());
      return;
    }
    RunErrorBox(nullptr, "Application Error", xdg::BoxText(text));
  } catch (...) {
    // Nothing more can be shown.
  }
}

}  // namespace zel::gtk
