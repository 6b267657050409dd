// The GTK window behind a form: one top-level window of fixed size holding one
// drawing surface, which measures the form's text, draws the components into
// GDK's buffer for each frame, turns pointer events into the form's mouse input
// and hands the commands to the desktop.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "core/Layout.h"
#include "form/Form.h"
#include "form/Painter.h"
#include "gtk/Fonts.h"
#include "gtk/Handles.h"
#include "gtk/Shell.h"
#include "xdg/FormPeer.h"

namespace zel::gtk {

class TApplication;

// The form's drawing surface is a widget class of its own ("ZelFormSurface", a
// drawing area), so that what it offers beyond drawing (such as an accessible
// object for the components drawn on it) hangs on that class. The form it shows:
TForm* FormOfSurface(GtkWidget* surface) noexcept;

class TFormWindow final : public xdg::TFormPeerFrame<TApplication, TSessionBus> {
 public:
  // Loads the form's definition; the window stays hidden.
  TFormWindow(TApplication& application, std::unique_ptr<TForm> form);
  TFormWindow(const TFormWindow&) = delete;
  TFormWindow& operator=(const TFormWindow&) = delete;

  GtkWindow* Window() const noexcept;
  GtkWidget* Surface() const noexcept { return surface_; }
  // Shows the window for the first time, its frame centred in the primary
  // monitor's work area, with the title-bar boxes of a fixed dialog-like window.
  void ShowCentred();
  // A screen reader pressed one of the form's accessible objects: runs what a
  // click runs, from the main loop, unless a modal box holds the grab now.
  void PressAccessible(std::size_t item);

 private:
  void Paint(cairo_t* cr);
  bool Classic() const;
  // The arrow, or the wait cursor while a command runs.
  GdkCursor* CursorNow();
  void ConnectSignals();
  std::optional<TRect> PrimaryWorkArea() const;
  void SetTitleBarBoxes();
  TFrameExtents FrameBeforeMapping() const;

  // TFormPeer
  int PixelsPerInch() override;
  int CreateNativeWindow(std::wstring_view caption, const TFontDecl& font, int fontHeight) override;
  void SetClientSize(TSize size) override;
  void LoadWindowIcon(std::wstring_view name) override;
  void SetCaption(std::wstring_view caption) override;
  void Invalidate(const TRect& area) override;
  void Update() override;
  void SetBusyCursor(bool busy) override;

  // Released in the reverse order: the painter's fonts and pictures, then the
  // window, then what it was drawn with; the form (the frame's) outlives them all.
  TObject<GdkCursor> wait_;
  TObject<GdkCursor> arrow_;
  // The styles the window's background and a push button are drawn in.
  TObject<GtkStyleContext> windowStyle_;
  TObject<GtkStyleContext> buttonStyle_;
  TObject<PangoContext> pango_;
  TTopLevel window_;
  GtkWidget* surface_ = nullptr;  // the window's child, gone with it
  const TFonts* fonts_ = nullptr;  // the application's, from the window's making
  TFormPainter painter_{*form_};
  bool busy_ = false;
};

}  // namespace zel::gtk
