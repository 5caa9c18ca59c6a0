// The game client's own settings file ("kaldrun.cfg"): the launcher rewrites the nine keys it
// owns and carries every other line over byte for byte, in its place.
#pragma once

#include <string>
#include <vector>

struct GameConfig {
  int width = 1920;
  int height = 1080;
  int bpp = 32;
  int frequency = 60;
  float musicVolume = 1.0f;  // 0.0 to 1.0
  int voiceVolume = 100;     // 0 to 100
  int gamma = 5;             // 0 to 10
  bool windowed = false;
  int shadowLevel = -1;      // 0 to 5; -1 = not present, never written
};

// Every field from the file or its default; a missing or unreadable file gives all defaults.
GameConfig ReadGameConfig(const std::wstring& path);
// Sets the nine keys ("SHADOW_LEVEL" only when 0 to 5), keeps all other lines. False when the
// file could not be written; the previous file is then left as it was.
bool WriteGameConfig(const std::wstring& path, const GameConfig& config);

// Line layer. Lines are bytes (one byte per character) without their line ends.
std::vector<std::string> ReadConfigLines(const std::wstring& path);
bool WriteConfigLines(const std::wstring& path, const std::vector<std::string>& lines);
// The lines of the file's bytes: split at LF, every CR or LF at a line's end dropped.
std::vector<std::string> SplitConfigLines(const std::string& content);
// The bytes written for the lines: each ends in CR LF, and an LF inside a line gets a CR.
std::string JoinConfigLines(const std::vector<std::string>& lines);
// Value of the first line whose first whitespace-delimited token is exactly key; "" if none.
std::string GetConfigValue(const std::vector<std::string>& lines, const std::string& key);
// Replaces the value of the first line of key, or adds key + five tabs + value after the last
// non-blank line.
void SetConfigValue(std::vector<std::string>& lines, const std::string& key,
                    const std::string& value);
int ParseIntOr(const std::string& text, int fallback);
float ParseFloatOr(const std::string& text, float fallback);
