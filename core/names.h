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

// Resources below the update base URL. A manifest is "/" + name + extension.
inline constexpr wchar_t kManifestName[] = L"manifest";
inline constexpr wchar_t kManifestHdName[] = L"manifest_hd";
inline constexpr wchar_t kJsonExtension[] = L".json";
inline constexpr wchar_t kSigExtension[] = L".sig";
inline constexpr wchar_t kFilesPath[] = L"/files/";  // + entry path with "/" between folders
inline constexpr wchar_t kLauncherManifestPath[] = L"/launcher_manifest.json";
inline constexpr wchar_t kLauncherSignaturePath[] = L"/launcher_manifest.sig";

// Below the site root.
inline constexpr wchar_t kUpdateBasePath[] = L"/launcher";  // default base URL = site root + this
inline constexpr wchar_t kNewsFeedPath[] = L"/updates-feed.json";
inline constexpr wchar_t kRegisterPagePath[] = L"/cadastro.html";
inline constexpr wchar_t kUpdatesPagePath[] = L"/updates.html";

// Game client command line: quoted exe path + " " + kLaunchTokenArg + token + kParentPidArg + pid.
inline constexpr wchar_t kLaunchTokenArg[] = L"--talvore-launch=";
inline constexpr wchar_t kParentPidArg[] = L" --tl-pai=";
// Named event that exists while the launcher runs: prefix + launcher process id.
inline constexpr wchar_t kAliveEventPrefix[] = L"TalvoreLauncherVivo_";
inline constexpr wchar_t kGameConfigFile[] = L"kaldrun.cfg";
inline constexpr wchar_t kGraphicsOptionsFile[] = L"talvore_graficos.ini";

// Update state files, one per content set, and the suffix of a download or a state file
// being written beside its final name.
inline constexpr wchar_t kStateFile[] = L"launcher_state.json";
inline constexpr wchar_t kStateFileHd[] = L"launcher_state_hd.json";
inline constexpr wchar_t kTempSuffix[] = L".tmp";

}  // namespace names
