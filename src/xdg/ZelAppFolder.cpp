// The folder of the running executable, which the folder commands open from.
#include "ZelMainForm.h"
#include "core/AppFolder.h"
#include "qt/Application.h"

std::wstring GetAppFolder() { return zel::PosixAppFolderFromPath(zel::qt::ExecutablePath()); }
