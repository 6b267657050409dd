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

namespace zel::gtk {

class TApplication;

// The form's drawing surface is a widget class of its own ("ZelFormSurface", a
// drawing area), so that what it offers beyond drawing (such as an accessible
// object for the components drawn on it) hangs on that class. The form it shows:
TForm* FormOfSurface(GtkWidget* surface) noexcept;

class TFormWindow final : private TFormPeer {
 public:
  // Loads the form's definition; the window stays hidden.
  TFormWindow(TApplication& application, std::unique_ptr<TForm> form);
  TFormWindow(const TFormWindow&) = delete;
  TFormWindow& operator=(const TFormWindow&) = delete;

  TForm& Form() const noexcept { return *form_; }
  GtkWindow* Window() const noexcept;
  GtkWidget* Surface() const noexcept { return surface_; }
  // Shows the window for the first time, its frame centred in the primary
  // monitor's work area, with the title-bar boxes of a fixed dialog-like window.
  void ShowCentred();
  // Ends a held press as a release outside its button (the press was cancelled).
  void CancelPress();
  // A screen reader pressed one of the form's accessible objects: runs what a
  // click runs, from the main loop, unless a modal box holds the grab now.
  void PressAccessible(std::size_t item);

 private:
  // Runs one event's work; what it raises is reported and the loop goes on.
  template <typename Work>
  void Guarded(Work&& work) noexcept;
  void Paint(cairo_t* cr);
  bool Classic() const;
  // The arrow, or the wait cursor while a command runs.
  GdkCursor* CursorNow();
  void ConnectSignals();
  std::optional<TRect> PrimaryWorkArea() const;
  void SetTitleBarBoxes();
  TFrameExtents FrameBeforeMapping() const;

  // TFormPeer
  std::span<const std::uint8_t> ResourceBytes(std::wstring_view name) override;
  int PixelsPerInch() override;
  int CreateNativeWindow(std::wstring_view caption, const TFontDecl& font, int fontHeight) override;
  void SetClientSize(TSize size) override;
  void LoadWindowIcon(std::wstring_view name) override;
  void SetCaption(std::wstring_view caption) override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void TrackMouseLeave() override;
  void Invalidate(const TRect& area) override;
  void Update() override;
  void SetBusyCursor(bool busy) override;
  void OpenFolder(std::wstring_view path) override;
  void OpenAddress(std::wstring_view address) override;

  // Released in the reverse order: the painter's fonts and pictures, then the
  // window, then what it was drawn with; the form outlives them all.
  TApplication& application_;
  std::unique_ptr<TForm> form_;
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
