#include "xdg/Shell.h"

#include "core/Utf8.h"
#include "xdg/Program.h"

namespace zel::xdg {

void OpenFolder(std::wstring_view path, TSessionBus& bus) {
  if (bus.ShowFolders(FolderUri(path))) return;
  XdgOpen(PathBytesFromWide(path));
}

void OpenAddress(std::wstring_view address) { XdgOpen(ToUtf8(std::wstring(address))); }

}  // namespace zel::xdg
