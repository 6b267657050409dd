#include "win/Shell.h"

#include "core/Error.h"
#include "win/SystemLibrary.h"

namespace zel::win {

static_assert(kShowNormal == SW_SHOWNORMAL);

void TShell::Execute(HWND owner, const TShellCall& call) {
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
  execute_(owner, call.verb.c_str(), call.file.c_str(), call.parameters.empty() ? nullptr : call.parameters.c_str(),
           nullptr, call.show);
}

}  // namespace zel::win
