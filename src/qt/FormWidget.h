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
#include "qt/Shell.h"
#include "qt/Surface.h"
#include "xdg/FormPeer.h"

namespace zel::qt {

class TApplication;

class TFormWidget final : public QWidget, public xdg::TFormPeerFrame<TApplication, TSessionBus> {
 public:
  // Loads the form's definition; the window stays hidden.
  TFormWidget(TApplication& application, std::unique_ptr<TForm> form);
  ~TFormWidget() override;

  // Shows the window for the first time, its frame centred in the primary screen's
  // free area.
  void ShowCentred();
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
  TFrameExtents FrameBeforeMapping();

  // TFormPeer
  int PixelsPerInch() override;
  int CreateNativeWindow(std::wstring_view caption, const TFontDecl& font, int fontHeight) override;
  void SetClientSize(TSize size) override;
  void LoadWindowIcon(std::wstring_view name) override;
  void SetCaption(std::wstring_view caption) override;
  void Invalidate(const TRect& area) override;
  void Update() override;
  void SetBusyCursor(bool busy) override;

  TFormPainter painter_;
  QRegion pending_;  // marked for the next paint
  bool busy_ = false;
};

}  // namespace zel::qt
