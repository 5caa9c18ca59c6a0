#include "game/graphics_options.h"

#include <windows.h>

#include "core/names.h"
#include "game/display_modes.h"
#include "game/game_config.h"

namespace {

std::wstring IniPath(const std::wstring& dir) {
  return dir + L"\\" + names::kGraphicsOptionsFile;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Mode 0's shadow level into the game configuration, size left as the caller set it.
void WriteShadowLevel(const std::wstring& cfg, GameConfig config) {
  config.shadowLevel = kGraphicsPresets[0][kShadowLevelColumn];
  WriteGameConfig(cfg, config);
}

}  // namespace

int ReadGraphicsFlag(const std::wstring& dir, const wchar_t* key) {
  return static_cast<int>(GetPrivateProfileIntW(L"Graficos", key, 0, IniPath(dir).c_str()));
}

void WriteIniInt(const wchar_t* section, const wchar_t* key, int value, const std::wstring& path) {
  WritePrivateProfileStringW(section, key, std::to_wstring(value).c_str(), path.c_str());
}

void ApplyGraphicsPreset(const std::wstring& dir, int mode) {
  const std::wstring path = IniPath(dir);
  const unsigned index = static_cast<unsigned>(mode);
  if (index < kPresetCount && index != 3) {
    const int* row = kGraphicsPresets[index];
    WriteIniInt(L"Graficos", L"TexturasHD", row[0], path);
    WriteIniInt(L"Graficos", L"CeuHD", row[1], path);
    WriteIniInt(L"Graficos", L"Horizonte", row[2], path);
    WriteIniInt(L"Terrain", L"Anisotropy", row[3], path);
    WriteIniInt(L"Terrain", L"MipBiasTenths", row[4], path);
    WriteIniInt(L"Terrain", L"AntiAliasing", row[5], path);
    WriteIniInt(L"PostLights", L"Enabled", row[6], path);
    for (int i = 0; i < kPostLightKeyCount; ++i) {
      WriteIniInt(L"DX11", kPostLightKeys[i], row[kShadowLevelColumn + 1 + i], path);
    }
  }
  WriteIniInt(L"Graficos", L"Modo", mode, path);
}

void PrepareGraphicsOptions(const std::wstring& dir) {
  const std::wstring ini = IniPath(dir);
  const std::wstring cfg = dir + L"\\" + names::kGameConfigFile;
  if (!FileExists(ini)) {
    ApplyGraphicsPreset(dir, 0);
    WritePrivateProfileStringW(L"Graficos", L"LauncherV15", L"1", ini.c_str());
    const bool hadConfig = FileExists(cfg);
    GameConfig config = ReadGameConfig(cfg);
    if (!hadConfig) {
      const DisplayMode desktop = DefaultDisplayMode();
      config.width = desktop.width;
      config.height = desktop.height;
    }
    WriteShadowLevel(cfg, config);
    return;
  }
  if (GetPrivateProfileIntW(L"Graficos", L"LauncherV15", 0, ini.c_str()) != 0) return;

  // A file from before the marker: players who were on mode 1 there move down to mode 0 once.
  WritePrivateProfileStringW(L"Graficos", L"LauncherV15", L"1", ini.c_str());
  if (GetPrivateProfileIntW(L"Graficos", L"Modo", 0, ini.c_str()) == 1) {
    ApplyGraphicsPreset(dir, 0);
    WriteShadowLevel(cfg, ReadGameConfig(cfg));
  }
}
