// Handing a folder to the desktop's file manager and an address to the web
// browser. The file manager is asked over the session bus and the call waits for
// its answer, so the wait cursor covers it; with no file manager there (or no bus)
// the folder goes to xdg-open, as every address does.
#pragma once

#include <string_view>

namespace zel::gtk {

// Shows the folder (a full path) in the file manager.
void ShowFolder(std::wstring_view path);

// Opens an address in the web browser.
void OpenAddress(std::wstring_view address);

}  // namespace zel::gtk
