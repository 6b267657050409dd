// The shell's ShellExecuteW, loaded from the system folder at the first
// command: shell32 and what it brings along would otherwise cost every start
// time and memory that only a click needs.
#pragma once

#include <windows.h>

#include "win/Handles.h"
#include "win/ShellCall.h"

namespace zel::win {

class TShell {
 public:
  // Throws when the system's shell32 cannot be loaded.
  void Execute(HWND owner, const TShellCall& call);

 private:
  using TShellExecute = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
  TModule library_;
  TShellExecute execute_ = nullptr;
};

}  // namespace zel::win
