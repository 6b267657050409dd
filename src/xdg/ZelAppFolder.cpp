// The folder of the running executable, which the folder commands open from.
#include "ZelMainForm.h"
#include "core/AppFolder.h"
#include "xdg/Program.h"

std::wstring GetAppFolder() { return zel::PosixAppFolderFromPath(zel::xdg::ExecutablePath()); }
