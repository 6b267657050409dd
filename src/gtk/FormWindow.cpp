#include "gtk/FormWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xinerama.h>
#include <cairo.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "core/Error.h"
#include "core/Layout.h"
#include "core/Utf8.h"
#include "gtk/Accessible.h"
#include "gtk/Application.h"
#include "gtk/Components.h"
#include "picture/Ico.h"
#include "xdg/FrameExtents.h"

// The drawing surface's own class.
struct ZelFormSurface {
  GtkDrawingArea parent;
};
struct ZelFormSurfaceClass {
  GtkDrawingAreaClass parent;
};
G_DEFINE_TYPE(ZelFormSurface, zel_form_surface, GTK_TYPE_DRAWING_AREA)
static void zel_form_surface_class_init(ZelFormSurfaceClass* klass) {
  zel::gtk::SetSurfaceAccessible(GTK_WIDGET_CLASS(klass));
}
static void zel_form_surface_init(ZelFormSurface*) {}

namespace zel::gtk {

using controls::TMouseButton;

namespace {

constexpr const char* kFormKey = "zel-form";
constexpr const char* kWindowKey = "zel-window";

// The classic look stands for the theme named as the classic style is.
constexpr const char* kClassicTheme = "windows";

std::optional<TMouseButton> ButtonOf(unsigned button) noexcept {
  switch (button) {
    case 1: return TMouseButton::Left;
    case 2: return TMouseButton::Middle;
    case 3: return TMouseButton::Right;
    default: return std::nullopt;
  }
}

TPoint PointOf(double x, double y) noexcept {
  return {static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))};
}

// A style context for a path of widgets, each named by its type, CSS name and class.
TObject<GtkStyleContext> StyleFor(GtkStyleContext* parent, std::initializer_list<std::pair<GType, const char*>> path,
                                  const char* cssClass) {
  const TWidgetPath widgets(gtk_widget_path_new());
  for (const auto& [type, name] : path) {
    gtk_widget_path_append_type(widgets.get(), type);
    gtk_widget_path_iter_set_object_name(widgets.get(), -1, name);
  }
  if (cssClass != nullptr) gtk_widget_path_iter_add_class(widgets.get(), -1, cssClass);
  TObject<GtkStyleContext> style(gtk_style_context_new());
  gtk_style_context_set_path(style.get(), widgets.get());
  if (parent != nullptr) gtk_style_context_set_parent(style.get(), parent);
  return style;
}

// _NET_WORKAREA of the first desktop, as a desktop announces the room its panels
// leave; GDK takes it only from a window manager that lists it as supported.
std::optional<TRect> WorkAreaOfDesktop(GdkDisplay* display) {
  if (!GDK_IS_X11_DISPLAY(display)) return std::nullopt;
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(x, DefaultRootWindow(x), XInternAtom(x, "_NET_WORKAREA", False), 0, 4, False,
                                        XA_CARDINAL, &type, &format, &count, &after, &data);
  const THandle<unsigned char, XFree> held(data);
  if (status != Success || type != XA_CARDINAL || format != 32 || count < 4) return std::nullopt;
  const auto* values = reinterpret_cast<const long*>(data);
  return TRect{static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
               static_cast<int>(values[3])};
}

// The heads the X server lists (Xinerama), its primary output first; none
// without the extension.
std::vector<TRect> XineramaHeads(GdkDisplay* display) {
  std::vector<TRect> heads;
  if (!GDK_IS_X11_DISPLAY(display)) return heads;
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  int events = 0, errors = 0, count = 0;
  if (!XineramaQueryExtension(x, &events, &errors) || !XineramaIsActive(x)) return heads;
  const THandle<XineramaScreenInfo, XFree> screens(XineramaQueryScreens(x, &count));
  for (int i = 0; screens && i < count; ++i) {
    const XineramaScreenInfo& head = screens.get()[i];
    heads.push_back({head.x_org, head.y_org, head.width, head.height});
  }
  return heads;
}

}  // namespace

TForm* FormOfSurface(GtkWidget* surface) noexcept {
  return static_cast<TForm*>(g_object_get_data(G_OBJECT(surface), kFormKey));
}

TFormWindow::TFormWindow(TApplication& application, std::unique_ptr<TForm> form)
    : TFormPeerFrame(application, std::move(form)) {
  window_.reset(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  surface_ = GTK_WIDGET(g_object_new(zel_form_surface_get_type(), nullptr));
  g_object_set_data(G_OBJECT(surface_), kFormKey, form_.get());
  g_object_set_data(G_OBJECT(surface_), kWindowKey, this);
  SetPressHandler(+[](GtkWidget* surface, std::size_t item) {
    if (auto* self = static_cast<TFormWindow*>(g_object_get_data(G_OBJECT(surface), kWindowKey))) {
      self->PressAccessible(item);
    }
  });
  gtk_container_add(GTK_CONTAINER(window_.get()), surface_);
  gtk_widget_add_events(surface_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                      GDK_LEAVE_NOTIFY_MASK | GDK_ENTER_NOTIFY_MASK);
  // A title bar with the close button; the size is fixed.
  gtk_window_set_resizable(Window(), FALSE);
  windowStyle_ = StyleFor(nullptr, {{GTK_TYPE_WINDOW, "window"}}, GTK_STYLE_CLASS_BACKGROUND);
  buttonStyle_ = StyleFor(windowStyle_.get(), {{GTK_TYPE_WINDOW, "window"}, {GTK_TYPE_BUTTON, "button"}}, nullptr);
  arrow_.reset(gdk_cursor_new_for_display(gtk_widget_get_display(window_.get()), GDK_LEFT_PTR));
  ConnectSignals();
  form_->Load(*this);
}

GtkWindow* TFormWindow::Window() const noexcept { return GTK_WINDOW(window_.get()); }

void TFormWindow::ConnectSignals() {
  using Self = TFormWindow;
  g_signal_connect(surface_, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, Self* self) -> gboolean {
                     self->Guarded([&] { self->Paint(cr); });
                     return TRUE;
                   }), this);
  g_signal_connect(surface_, "realize", G_CALLBACK(+[](GtkWidget* surface, Self* self) {
                     gdk_window_set_cursor(gtk_widget_get_window(surface), self->CursorNow());
                   }), this);
  // GDK reports the second press of a double-click as a plain press, and then once
  // more as GDK_2BUTTON_PRESS: the plain one is the second press, the other is left out.
  g_signal_connect(surface_, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, Self* self) -> gboolean {
                     if (event->type != GDK_BUTTON_PRESS) return TRUE;
                     if (const auto button = ButtonOf(event->button)) {
                       self->Guarded([&] { self->form_->Mouse().ButtonDown(*button, PointOf(event->x, event->y), false); });
                     }
                     return TRUE;
                   }), this);
  g_signal_connect(surface_, "button-release-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* event, Self* self) -> gboolean {
                     if (const auto button = ButtonOf(event->button)) {
                       self->Guarded([&] { self->form_->Mouse().ButtonUp(*button, PointOf(event->x, event->y)); });
                     }
                     return TRUE;
                   }), this);
  g_signal_connect(surface_, "motion-notify-event", G_CALLBACK(+[](GtkWidget*, GdkEventMotion* event, Self* self) -> gboolean {
                     self->Guarded([&] { self->form_->Mouse().MouseMove(PointOf(event->x, event->y)); });
                     return TRUE;
                   }), this);
  g_signal_connect(surface_, "leave-notify-event", G_CALLBACK(+[](GtkWidget*, GdkEventCrossing*, Self* self) -> gboolean {
                     self->Guarded([&] { self->form_->Mouse().MouseLeave(); });
                     return TRUE;
                   }), this);
  // Another grab taking the pointer mid-press cancels the press, as does the
  // window's being hidden or losing activation.
  g_signal_connect(surface_, "grab-broken-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, Self* self) -> gboolean {
                     self->CancelPress();
                     return TRUE;
                   }), this);
  g_signal_connect(surface_, "unmap", G_CALLBACK(+[](GtkWidget*, Self* self) { self->CancelPress(); }), this);
  g_signal_connect(window_.get(), "notify::is-active", G_CALLBACK(+[](GtkWidget*, GParamSpec*, Self* self) {
                     if (!gtk_window_is_active(self->Window())) self->CancelPress();
                     gtk_widget_queue_draw(self->surface_);  // the backdrop look follows the activation
                   }), this);
  // The title bar's boxes are asked for before the window is first mapped.
  g_signal_connect_after(window_.get(), "realize", G_CALLBACK(+[](GtkWidget*, Self* self) { self->SetTitleBarBoxes(); }),
                         this);
  // Closing the main window ends the application; the window stays on screen
  // until it is destroyed at the end.
  g_signal_connect(window_.get(), "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, Self* self) -> gboolean {
                     self->application_.Terminate();
                     return TRUE;
                   }), this);
}

int TFormWindow::PixelsPerInch() {
  // Xft.dpi, from the desktop's settings or the X resources (GTK reads both).
  int dpi = -1;
  g_object_get(gtk_widget_get_settings(window_.get()), "gtk-xft-dpi", &dpi, nullptr);
  if (dpi <= 0) return kDesignPixelsPerInch;
  return static_cast<int>(std::lround(dpi / 1024.0));
}

int TFormWindow::CreateNativeWindow(std::wstring_view caption, const TFontDecl& font, int fontHeight) {
  SetCaption(caption);
  pango_.reset(gtk_widget_create_pango_context(surface_));
  const TFonts& fonts = application_.Fonts(pango_.get(), fontHeight, font.bold);
  fonts_ = &fonts;
  return WindowsLine(pango_.get(), *fonts.At(fontHeight, font.bold)).Height();
}

void TFormWindow::SetClientSize(TSize size) { gtk_widget_set_size_request(surface_, size.width, size.height); }

void TFormWindow::LoadWindowIcon(std::wstring_view name) {
  const picture::TRgbaImage rgba = picture::WindowIconImage(ResourceBytes(name), xdg::kWindowIconSize);
  const TObject<GdkPixbuf> icon(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, rgba.width, rgba.height));
  if (!icon) throw Error("EOutOfMemory", L"Out of memory");
  const auto stride = static_cast<std::size_t>(gdk_pixbuf_get_rowstride(icon.get()));
  guchar* pixels = gdk_pixbuf_get_pixels(icon.get());
  for (int y = 0; y < rgba.height; ++y) {
    std::memcpy(pixels + y * stride, rgba.pixels.data() + static_cast<std::size_t>(y) * rgba.width * 4,
                static_cast<std::size_t>(rgba.width) * 4);
  }
  gtk_window_set_icon(Window(), icon.get());
}

void TFormWindow::SetCaption(std::wstring_view caption) {
  gtk_window_set_title(Window(), ToUtf8(std::wstring(caption)).c_str());
}

void TFormWindow::Invalidate(const TRect& area) {
  gtk_widget_queue_draw_area(surface_, area.left, area.top, area.width, area.height);
}

// What is marked is drawn in the frame GTK paints as soon as the loop runs.
void TFormWindow::Update() {}

GdkCursor* TFormWindow::CursorNow() {
  if (!busy_) return arrow_.get();
  // Made when first wanted: a themed cursor is read from its file.
  if (!wait_) wait_.reset(gdk_cursor_new_for_display(gtk_widget_get_display(window_.get()), GDK_WATCH));
  return wait_.get();
}

void TFormWindow::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  GdkWindow* window = gtk_widget_get_window(surface_);
  if (window == nullptr) return;
  gdk_window_set_cursor(window, CursorNow());
  // Shown now: the command that follows may keep the loop from running.
  gdk_display_flush(gdk_window_get_display(window));
}

// The primary monitor's part of what the desktop's panels leave free.
std::optional<TRect> TFormWindow::PrimaryWorkArea() const {
  GdkDisplay* display = gtk_widget_get_display(window_.get());
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return WorkAreaOfDesktop(display);
  GdkRectangle geometry{};
  gdk_monitor_get_geometry(monitor, &geometry);
  // GDK takes monitors from RandR alone, which may see one over several heads.
  const TRect screen = PrimaryHead({geometry.x, geometry.y, geometry.width, geometry.height}, XineramaHeads(display));
  return WorkAreaOfScreen(screen, WorkAreaOfDesktop(display));
}

// The title bar's boxes, as the Motif hints ask a window manager for them: moved
// and closed only (no minimize, maximize or resize), with a border, a title and the
// window menu. A window GTK decorates itself keeps its own decorations.
void TFormWindow::SetTitleBarBoxes() {
  GdkWindow* window = gtk_widget_get_window(window_.get());
  // GDK's bits are Motif's.
  gdk_window_set_functions(window, static_cast<GdkWMFunction>(xdg::kMotifFunctionsMoveClose));
  if (!gtk_style_context_has_class(gtk_widget_get_style_context(window_.get()), "csd")) {
    gdk_window_set_decorations(window, static_cast<GdkWMDecoration>(xdg::kMotifDecorationsBorderTitleMenu));
  }
}

// Asked of the window manager before the window is first shown; none on bare X,
// where the window shows with no frame.
TFrameExtents TFormWindow::FrameBeforeMapping() const {
  GdkDisplay* display = gtk_widget_get_display(window_.get());
  if (!GDK_IS_X11_DISPLAY(display)) return {};
  return xdg::AskFrameExtents(gdk_display_get_name(display), xdg::kFrameAnswerTimeoutMs).value_or(TFrameExtents{});
}

void TFormWindow::ShowCentred() {
  if (const std::optional<TRect> work = PrimaryWorkArea()) {
    int width = 0, height = 0;
    gtk_widget_get_size_request(surface_, &width, &height);
    // The frame's top-left corner (north-west gravity).
    const TPoint place = FramePlacement(*work, {width, height}, FrameBeforeMapping(), 0, 0);
    gtk_window_move(Window(), place.x, place.y);
  }
  gtk_widget_show_all(window_.get());
}

void TFormWindow::PressAccessible(std::size_t item) { Press(item, AccessibleWindowOf(surface_)); }

bool TFormWindow::Classic() const {
  // GTK_THEME wins over the desktop's setting, as GTK has it; a variant follows ":".
  const char* forced = g_getenv("GTK_THEME");
  gchar* setting = nullptr;
  if (forced == nullptr) g_object_get(gtk_widget_get_settings(window_.get()), "gtk-theme-name", &setting, nullptr);
  const TChars held(setting);
  const char* name = forced != nullptr ? forced : setting;
  const std::size_t length = std::strlen(kClassicTheme);
  return name != nullptr && g_ascii_strncasecmp(name, kClassicTheme, length) == 0 &&
         (name[length] == '\0' || name[length] == ':');
}

// Drawn straight into GDK's buffer for the frame, which reaches the screen whole
// when the paint is done.
void TFormWindow::Paint(cairo_t* cr) {
  GdkRectangle clip{};
  if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return;
  const bool active = gtk_window_is_active(Window());
  gtk_style_context_set_state(windowStyle_.get(), active ? GTK_STATE_FLAG_NORMAL : GTK_STATE_FLAG_BACKDROP);
  const TPaintStyle style{gtk_widget_get_window(surface_), windowStyle_.get(), buttonStyle_.get(), pango_.get(),
                          fonts_, active, Classic()};
  TWindowSurface frame(style, cr);
  painter_.Paint(frame, {clip.x, clip.y, clip.width, clip.height});
}

}  // namespace zel::gtk
