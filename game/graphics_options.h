// The renderer options file ("talvore_graficos.ini"): five named presets, the first-run
// preparation and the switches that select the HD content packs. Accessed only through the
// platform's private-profile functions.
#pragma once

#include <string>

inline constexpr int kPresetCount = 5;
inline constexpr int kPresetColumns = 16;
inline constexpr int kPresetMenuCount = 4;
inline constexpr int kPostLightKeyCount = 8;
// Column of kGraphicsPresets that goes into the game configuration's "SHADOW_LEVEL".
inline constexpr int kShadowLevelColumn = 7;

// Written in this order, section "DX11".
inline constexpr const wchar_t* kPostLightKeys[kPostLightKeyCount] = {
    L"LuzPorPixel", L"LuzEmTudo", L"SombraPostes", L"RaiosSol",
    L"AguaNova",    L"ChaoMolhado", L"ReflexoPocas", L"Respingos"};

inline constexpr const wchar_t* kPresetNames[kPresetCount] = {
    L"M\u00EDnimo (original)", L"M\u00E9dio (texturas HD)", L"Alto", L"Personalizado",
    L"M\u00E1ximo (tudo HD)"};

inline constexpr const wchar_t* kPresetDescriptions[kPresetCount] = {
    L"Visual original, o mais leve.", L"Texturas HD e luz nova (baixa \u00E0 parte).",
    L"HD, c\u00E9u novo, sol e reflexos.", L"Ajustado por voc\u00EA dentro do jogo.",
    L"Tudo no m\u00E1ximo, para PC forte."};

// Columns: TexturasHD, CeuHD, Horizonte, Anisotropy, MipBiasTenths, AntiAliasing, PostLights
// Enabled, shadow level, then the kPostLightKeys switches. Mode 3 stands for settings made
// inside the game and is never applied.
inline constexpr int kGraphicsPresets[kPresetCount][kPresetColumns] = {
    {0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0},
    {1, 0, 0, 8, -5, 2, 1, 3, 1, 1, 0, 0, 1, 1, 0, 1},
    {1, 1, 0, 16, -10, 4, 1, 4, 1, 1, 1, 1, 1, 1, 1, 1},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {1, 1, 1, 16, -10, 8, 1, 5, 1, 1, 1, 1, 1, 1, 1, 1},
};

// Presets the player can choose, in menu order.
inline constexpr int kPresetMenu[kPresetMenuCount] = {0, 1, 2, 4};

// "Graficos" key of dir + "\talvore_graficos.ini", 0 when missing.
int ReadGraphicsFlag(const std::wstring& dir, const wchar_t* key);
// Signed decimal; the result of the platform call is not used.
void WriteIniInt(const wchar_t* section, const wchar_t* key, int value, const std::wstring& path);
// Writes the preset's values for modes 0, 1, 2 and 4, and "Modo" = mode in every case.
void ApplyGraphicsPreset(const std::wstring& dir, int mode);
// First-run preparation and one-time migration of dir's options file and game configuration.
void PrepareGraphicsOptions(const std::wstring& dir);
