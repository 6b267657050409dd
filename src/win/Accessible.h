// The window's answer to screen readers: an accessible object for its client
// area whose children are the form's objects (the buttons first), made when a
// client first asks. The accessibility library is loaded then, from the system
// folder only, so a program nobody asks pays nothing for it.
#pragma once

#include <windows.h>

#include <memory>

#include "form/Accessible.h"
#include "win/Handles.h"

namespace zel::win {

// Posted by a client's default action; wParam is the object pressed, which runs
// from the message loop after the client's call has returned, as a click does.
inline constexpr UINT kAccessiblePress = WM_APP + 0x5A;

class TClientAccessible;

class TAccessibleServer {
 public:
  TAccessibleServer(HWND window, TForm& form);
  // Disconnects the object: a client still holding it gets errors, never a call
  // into a form that is gone.
  ~TAccessibleServer();
  TAccessibleServer(const TAccessibleServer&) = delete;
  TAccessibleServer& operator=(const TAccessibleServer&) = delete;

  // WM_GETOBJECT for the client area; 0 when there is nothing of ours to give.
  LRESULT Answer(WPARAM wParam);
  // kAccessiblePress: runs only if the window takes input now.
  void Press(WPARAM item);
  // The window was enabled or disabled, minimized or restored: clients listening
  // hear that its objects' states changed.
  void StatesChanged() const;

 private:
  HWND window_;
  TModule oleacc_;
  TModule oleaut_;
  TFormAccessible description_;
  TClientAccessible* object_ = nullptr;  // one reference of ours
};

}  // namespace zel::win
