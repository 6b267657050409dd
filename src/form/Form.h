// A window declared as data, without the platform: its components with their
// places, captions, fonts and pictures, the handlers bound to them by name, the
// mouse routing among them, and the wait-cursor bracket around a command. The
// native window behind it is a TFormPeer, one per platform, which only
// translates: it makes the window, measures and draws, and feeds the form its
// mouse input in client coordinates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "controls/MouseRouter.h"
#include "core/Commands.h"
#include "form/FormDefinition.h"
#include "core/Geometry.h"
#include "picture/Png.h"

namespace zel {

class TForm;

// A picture as the window definition carries it: a JPEG's size comes from its
// header at load and its pixels are decoded by the platform at the first
// drawing; a PNG is decoded completely at load.
struct TPicture {
  std::span<const std::uint8_t> bytes;  // stored in the program, alive as long as it
  bool isJpeg = false;
  TSize size;
  picture::TRgbaImage rgba;  // PNG only
};

// The platform window behind a form.
class TFormPeer {
 public:
  // ---- Loading
  // The stored bytes of a picture or icon the definition names (throws EResNotFound).
  virtual std::span<const std::uint8_t> ResourceBytes(std::wstring_view name) = 0;
  // The display's logical pixels per inch.
  virtual int PixelsPerInch() = 0;
  // Creates the hidden native window with its declared caption and the window
  // font at fontHeight pixels; returns the height of the text "0" in that font.
  virtual int CreateNativeWindow(std::wstring_view caption, const TFontDecl& font, int fontHeight) = 0;
  virtual void SetClientSize(TSize size) = 0;
  // The window's own icon, from the icon set the definition names.
  virtual void LoadWindowIcon(std::wstring_view name) = 0;

  // ---- Running
  virtual void SetCaption(std::wstring_view caption) = 0;
  virtual void CaptureMouse() = 0;
  virtual void ReleaseMouse() = 0;
  // Asks for one notice when the pointer leaves the client area.
  virtual void TrackMouseLeave() = 0;
  // Marks an area to be drawn at the next paint; Update paints what is marked now.
  virtual void Invalidate(const TRect& area) = 0;
  virtual void Update() = 0;
  // The application-wide wait cursor, and its restore.
  virtual void SetBusyCursor(bool busy) = 0;
  // Shows a folder (its full path) in the system's file browser.
  virtual void OpenFolder(std::wstring_view path) = 0;
  // Opens an address in the web browser.
  virtual void OpenAddress(std::wstring_view address) = 0;

 protected:
  ~TFormPeer() = default;
};

class TComponent {
 public:
  TComponent(TForm& owner, const TComponentDecl& decl);
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const TComponentDecl& Decl() const noexcept { return decl_; }
  std::string_view Name() const noexcept { return decl_.name; }
  bool IsButton() const noexcept { return decl_.kind == TComponentClass::CommandButton; }
  const TRect& Bounds() const noexcept { return bounds_; }
  void SetBounds(const TRect& bounds) noexcept { bounds_ = bounds; }

  // Command buttons.
  const std::wstring& Caption() const noexcept { return caption_; }
  void SetCaption(std::wstring caption);
  // The button font's height in pixels, after scaling.
  int FontHeight() const noexcept { return fontHeight_; }
  void SetFontHeight(int pixels) noexcept { fontHeight_ = pixels; }
  bool ImageRight() const noexcept { return decl_.layout == TCaptionLayout::ImageRight; }
  std::function<void(TComponent& sender)> OnClick;

  // Picture boxes.
  const std::optional<TPicture>& Picture() const noexcept { return picture_; }
  void SetPicture(TPicture picture) { picture_ = std::move(picture); }
  // Where the picture's top-left corner lands in the window.
  TPoint PictureOrigin() const noexcept;

 private:
  TForm& owner_;
  const TComponentDecl& decl_;
  TRect bounds_;
  std::wstring caption_;
  int fontHeight_ = 0;
  std::optional<TPicture> picture_;
};

class TForm : private controls::TRouterHost {
 public:
  explicit TForm(const TFormDecl& decl) noexcept : decl_(decl) {}
  virtual ~TForm() = default;
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  const TFormDecl& Decl() const noexcept { return decl_; }

  // Binding tables: what a definition may name, and the form's member it means.
  using TClickHandler = void (TForm::*)(TComponent& sender);
  using TCreateHandler = void (TForm::*)(TForm& sender);
  struct TClickBinding {
    std::string_view name;
    TClickHandler handler;
  };
  struct TCreateBinding {
    std::string_view name;
    TCreateHandler handler;
  };
  struct TFieldBinding {
    std::string_view name;
    TComponent* TForm::*field;
  };

  // Reads the definition through the peer: the window's own properties, then the
  // components in declared order with their pictures and handlers, then the
  // native window, the text height and the scaling, then the icon.
  void Load(TFormPeer& peer);
  // Runs the creation handler the definition names.
  void DoCreate();

  std::span<const std::unique_ptr<TComponent>> Components() const noexcept { return components_; }
  void SetCaption(std::wstring_view caption);

  // Mouse input from the native window, in client coordinates.
  controls::TMouseRouter& Mouse();
  // How a component is to be drawn now; themed: the platform's styles are on.
  controls::TButtonLook Look(std::size_t index, bool themed) const;
  // The client area's width changed (the window was maximized or restored):
  // top-aligned components follow it.
  void FollowClientWidth(int width);

  // Asks for a component to be drawn again at the next paint.
  void Invalidate(const TComponent& component);

 protected:
  // The handlers and fields a form offers to its definition, by name.
  virtual std::span<const TClickBinding> ClickHandlers() const noexcept = 0;
  virtual std::span<const TCreateBinding> CreateHandlers() const noexcept = 0;
  virtual std::span<const TFieldBinding> Fields() const noexcept = 0;

  // Runs one command under the wait cursor, which is restored on every way out:
  // the folder beside the program (appFolder is asked only for a folder) or the
  // purchase page.
  void Execute(const TCommandRow& row, const std::function<std::wstring()>& appFolder);
  TFormPeer& Peer() const;

 private:
  // TRouterHost
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void TrackMouseLeave() override;
  void RepaintNow(std::size_t index) override;
  void RequestRepaint(std::size_t index) override;
  void Click(std::size_t index) override;

  std::unique_ptr<TComponent> MakeComponent(const TComponentDecl& decl);
  void ApplyScaling(int pixelsPerInch, int textHeight);

  const TFormDecl& decl_;
  TFormPeer* peer_ = nullptr;
  std::vector<std::unique_ptr<TComponent>> components_;
  std::optional<controls::TMouseRouter> router_;
};

// Binding tables hold members of the form's own class as members of TForm.
template <typename Form>
inline auto AsFormHandler(void (Form::*handler)(TComponent&)) noexcept {
  return static_cast<void (TForm::*)(TComponent&)>(handler);
}
template <typename Form>
inline auto AsFormHandler(void (Form::*handler)(TForm&)) noexcept {
  return static_cast<void (TForm::*)(TForm&)>(handler);
}
template <typename Form>
inline auto AsFormField(TComponent* Form::*field) noexcept {
  return static_cast<TComponent* TForm::*>(field);
}

}  // namespace zel
