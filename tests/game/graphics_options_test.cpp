#include <gtest/gtest.h>

#include <windows.h>

#include "game/display_modes.h"
#include "game/graphics_options.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

std::wstring IniIn(const std::wstring& dir) { return dir + L"\\talvore_graficos.ini"; }
std::wstring CfgIn(const std::wstring& dir) { return dir + L"\\kaldrun.cfg"; }

struct Row {
  const char* hd[3];       // TexturasHD, CeuHD, Horizonte
  const char* terrain[3];  // Anisotropy, MipBiasTenths, AntiAliasing
  const char* enabled;
  const char* dx11[8];
};

// The file as the platform's profile functions lay it out after a preset was applied to a
// new file: sections in first-write order, "Modo" (and the marker) after the HD switches.
std::string PresetIni(const Row& r, const char* mode, bool marker) {
  static const char* const kDx11[] = {"LuzPorPixel", "LuzEmTudo",   "SombraPostes",
                                      "RaiosSol",    "AguaNova",    "ChaoMolhado",
                                      "ReflexoPocas", "Respingos"};
  std::string s = "[Graficos]\r\n";
  s += std::string("TexturasHD=") + r.hd[0] + "\r\nCeuHD=" + r.hd[1] + "\r\nHorizonte=" +
       r.hd[2] + "\r\nModo=" + mode + "\r\n";
  if (marker) s += "LauncherV15=1\r\n";
  s += std::string("[Terrain]\r\nAnisotropy=") + r.terrain[0] + "\r\nMipBiasTenths=" +
       r.terrain[1] + "\r\nAntiAliasing=" + r.terrain[2] + "\r\n";
  s += std::string("[PostLights]\r\nEnabled=") + r.enabled + "\r\n[DX11]\r\n";
  for (int i = 0; i < 8; ++i) s += std::string(kDx11[i]) + "=" + r.dx11[i] + "\r\n";
  return s;
}

const Row kMode0 = {{"0", "0", "0"}, {"2", "0", "0"}, "0", {"0", "0", "0", "0", "0", "0", "0", "0"}};
const Row kMode1 = {{"1", "0", "0"}, {"8", "-5", "2"}, "1", {"1", "1", "0", "0", "1", "1", "0", "1"}};
const Row kMode2 = {{"1", "1", "0"}, {"16", "-10", "4"}, "1", {"1", "1", "1", "1", "1", "1", "1", "1"}};
const Row kMode4 = {{"1", "1", "1"}, {"16", "-10", "8"}, "1", {"1", "1", "1", "1", "1", "1", "1", "1"}};

std::string Added(const std::string& key, const std::string& value) {
  return key + "\t\t\t\t\t" + value + "\r\n";
}

}  // namespace

TEST(GraphicsOptions, PresetsWriteTheirRows) {
  struct Case {
    int mode;
    const Row* row;
    const char* modeText;
  } cases[] = {{0, &kMode0, "0"}, {1, &kMode1, "1"}, {2, &kMode2, "2"}, {4, &kMode4, "4"}};
  for (const Case& c : cases) {
    const std::wstring dir = FreshDir(L"preset" + std::to_wstring(c.mode));
    ApplyGraphicsPreset(dir, c.mode);
    EXPECT_EQ(ReadBytesOr(IniIn(dir)), PresetIni(*c.row, c.modeText, false)) << c.mode;
  }
  // Over an existing file every key is updated where it is.
  const std::wstring dir = FreshDir(L"preset1then4");
  ApplyGraphicsPreset(dir, 1);
  ApplyGraphicsPreset(dir, 4);
  EXPECT_EQ(ReadBytesOr(IniIn(dir)), PresetIni(kMode4, "4", false));

  // The shadow-level column goes to the game configuration, not to this file.
  const int shadow[kPresetCount] = {1, 3, 4, 0, 5};
  for (int m = 0; m < kPresetCount; ++m) EXPECT_EQ(kGraphicsPresets[m][kShadowLevelColumn], shadow[m]);
  for (int v : kGraphicsPresets[3]) EXPECT_EQ(v, 0);
}

TEST(GraphicsOptions, UnappliableModesOnlyRecordTheMode) {
  for (int mode : {3, 7, -1}) {
    const std::wstring dir = FreshDir(L"mode" + std::to_wstring(mode + 10));
    ApplyGraphicsPreset(dir, mode);
    EXPECT_EQ(ReadBytesOr(IniIn(dir)), "[Graficos]\r\nModo=" + std::to_string(mode) + "\r\n");
  }
  const std::wstring dir = FreshDir(L"mode3over2");
  ApplyGraphicsPreset(dir, 2);
  ApplyGraphicsPreset(dir, 3);
  EXPECT_EQ(ReadBytesOr(IniIn(dir)), PresetIni(kMode2, "3", false));
}

TEST(GraphicsOptions, ReadGraphicsFlag) {
  const std::wstring dir = FreshDir(L"flags");
  EXPECT_EQ(ReadGraphicsFlag(dir, L"TexturasHD"), 0);
  ApplyGraphicsPreset(dir, 1);
  EXPECT_EQ(ReadGraphicsFlag(dir, L"TexturasHD"), 1);
  EXPECT_EQ(ReadGraphicsFlag(dir, L"CeuHD"), 0);
  EXPECT_EQ(ReadGraphicsFlag(dir, L"Anisotropy"), 0);  // another section
  ApplyGraphicsPreset(dir, 2);
  EXPECT_EQ(ReadGraphicsFlag(dir, L"CeuHD"), 1);
}

TEST(GraphicsOptions, FirstRunWithoutAnyFile) {
  const std::wstring dir = FreshDir(L"firstrun");
  PrepareGraphicsOptions(dir);
  EXPECT_EQ(ReadBytesOr(IniIn(dir)), PresetIni(kMode0, "0", true));
  const DisplayMode desktop = DefaultDisplayMode();
  EXPECT_EQ(ReadBytesOr(CfgIn(dir)),
            Added("WIDTH", std::to_string(desktop.width)) +
                Added("HEIGHT", std::to_string(desktop.height)) + Added("BPP", "32") +
                Added("FREQUENCY", "60") + Added("MUSIC_VOLUME", "1.000") +
                Added("VOICE_VOLUME", "100") + Added("GAMMA", "5") + Added("WINDOWED", "0") +
                Added("SHADOW_LEVEL", "1"));
}

TEST(GraphicsOptions, FirstRunKeepsTheConfiguredSize) {
  const std::wstring dir = FreshDir(L"firstrunwithcfg");
  ASSERT_TRUE(WriteBytes(CfgIn(dir), "WIDTH 1280\nHEIGHT 720\nSHADOW_LEVEL 4\n"));
  PrepareGraphicsOptions(dir);
  EXPECT_EQ(ReadBytesOr(IniIn(dir)), PresetIni(kMode0, "0", true));
  EXPECT_EQ(ReadBytesOr(CfgIn(dir)),
            "WIDTH 1280\r\nHEIGHT 720\r\nSHADOW_LEVEL 1\r\n" + Added("BPP", "32") +
                Added("FREQUENCY", "60") + Added("MUSIC_VOLUME", "1.000") +
                Added("VOICE_VOLUME", "100") + Added("GAMMA", "5") + Added("WINDOWED", "0"));
}

TEST(GraphicsOptions, OldFilesAreMarkedAndModeOneMovesDownOnce) {
  const std::string cfg = "WIDTH 1280\nHEIGHT 720\nSHADOW_LEVEL 3\nCUSTOM x\n";
  {
    const std::wstring dir = FreshDir(L"old1");
    ApplyGraphicsPreset(dir, 1);
    ASSERT_TRUE(WriteBytes(CfgIn(dir), cfg));
    PrepareGraphicsOptions(dir);
    EXPECT_EQ(ReadBytesOr(IniIn(dir)), PresetIni(kMode0, "0", true));
    EXPECT_EQ(ReadBytesOr(CfgIn(dir)),
              "WIDTH 1280\r\nHEIGHT 720\r\nSHADOW_LEVEL 1\r\nCUSTOM x\r\n" + Added("BPP", "32") +
                  Added("FREQUENCY", "60") + Added("MUSIC_VOLUME", "1.000") +
                  Added("VOICE_VOLUME", "100") + Added("GAMMA", "5") + Added("WINDOWED", "0"));
    // Marked now: a second run changes nothing, even after the player chose mode 1 again.
    ApplyGraphicsPreset(dir, 1);
    const std::string ini = ReadBytesOr(IniIn(dir));
    const std::string cfgAfter = ReadBytesOr(CfgIn(dir));
    PrepareGraphicsOptions(dir);
    EXPECT_EQ(ReadBytesOr(IniIn(dir)), ini);
    EXPECT_EQ(ReadBytesOr(CfgIn(dir)), cfgAfter);
  }
  struct Case {
    int mode;
    const Row* row;
    const char* modeText;
  } others[] = {{2, &kMode2, "2"}, {4, &kMode4, "4"}};
  for (const Case& c : others) {
    const std::wstring dir = FreshDir(L"old" + std::to_wstring(c.mode));
    ApplyGraphicsPreset(dir, c.mode);
    ASSERT_TRUE(WriteBytes(CfgIn(dir), cfg));
    PrepareGraphicsOptions(dir);
    EXPECT_EQ(ReadBytesOr(IniIn(dir)), PresetIni(*c.row, c.modeText, true)) << c.mode;
    EXPECT_EQ(ReadBytesOr(CfgIn(dir)), cfg) << c.mode;
  }
}

TEST(GraphicsOptions, MarkedFileIsLeftAlone) {
  const std::wstring dir = FreshDir(L"marked");
  ApplyGraphicsPreset(dir, 1);
  ASSERT_TRUE(WritePrivateProfileStringW(L"Graficos", L"LauncherV15", L"1", IniIn(dir).c_str()));
  const std::string before = ReadBytesOr(IniIn(dir));
  PrepareGraphicsOptions(dir);
  EXPECT_EQ(ReadBytesOr(IniIn(dir)), before);
  EXPECT_EQ(before, PresetIni(kMode1, "1", true));
  EXPECT_FALSE(FileExists(CfgIn(dir)));
}
