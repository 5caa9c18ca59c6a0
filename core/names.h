// Names shared with the server and the game client, fixed in one place.
#pragma once

#include "deployment.h"

namespace names {

// Install folder and files of the launcher itself.
inline constexpr wchar_t kInstallFolder[] = L"Talvore";
inline constexpr wchar_t kInstalledExe[] = L"TalvoreLauncher.exe";
inline constexpr wchar_t kLauncherConfig[] = L"launcher.cfg";

// The game client.
inline constexpr wchar_t kGameClientExe[] = L"kaldrunclient.exe";

}  // namespace names
