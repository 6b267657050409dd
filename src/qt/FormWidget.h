// The Qt window behind a form: one top-level widget of fixed size that measures
// the form's text, composes each paint off screen, turns mouse events into the
// form's mouse input and hands the commands to the desktop.
#pragma once

#include <QRegion>
#include <QWidget>
#include <memory>

#include "core/Layout.h"
#include "form/Form.h"
#include "form/Painter.h"
#include "qt/Surface.h"

namespace zel::qt {

class TApplication;

class TFormWidget final : public QWidget, private TFormPeer {
 public:
  // Loads the form's definition; the window stays hidden.
  TFormWidget(TApplication& application, std::unique_ptr<TForm> form);
  ~TFormWidget() override;

  TForm& Form() const noexcept { return *form_; }
  // Shows the window for the first time, its frame centred in the primary screen's
  // free area.
  void ShowCentred();
  // Ends a held press as a release outside its button (the press was cancelled).
  void CancelPress();
  // A screen reader pressed one of the form's accessible objects: runs what a
  // click runs, from the event loop, unless a modal box blocks the window now.
  void PressAccessible(std::size_t item);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // Runs one event's work; what it raises is reported and the loop goes on.
  template <typename Work>
  void Guarded(Work&& work) noexcept;
  TFrameExtents FrameBeforeMapping();

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

  TApplication& application_;
  std::unique_ptr<TForm> form_;
  TFormPainter painter_;
  QRegion pending_;  // marked for the next paint
  bool busy_ = false;
};

}  // namespace zel::qt
