#include "game/game_config.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <locale.h>

#include "core/handles.h"

namespace {

bool IsSpace(char c) { return std::iswspace(static_cast<wchar_t>(static_cast<unsigned char>(c))); }

// Start and end of the first whitespace-delimited token; start == end for a blank line.
void FirstToken(const std::string& line, size_t* start, size_t* end) {
  size_t i = 0;
  while (i < line.size() && IsSpace(line[i])) ++i;
  size_t j = i;
  while (j < line.size() && !IsSpace(line[j])) ++j;
  *start = i;
  *end = j;
}

bool TokenIs(const std::string& line, const std::string& key) {
  size_t start, end;
  FirstToken(line, &start, &end);
  return line.compare(start, end - start, key) == 0 && end - start == key.size();
}

size_t FindKeyLine(const std::vector<std::string>& lines, const std::string& key) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (TokenIs(lines[i], key)) return i;
  }
  return lines.size();
}

// The C locale whatever the process's locale is, so "0.5" never depends on the player's
// regional settings. Created once and kept for the process.
_locale_t CLocale() {
  static _locale_t locale = _create_locale(LC_ALL, "C");
  return locale;
}

// "%.3f" with a point as the decimal separator, rounding halves away from zero.
std::string FormatThreeDecimals(float value) {
  double d = value;
  if (!std::isfinite(d)) d = 1.0;
  const bool negative = std::signbit(d);
  const double magnitude = std::fabs(d);
  std::string digits;
  if (magnitude < 1e15) {
    const unsigned long long scaled =
        static_cast<unsigned long long>(std::floor(magnitude * 1000.0 + 0.5));
    digits = std::to_string(scaled / 1000) + ".";
    const std::string frac = std::to_string(scaled % 1000);
    digits += std::string(3 - frac.size(), '0') + frac;
  } else {
    char buffer[400];
    std::snprintf(buffer, sizeof(buffer), "%.0f", magnitude);  // no separator to localise
    digits = std::string(buffer) + ".000";
  }
  return (negative ? "-" : "") + digits;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

// The original rewrite: truncate the file and write it again. Used only when the file
// cannot be replaced as a whole, e.g. while another process holds it without delete sharing.
bool RewriteInPlace(const std::wstring& path, const std::string& content) {
  handles::UniqueFile file = handles::MakeFile(path.c_str(), GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
  if (!file) return false;
  if (!SetEndOfFile(file.get())) return false;
  return WriteAll(file.get(), content);
}

}  // namespace

std::vector<std::string> ReadConfigLines(const std::wstring& path) {
  std::vector<std::string> lines;
  handles::UniqueFile file =
      handles::MakeFile(path.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (!file) return lines;
  std::string content;
  char buffer[16384];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) || got == 0) break;
    content.append(buffer, got);
  }
  return SplitConfigLines(content);
}

std::vector<std::string> SplitConfigLines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    const size_t next = end == std::string::npos ? content.size() : end + 1;
    if (end == std::string::npos) end = content.size();
    while (end > start && (content[end - 1] == '\r' || content[end - 1] == '\n')) --end;
    lines.push_back(content.substr(start, end - start));
    start = next;
  }
  return lines;
}

std::string JoinConfigLines(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    for (char c : line) {
      if (c == '\n') content += '\r';
      content += c;
    }
    content += "\r\n";
  }
  return content;
}

bool WriteConfigLines(const std::wstring& path, const std::vector<std::string>& lines) {
  const std::string content = JoinConfigLines(lines);

  // A crash or a full disk in the middle of the write must not cost the player the game
  // client's settings: the new content goes to a file beside it that replaces it only once
  // it is complete.
  const std::wstring temp = path + L".tmp";
  DWORD attributes = GetFileAttributesW(path.c_str());
  // A read-only file stays untouched; Windows would refuse to replace it, Wine would not.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return RewriteInPlace(path, content);
  }
  attributes = attributes == INVALID_FILE_ATTRIBUTES
                   ? FILE_ATTRIBUTE_NORMAL
                   : (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_ARCHIVE));
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  {
    handles::UniqueFile file =
        handles::MakeFile(temp.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, attributes);
    if (!file) return RewriteInPlace(path, content);
    if (!WriteAll(file.get(), content) || !FlushFileBuffers(file.get())) {
      file.reset();
      DeleteFileW(temp.c_str());
      return false;
    }
  }
  if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(temp.c_str());
  return RewriteInPlace(path, content);
}

std::string GetConfigValue(const std::vector<std::string>& lines, const std::string& key) {
  const size_t index = FindKeyLine(lines, key);
  if (index == lines.size()) return std::string();
  const std::string& line = lines[index];
  size_t begin = line.find(key);
  begin = begin == std::string::npos ? line.size() : begin + key.size();
  while (begin < line.size() && IsSpace(line[begin])) ++begin;
  size_t end = line.size();
  while (end > begin && IsSpace(line[end - 1])) --end;
  return line.substr(begin, end - begin);
}

void SetConfigValue(std::vector<std::string>& lines, const std::string& key,
                    const std::string& value) {
  const size_t index = FindKeyLine(lines, key);
  if (index < lines.size()) {
    std::string& line = lines[index];
    size_t start, end;
    FirstToken(line, &start, &end);
    const size_t keyEnd = end;
    while (end < line.size() && IsSpace(line[end])) ++end;
    // A key with nothing after it needs a separator, or the value would join the key.
    line = line.substr(0, end) + (end == keyEnd ? "\t\t\t\t\t" : "") + value;
    return;
  }
  size_t insertAt = 0;  // after the last non-blank line, so trailing blank lines stay last
  for (size_t i = lines.size(); i > 0; --i) {
    size_t start, end;
    FirstToken(lines[i - 1], &start, &end);
    if (end > start) {
      insertAt = i;
      break;
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), key + "\t\t\t\t\t" + value);
}

int ParseIntOr(const std::string& text, int fallback) {
  if (text.empty()) return fallback;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE || value < INT_MIN || value > INT_MAX) return fallback;
  return static_cast<int>(value);
}

float ParseFloatOr(const std::string& text, float fallback) {
  if (text.empty()) return fallback;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double value = _strtod_l(begin, &end, CLocale());
  if (end == begin || errno == ERANGE || !std::isfinite(value) || std::fabs(value) > FLT_MAX) {
    return fallback;
  }
  return static_cast<float>(value);
}

GameConfig ReadGameConfig(const std::wstring& path) {
  const std::vector<std::string> lines = ReadConfigLines(path);
  const GameConfig defaults;
  GameConfig config;
  config.width = ParseIntOr(GetConfigValue(lines, "WIDTH"), defaults.width);
  config.height = ParseIntOr(GetConfigValue(lines, "HEIGHT"), defaults.height);
  config.bpp = ParseIntOr(GetConfigValue(lines, "BPP"), defaults.bpp);
  config.frequency = ParseIntOr(GetConfigValue(lines, "FREQUENCY"), defaults.frequency);
  config.musicVolume = ParseFloatOr(GetConfigValue(lines, "MUSIC_VOLUME"), defaults.musicVolume);
  config.voiceVolume = ParseIntOr(GetConfigValue(lines, "VOICE_VOLUME"), defaults.voiceVolume);
  config.gamma = ParseIntOr(GetConfigValue(lines, "GAMMA"), defaults.gamma);
  config.windowed = ParseIntOr(GetConfigValue(lines, "WINDOWED"), 0) == 1;
  config.shadowLevel = ParseIntOr(GetConfigValue(lines, "SHADOW_LEVEL"), defaults.shadowLevel);
  return config;
}

bool WriteGameConfig(const std::wstring& path, const GameConfig& config) {
  std::vector<std::string> lines = ReadConfigLines(path);
  SetConfigValue(lines, "WIDTH", std::to_string(config.width));
  SetConfigValue(lines, "HEIGHT", std::to_string(config.height));
  SetConfigValue(lines, "BPP", std::to_string(config.bpp));
  SetConfigValue(lines, "FREQUENCY", std::to_string(config.frequency));
  SetConfigValue(lines, "MUSIC_VOLUME", FormatThreeDecimals(config.musicVolume));
  SetConfigValue(lines, "VOICE_VOLUME", std::to_string(config.voiceVolume));
  SetConfigValue(lines, "GAMMA", std::to_string(config.gamma));
  SetConfigValue(lines, "WINDOWED", config.windowed ? "1" : "0");
  if (config.shadowLevel >= 0 && config.shadowLevel <= 5) {
    SetConfigValue(lines, "SHADOW_LEVEL", std::to_string(config.shadowLevel));
  }
  return WriteConfigLines(path, lines);
}
