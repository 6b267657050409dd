#include "form/Form.h"

#include <string>

#include "core/Error.h"
#include "core/Layout.h"
#include "core/Utf8.h"
#include "picture/Jpeg.h"

namespace zel {

namespace {

template <typename Table>
auto FindByName(const Table& table, std::string_view name) -> decltype(&table[0]) {
  for (const auto& row : table) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

[[noreturn]] void RaiseMissing(std::string_view what, std::string_view name) {
  throw Error("EReadError", FromUtf8(std::string(what) + " " + std::string(name) + " not found"));
}

bool IsJpeg(std::span<const std::uint8_t> bytes) noexcept {
  return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

// The wait cursor for one scope, restored on every way out of it.
class TBusyCursor {
 public:
  explicit TBusyCursor(TFormPeer& peer) : peer_(peer) { peer_.SetBusyCursor(true); }
  ~TBusyCursor() { peer_.SetBusyCursor(false); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  TFormPeer& peer_;
};

}  // namespace

TComponent::TComponent(TForm& owner, const TComponentDecl& decl)
    : owner_(owner), decl_(decl), bounds_(decl.bounds), caption_(decl.caption), fontHeight_(decl.font.height) {}

void TComponent::SetCaption(std::wstring caption) {
  caption_ = std::move(caption);
  owner_.Invalidate(*this);
}

TPoint TComponent::PictureOrigin() const noexcept {
  if (!picture_ || decl_.fit == TPictureFit::TopLeft) return bounds_.TopLeft();
  const TPoint offset = CentreOffset(bounds_.Size(), picture_->size);
  return {bounds_.left + offset.x, bounds_.top + offset.y};
}

void TForm::Load(TFormPeer& peer) {
  peer_ = &peer;
  for (const TComponentDecl& decl : decl_.components) components_.push_back(MakeComponent(decl));

  // The text height decides the scale; measuring it needs the native window.
  const int pixelsPerInch = peer.PixelsPerInch();
  const int textHeight =
      peer.CreateNativeWindow(decl_.caption, decl_.font, ScaleWindowFontHeight(decl_.font.height, pixelsPerInch));
  ApplyScaling(pixelsPerInch, textHeight);
  if (!decl_.icon.empty()) peer.LoadWindowIcon(decl_.icon);

  std::vector<controls::TComponentBox> boxes;
  for (const auto& component : components_) {
    boxes.push_back({component->IsButton() ? controls::TComponentKind::Button : controls::TComponentKind::Picture,
                     component->Bounds()});
  }
  router_.emplace(std::move(boxes), static_cast<controls::TRouterHost&>(*this));
}

std::unique_ptr<TComponent> TForm::MakeComponent(const TComponentDecl& decl) {
  auto component = std::make_unique<TComponent>(*this, decl);
  if (decl.kind == TComponentClass::Picture) {
    TPicture picture;
    picture.bytes = peer_->ResourceBytes(decl.picture);
    picture.isJpeg = IsJpeg(picture.bytes);
    if (picture.isJpeg) {
      picture.size = picture::ReadJpegSize(picture.bytes);
    } else {
      picture.rgba = picture::DecodePng(picture.bytes);
      picture.size = {picture.rgba.width, picture.rgba.height};
    }
    component->SetPicture(std::move(picture));
  }
  if (!decl.onClick.empty()) {
    const TClickBinding* binding = FindByName(ClickHandlers(), decl.onClick);
    if (binding == nullptr) RaiseMissing("Method", decl.onClick);
    component->OnClick = [this, handler = binding->handler](TComponent& sender) { (this->*handler)(sender); };
  }
  if (const TFieldBinding* field = FindByName(Fields(), decl.name)) this->*(field->field) = component.get();
  return component;
}

void TForm::ApplyScaling(int pixelsPerInch, int textHeight) {
  const TScaledForm scaled = ScaleForm(decl_, pixelsPerInch, textHeight);
  for (std::size_t i = 0; i < components_.size(); ++i) {
    TComponent& component = *components_[i];
    component.SetBounds(AlignBounds(component.Decl(), scaled.bounds[i], scaled.client.width));
    if (component.IsButton()) component.SetFontHeight(scaled.fontHeights[i]);
  }
  peer_->SetClientSize(scaled.client);
}

void TForm::DoCreate() {
  if (decl_.onCreate.empty()) return;
  const TCreateBinding* binding = FindByName(CreateHandlers(), decl_.onCreate);
  if (binding == nullptr) RaiseMissing("Method", decl_.onCreate);
  (this->*(binding->handler))(*this);
}

void TForm::SetCaption(std::wstring_view caption) { Peer().SetCaption(caption); }

controls::TMouseRouter& TForm::Mouse() {
  if (!router_) throw Error("EInvalidOperation", L"The window has not been loaded");
  return *router_;
}

controls::TButtonLook TForm::Look(std::size_t index, bool themed) const {
  return router_ ? router_->Look(index, themed) : controls::TButtonLook::Normal;
}

void TForm::FollowClientWidth(int width) {
  for (std::size_t i = 0; i < components_.size(); ++i) {
    TComponent& component = *components_[i];
    if (component.Decl().align != TAlign::Top) continue;
    TRect bounds = component.Bounds();
    bounds.width = width;
    component.SetBounds(bounds);
    if (router_) router_->SetRect(i, bounds);
  }
}

void TForm::Invalidate(const TComponent& component) {
  if (peer_ != nullptr) peer_->Invalidate(component.Bounds());
}

void TForm::Execute(const TCommandRow& row, const std::function<std::wstring()>& appFolder) {
  TBusyCursor busy(Peer());
  if (row.target == TCommandTarget::FolderBesideProgram) {
    Peer().OpenFolder(appFolder() + std::wstring(row.folderName));
  } else {
    Peer().OpenAddress(kPurchaseAddress);
  }
}

TFormPeer& TForm::Peer() const {
  if (peer_ == nullptr) throw Error("EInvalidOperation", L"The window has not been loaded");
  return *peer_;
}

void TForm::CaptureMouse() { Peer().CaptureMouse(); }
void TForm::ReleaseMouse() { Peer().ReleaseMouse(); }
void TForm::TrackMouseLeave() { Peer().TrackMouseLeave(); }

void TForm::RepaintNow(std::size_t index) {
  Invalidate(*components_.at(index));
  Peer().Update();
}

void TForm::RequestRepaint(std::size_t index) { Invalidate(*components_.at(index)); }

void TForm::Click(std::size_t index) {
  TComponent& component = *components_.at(index);
  if (component.OnClick) component.OnClick(component);
}

}  // namespace zel
