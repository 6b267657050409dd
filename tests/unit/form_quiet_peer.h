// A form's platform window that does nothing, for the tests of the form floor: a
// window at 96 dpi whose text measures as designed. Each test overrides what it
// watches or needs, and gives the resources.
#pragma once

#include "core/Layout.h"
#include "form/Form.h"

namespace zel::test {

class TQuietPeer : public TFormPeer {
 public:
  int PixelsPerInch() override { return kDesignPixelsPerInch; }
  int CreateNativeWindow(std::wstring_view, const TFontDecl&, int) override { return kDesignTextHeight; }
  void SetClientSize(TSize) override {}
  void LoadWindowIcon(std::wstring_view) override {}
  void SetCaption(std::wstring_view) override {}
  void CaptureMouse() override {}
  void ReleaseMouse() override {}
  void TrackMouseLeave() override {}
  void Invalidate(const TRect&) override {}
  void Update() override {}
  void SetBusyCursor(bool) override {}
  void OpenFolder(std::wstring_view) override {}
  void OpenAddress(std::wstring_view) override {}
};

}  // namespace zel::test
