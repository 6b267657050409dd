#include "win/Shell.h"

#include "core/Error.h"
#include "win/SystemLibrary.h"

namespace zel::win {

void TShell::Execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, int show) {
  if (execute_ == nullptr) {
    library_ = LoadSystemLibrary(L"shell32.dll");
    if (library_) {
      execute_ = reinterpret_cast<TShellExecute>(
          reinterpret_cast<void*>(::GetProcAddress(library_.Get(), "ShellExecuteW")));
    }
    if (execute_ == nullptr) {
      library_.Reset();
      throw Error("EOSError", L"The system's shell32.dll could not be loaded");
    }
  }
  execute_(owner, verb, file, parameters, nullptr, show);
}

}  // namespace zel::win
