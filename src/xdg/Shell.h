// Handing a folder to the desktop's file manager and an address to the web
// browser. The file manager is asked over the session bus and the call waits for
// its answer, so the wait cursor covers it; with no file manager there (or no
// bus) the folder goes to xdg-open, as every address does. A folder's path goes
// on byte-exact, also where it is not UTF-8. Each toolkit gives the one bus call,
// through its own D-Bus library.
#pragma once

#include <string>
#include <string_view>

namespace zel::xdg {

// The file manager's service, object and interface on the session bus.
inline constexpr char kFileManager[] = "org.freedesktop.FileManager1";
inline constexpr char kFileManagerObject[] = "/org/freedesktop/FileManager1";
inline constexpr char kShowFolders[] = "ShowFolders";

class TSessionBus {
 public:
  // Calls kFileManager's ShowFolders([uri], "") and waits for the answer; false
  // where there is no session bus or nobody answered with a reply.
  virtual bool ShowFolders(const std::string& uri) = 0;

 protected:
  ~TSessionBus() = default;
};

// Shows the folder (a full path, as the program's wide text) in the file manager.
void OpenFolder(std::wstring_view path, TSessionBus& bus);

// Opens an address in the web browser.
void OpenAddress(std::wstring_view address);

}  // namespace zel::xdg
