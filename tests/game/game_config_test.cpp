#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <functional>
#include <locale.h>

#include "core/handles.h"
#include "game/game_config.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// A line the launcher appends for a missing key.
std::string Added(const std::string& key, const std::string& value) {
  return key + "\t\t\t\t\t" + value + "\r\n";
}

// The lines appended for every key the file lacks, with the defaults, in the written order.
std::string AddedMissing(std::initializer_list<std::string> present) {
  static const char* const kKeys[][2] = {
      {"WIDTH", "1920"},   {"HEIGHT", "1080"},         {"BPP", "32"},
      {"FREQUENCY", "60"}, {"MUSIC_VOLUME", "1.000"}, {"VOICE_VOLUME", "100"},
      {"GAMMA", "5"},      {"WINDOWED", "0"}};
  std::string out;
  for (const auto& k : kKeys) {
    bool found = false;
    for (const std::string& p : present) found = found || p == k[0];
    if (!found) out += Added(k[0], k[1]);
  }
  return out;
}

std::wstring CfgIn(const std::wstring& dir) { return dir + L"\\kaldrun.cfg"; }

}  // namespace

TEST(GameConfig, MissingFileReadsDefaultsAndWritesTheAppendedForm) {
  const std::wstring dir = FreshDir(L"missing");
  const GameConfig c = ReadGameConfig(CfgIn(dir));
  EXPECT_EQ(c.width, 1920);
  EXPECT_EQ(c.height, 1080);
  EXPECT_EQ(c.bpp, 32);
  EXPECT_EQ(c.frequency, 60);
  EXPECT_FLOAT_EQ(c.musicVolume, 1.0f);
  EXPECT_EQ(c.voiceVolume, 100);
  EXPECT_EQ(c.gamma, 5);
  EXPECT_FALSE(c.windowed);
  EXPECT_EQ(c.shadowLevel, -1);

  ASSERT_TRUE(WriteGameConfig(CfgIn(dir), c));
  EXPECT_EQ(ReadBytesOr(CfgIn(dir)), AddedMissing({}));

  const std::wstring dir9 = FreshDir(L"missing9");
  GameConfig shadow;
  shadow.shadowLevel = 0;
  ASSERT_TRUE(WriteGameConfig(CfgIn(dir9), shadow));
  EXPECT_EQ(ReadBytesOr(CfgIn(dir9)), AddedMissing({}) + Added("SHADOW_LEVEL", "0"));
}

// Read an existing file, change the record, write it back: the exact bytes on disk.
TEST(GameConfig, RewriteKeepsEverythingButTheValues) {
  struct Case {
    const char* what;
    std::string input;
    std::function<void(GameConfig&)> check;  // asserts on what was read, then edits it
    std::string expected;
  } cases[] = {
      {"indentation and separator stay, trailing spaces go",
       "WIDTH 1280\r\n",
       [](GameConfig& c) {
         EXPECT_EQ(c.width, 1280);
         c.width = 1024;
       },
       "WIDTH 1024\r\n" + AddedMissing({"WIDTH"})},
      {"tabs and trailing spaces",
       "   WIDTH\t\t1280  \n",
       [](GameConfig& c) {
         EXPECT_EQ(c.width, 1280);
         c.width = 1024;
       },
       "   WIDTH\t\t1024\r\n" + AddedMissing({"WIDTH"})},
      {"lower-case key is another key",
       "width 1280\n",
       [](GameConfig& c) { EXPECT_EQ(c.width, 1920); },
       "width 1280\r\n" + AddedMissing({})},
      {"key glued to its value is no key",
       "WIDTH=1280\n",
       [](GameConfig& c) { EXPECT_EQ(c.width, 1920); },
       "WIDTH=1280\r\n" + AddedMissing({})},
      {"only the first of two lines counts",
       "WIDTH 1280\nWIDTH 800\n",
       [](GameConfig& c) {
         EXPECT_EQ(c.width, 1280);
         c.width = 1600;
       },
       "WIDTH 1600\r\nWIDTH 800\r\n" + AddedMissing({"WIDTH"})},
      {"unparsable music volume",
       "MUSIC_VOLUME abc\n",
       [](GameConfig& c) { EXPECT_FLOAT_EQ(c.musicVolume, 1.0f); },
       "MUSIC_VOLUME 1.000\r\n" + AddedMissing({"MUSIC_VOLUME"})},
      {"three decimals",
       "MUSIC_VOLUME 0.754\nVOICE_VOLUME\t40\n",
       [](GameConfig& c) {
         EXPECT_FLOAT_EQ(c.musicVolume, 0.754f);
         EXPECT_EQ(c.voiceVolume, 40);
         c.musicVolume = 75 / 100.0f;
       },
       "MUSIC_VOLUME 0.750\r\nVOICE_VOLUME\t40\r\n" +
           AddedMissing({"MUSIC_VOLUME", "VOICE_VOLUME"})},
      {"decimal comma stops the number",
       "MUSIC_VOLUME 0,5\n",
       [](GameConfig& c) { EXPECT_FLOAT_EQ(c.musicVolume, 0.0f); },
       "MUSIC_VOLUME 0.000\r\n" + AddedMissing({"MUSIC_VOLUME"})},
      {"windowed only for exactly 1",
       "WINDOWED 2\n",
       [](GameConfig& c) { EXPECT_FALSE(c.windowed); },
       "WINDOWED 0\r\n" + AddedMissing({"WINDOWED"})},
      {"windowed 1",
       "WINDOWED 1\n",
       [](GameConfig& c) { EXPECT_TRUE(c.windowed); },
       "WINDOWED 1\r\n" + AddedMissing({"WINDOWED"})},
      {"shadow level out of range leaves the line",
       "SHADOW_LEVEL 2\n",
       [](GameConfig& c) {
         EXPECT_EQ(c.shadowLevel, 2);
         c.shadowLevel = 9;
       },
       "SHADOW_LEVEL 2\r\n" + AddedMissing({})},
      {"shadow level in range",
       "SHADOW_LEVEL 2\n",
       [](GameConfig& c) { c.shadowLevel = 5; },
       "SHADOW_LEVEL 5\r\n" + AddedMissing({})},
      {"appended keys go before trailing blank lines",
       "GAMMA 7\n\n  \n",
       [](GameConfig& c) { EXPECT_EQ(c.gamma, 7); },
       "GAMMA 7\r\n" + AddedMissing({"GAMMA"}) + "\r\n  \r\n"},
      {"a file of blank lines gets the keys first",
       "\n\t\n",
       [](GameConfig&) {},
       AddedMissing({}) + "\r\n\t\r\n"},
      {"unknown keys, comments and blank lines stay in place",
       "# configura\xE7\xE3o do jogo\r\nWIDTH 800\r\n\r\nKEYMAP a b  c\r\nHEIGHT 600\r\n"
       "; fim\r\n",
       [](GameConfig& c) {
         EXPECT_EQ(c.height, 600);
         c.width = 1366;
         c.height = 768;
       },
       "# configura\xE7\xE3o do jogo\r\nWIDTH 1366\r\n\r\nKEYMAP a b  c\r\nHEIGHT 768\r\n; fim\r\n" +
           AddedMissing({"WIDTH", "HEIGHT"})},
      {"LF, CR LF and no final line end read alike",
       "BPP 16\nFREQUENCY 75\r\nGAMMA 3",
       [](GameConfig& c) {
         EXPECT_EQ(c.bpp, 16);
         EXPECT_EQ(c.frequency, 75);
         EXPECT_EQ(c.gamma, 3);
       },
       "BPP 16\r\nFREQUENCY 75\r\nGAMMA 3\r\n" + AddedMissing({"BPP", "FREQUENCY", "GAMMA"})},
  };
  int n = 0;
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring dir = FreshDir(L"rewrite" + std::to_wstring(n++));
    ASSERT_TRUE(WriteBytes(CfgIn(dir), c.input));
    GameConfig config = ReadGameConfig(CfgIn(dir));
    c.check(config);
    ASSERT_TRUE(WriteGameConfig(CfgIn(dir), config));
    EXPECT_EQ(ReadBytesOr(CfgIn(dir)), c.expected);
    EXPECT_FALSE(FileExists(CfgIn(dir) + L".tmp"));
  }
}

TEST(GameConfig, ParsingNumbers) {
  struct IntCase {
    const char* text;
    int expected;
  } ints[] = {{"", -7},          {"60Hz", 60},         {"-5", -5},          {"+12", 12},
              {"abc", -7},       {"2147483647", 2147483647}, {"2147483648", -7},
              {"-2147483649", -7}, {"99999999999999999999", -7}, {"0x10", 0}};
  for (const IntCase& c : ints) EXPECT_EQ(ParseIntOr(c.text, -7), c.expected) << c.text;

  struct FloatCase {
    const char* text;
    float expected;
  } floats[] = {{"", 2.0f},     {"0.5", 0.5f},   {"0,5", 0.0f},  {".25x", 0.25f},
                {"-1e-1", -0.1f}, {"abc", 2.0f}, {"1e39", 2.0f}, {"1e400", 2.0f}};
  for (const FloatCase& c : floats) EXPECT_FLOAT_EQ(ParseFloatOr(c.text, 2.0f), c.expected) << c.text;
}

TEST(GameConfig, GetAndSetOnLines) {
  std::vector<std::string> lines = {"  GAMMA\t 7 \t", "", "GAMMAX 1", "GAMMA 2"};
  EXPECT_EQ(GetConfigValue(lines, "GAMMA"), "7");
  EXPECT_EQ(GetConfigValue(lines, "GAMMAX"), "1");
  EXPECT_EQ(GetConfigValue(lines, "BPP"), "");
  SetConfigValue(lines, "GAMMA", "9");
  SetConfigValue(lines, "BPP", "32");
  EXPECT_EQ(lines, (std::vector<std::string>{"  GAMMA\t 9", "", "GAMMAX 1", "GAMMA 2",
                                             "BPP\t\t\t\t\t32"}));
  std::vector<std::string> empty;
  SetConfigValue(empty, "BPP", "16");
  EXPECT_EQ(empty, std::vector<std::string>{"BPP\t\t\t\t\t16"});
  // Found by fuzzing: a key with nothing after it took the value into the key ("BPP32"), so
  // the setting was lost and a second BPP line was added on the next save.
  std::vector<std::string> bare = {"BPP", "WIDTH\t"};
  SetConfigValue(bare, "BPP", "32");
  SetConfigValue(bare, "WIDTH", "800");
  EXPECT_EQ(bare, (std::vector<std::string>{"BPP\t\t\t\t\t32", "WIDTH\t800"}));
  EXPECT_EQ(GetConfigValue(bare, "BPP"), "32");
}

// A player whose regional settings use a decimal comma still gets "0.500" and reads it back.
TEST(GameConfig, MusicVolumeIgnoresTheUserLocale) {
  const char* chosen = nullptr;
  for (const char* name : {"Portuguese_Brazil.1252", "pt-BR", "German_Germany.1252", "de-DE"}) {
    if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
      chosen = name;
      break;
    }
  }
  if (!chosen) {
    std::setlocale(LC_ALL, "C");
    GTEST_SKIP() << "no locale with a decimal comma";
  }
  const std::wstring dir = FreshDir(L"locale");
  ASSERT_TRUE(WriteBytes(CfgIn(dir), "MUSIC_VOLUME 0.25\n"));
  GameConfig c = ReadGameConfig(CfgIn(dir));
  const float read = c.musicVolume;
  c.musicVolume = 0.5f;
  const bool written = WriteGameConfig(CfgIn(dir), c);
  std::setlocale(LC_ALL, "C");
  EXPECT_FLOAT_EQ(read, 0.25f) << chosen;
  ASSERT_TRUE(written);
  EXPECT_EQ(ReadBytesOr(CfgIn(dir)), "MUSIC_VOLUME 0.500\r\n" + AddedMissing({"MUSIC_VOLUME"}));
}

TEST(GameConfig, UnwritableFileIsLeftAsItWas) {
  const std::string before = "WIDTH 800\r\nCUSTOM 1\r\n";
  GameConfig c;
  c.width = 1024;

  // Locked by another process that shares it for reading only.
  const std::wstring dir = FreshDir(L"locked");
  ASSERT_TRUE(WriteBytes(CfgIn(dir), before));
  {
    handles::UniqueFile lock = handles::MakeFile(CfgIn(dir).c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_TRUE(lock);
    EXPECT_FALSE(WriteGameConfig(CfgIn(dir), c));
    EXPECT_EQ(ReadGameConfig(CfgIn(dir)).width, 800);  // still readable meanwhile
  }
  EXPECT_EQ(ReadBytesOr(CfgIn(dir)), before);
  EXPECT_FALSE(FileExists(CfgIn(dir) + L".tmp"));

  EXPECT_FALSE(WriteGameConfig(ScratchDir() + L"\\no-such-folder\\kaldrun.cfg", c));
  EXPECT_FALSE(DirExists(ScratchDir() + L"\\no-such-folder"));
}

// When the file cannot be replaced as a whole, it is still rewritten in place.
TEST(GameConfig, FallsBackToRewritingInPlace) {
  GameConfig c;
  c.width = 1280;
  c.height = 720;
  const std::string expected =
      "WIDTH 1280\r\nHEIGHT 720\r\n" + AddedMissing({"WIDTH", "HEIGHT"});

  {  // the game client holds the file open for reading and writing, without delete sharing
    const std::wstring dir = FreshDir(L"held");
    ASSERT_TRUE(WriteBytes(CfgIn(dir), "WIDTH 800\nHEIGHT 600\n"));
    handles::UniqueFile held = handles::MakeFile(
        CfgIn(dir).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        OPEN_EXISTING);
    ASSERT_TRUE(held);
    EXPECT_TRUE(WriteGameConfig(CfgIn(dir), c));
    // Rewritten in place: the holder's own handle sees the new content.
    std::string seen(4096, '\0');
    DWORD got = 0;
    SetFilePointer(held.get(), 0, nullptr, FILE_BEGIN);
    ASSERT_TRUE(ReadFile(held.get(), &seen[0], static_cast<DWORD>(seen.size()), &got, nullptr));
    seen.resize(got);
    EXPECT_EQ(seen, expected);
    held.reset();
    EXPECT_EQ(ReadBytesOr(CfgIn(dir)), expected);
    EXPECT_FALSE(FileExists(CfgIn(dir) + L".tmp"));
  }
  {  // the temporary name is taken by something that cannot be overwritten
    const std::wstring dir = FreshDir(L"tempblocked");
    ASSERT_TRUE(WriteBytes(CfgIn(dir), "WIDTH 800\nHEIGHT 600\n"));
    CreateDirs(CfgIn(dir) + L".tmp");
    EXPECT_TRUE(WriteGameConfig(CfgIn(dir), c));
    EXPECT_EQ(ReadBytesOr(CfgIn(dir)), expected);
    EXPECT_TRUE(DirExists(CfgIn(dir) + L".tmp"));
  }
  {  // a stale temporary file from an earlier crash is simply replaced
    const std::wstring dir = FreshDir(L"stale");
    ASSERT_TRUE(WriteBytes(CfgIn(dir), "WIDTH 800\nHEIGHT 600\n"));
    ASSERT_TRUE(WriteBytes(CfgIn(dir) + L".tmp", std::string(5000, 'x')));
    EXPECT_TRUE(WriteGameConfig(CfgIn(dir), c));
    EXPECT_EQ(ReadBytesOr(CfgIn(dir)), expected);
    EXPECT_FALSE(FileExists(CfgIn(dir) + L".tmp"));
  }
}

// The reader does not lock the game client out, and the replaced file keeps its attributes.
TEST(GameConfig, SharingAndAttributes) {
  const std::wstring dir = FreshDir(L"sharing");
  ASSERT_TRUE(WriteBytes(CfgIn(dir), "GAMMA 3\n"));
  ASSERT_TRUE(SetFileAttributesW(CfgIn(dir).c_str(), FILE_ATTRIBUTE_HIDDEN));
  handles::UniqueFile writer = handles::MakeFile(CfgIn(dir).c_str(), GENERIC_READ | GENERIC_WRITE,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE |
                                                     FILE_SHARE_DELETE,
                                                 OPEN_EXISTING);
  ASSERT_TRUE(writer);
  EXPECT_EQ(ReadGameConfig(CfgIn(dir)).gamma, 3);
  writer.reset();
  GameConfig c;
  c.gamma = 8;
  ASSERT_TRUE(WriteGameConfig(CfgIn(dir), c));
  EXPECT_EQ(ReadGameConfig(CfgIn(dir)).gamma, 8);
  EXPECT_TRUE(GetFileAttributesW(CfgIn(dir).c_str()) & FILE_ATTRIBUTE_HIDDEN);
}
