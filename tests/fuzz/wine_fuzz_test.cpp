// Mutation fuzzing of the parsers in the Windows build itself, under Wine: the news feed
// reader (which needs GDI+ and cannot be built natively) and, with the real Win32 text
// conversion, the parsers the native harnesses cover. Deterministic: a fixed seed and a fixed
// number of mutations per parser (TALVORE_FUZZ_SECONDS instead runs each for that long).
// An input that breaks a property or crashes is saved to the scratch folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tools/native/fuzz/parser_checks.h"
#include "ui/news_feed.h"

using testing_support::GetEnv;
using testing_support::ListFilesRecursive;
using testing_support::Narrow;
using testing_support::ReadBytesOr;
using testing_support::ScratchDir;
using testing_support::SourceDir;
using testing_support::WriteBytes;

namespace {

const std::string* g_currentInput = nullptr;
std::wstring g_crashPath;

// A crash anywhere in a parser leaves the input that caused it behind.
LONG WINAPI SaveInputOnCrash(EXCEPTION_POINTERS*) {
  if (g_currentInput) {
    WriteBytes(g_crashPath, *g_currentInput);
    std::fprintf(stderr, "crash; input saved to %s\n", Narrow(g_crashPath).c_str());
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

class Mutator {
 public:
  explicit Mutator(uint64_t seed) : state_(seed | 1) {}

  uint64_t Next() {  // xorshift64*
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 2685821657736338717ULL;
  }
  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }

  std::string Mutate(const std::vector<std::string>& seeds, const std::vector<std::string>& dict) {
    std::string s = seeds[Below(seeds.size())];
    const size_t rounds = 1 + Below(6);
    for (size_t r = 0; r < rounds; ++r) {
      const size_t at = Below(s.size() + 1);
      switch (Below(9)) {
        case 0:
          if (!s.empty()) s[Below(s.size())] ^= static_cast<char>(1 << Below(8));
          break;
        case 1:
          if (!s.empty()) s[Below(s.size())] = static_cast<char>(Next());
          break;
        case 2:
          s.insert(at, 1, static_cast<char>(Next()));
          break;
        case 3:
          s.erase(at, 1 + Below(16));
          break;
        case 4: {  // repeat a piece, sometimes many times (deep nesting, long strings)
          const std::string piece = s.substr(at, 1 + Below(8));
          const size_t times = Below(4) == 0 ? 1 + Below(200) : 1;
          for (size_t t = 0; t < times && s.size() < kMaxLength; ++t) s.insert(at, piece);
          break;
        }
        case 5:
        case 6:
          s.insert(at, dict[Below(dict.size())]);
          break;
        case 7:
          s.resize(at);
          break;
        default: {  // splice with another seed
          const std::string& other = seeds[Below(seeds.size())];
          s = s.substr(0, at) + other.substr(Below(other.size() + 1));
          break;
        }
      }
    }
    if (s.size() > kMaxLength) s.resize(kMaxLength);
    return s;
  }

 private:
  static constexpr size_t kMaxLength = 65536;
  uint64_t state_;
};

const std::vector<std::string> kJsonTokens = {
    "{", "}", "[", "]", ",", ":", "\"", "\\", "\\u", "\\ud83d", "\\ude00", "\\u0000", "\\ud800",
    "\\\"", "null", "true", "false", "-0", "1e309", "-1e400", "9223372036854775807",
    "9223372036854775808", "1.5", "1e-400", "\xEF\xBB\xBF", "\xC3\xA9", "\xF0\x9F\x98\x80",
    "\xED\xA0\x80", "\xFF", "\xC0\xAF", "\r\n", "\n", "\t", " ", "\"\":", "\"items\":",
    "\"title\":", "\"date\":", "\"summary\":", "\"url\":", "\"image\":", "\"version\":",
    "\"files\":", "\"path\":", "\"size\":", "\"sha256\":", "\"applied_version\":",
    "\"applied_launcher_version\":", "\"..\\\\", "C:", "/", "\\\\", " .",
    "\"0123456789abcdef0123456789ABCDEF0123456789abcdef0123456789abcdef\""};

const std::vector<std::string> kConfigTokens = {
    "WIDTH", "HEIGHT", "BPP", "FREQUENCY", "MUSIC_VOLUME", "VOICE_VOLUME", "GAMMA", "WINDOWED",
    "SHADOW_LEVEL", "\t", " ", "\r", "\n", "\r\n", "\v", "\f", "\xA0", "\x85", std::string(1, '\0'),
    "-", "+", "0x", "1e39", "nan", "inf", "2147483648", ",", ".", "0.5", "http://", "=", "#"};

// Seeds of tools/native/fuzz/corpus/<name>, shared with the native harnesses.
std::vector<std::string> Seeds(const wchar_t* name) {
  const std::wstring dir = SourceDir() + L"\\tools\\native\\fuzz\\corpus\\" + name;
  std::vector<std::string> seeds;
  for (const std::wstring& file : ListFilesRecursive(dir)) {
    seeds.push_back(ReadBytesOr(dir + L"\\" + file));
  }
  return seeds;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < bytes.size() && i < 200; ++i) {
    out += kDigits[static_cast<unsigned char>(bytes[i]) >> 4];
    out += kDigits[static_cast<unsigned char>(bytes[i]) & 15];
  }
  return bytes.size() > 200 ? out + "..." : out;
}

// Runs check over the seeds and their mutations; stops at the first broken property.
void Fuzz(const char* name, const wchar_t* corpus, const std::vector<std::string>& dict,
          long iterations, const std::function<std::string(const std::string&)>& check) {
  const std::vector<std::string> seeds = Seeds(corpus);
  ASSERT_FALSE(seeds.empty()) << "no seeds for " << name;
  const std::string secondsText = GetEnv("TALVORE_FUZZ_SECONDS");
  const DWORD budgetMs = secondsText.empty() ? 0 : 1000u * std::strtoul(secondsText.c_str(), nullptr, 10);
  const DWORD started = GetTickCount();
  g_crashPath = ScratchDir() + L"\\crash-" + std::wstring(corpus);
  Mutator mutator(0x7A1F0E5u ^ std::hash<std::string>()(name));
  long done = 0;
  for (;; ++done) {
    if (budgetMs ? GetTickCount() - started >= budgetMs : done >= iterations) break;
    const std::string input = static_cast<size_t>(done) < seeds.size()
                                  ? seeds[static_cast<size_t>(done)]
                                  : mutator.Mutate(seeds, dict);
    g_currentInput = &input;
    std::string problem;
    try {
      problem = check(input);
    } catch (const std::exception& e) {
      problem = std::string("exception escaped: ") + e.what();
    }
    if (!problem.empty()) {
      g_currentInput = nullptr;
      WriteBytes(g_crashPath, input);
      FAIL() << name << ": " << problem << "\ninput (hex): " << Hex(input)
             << "\nsaved to " << Narrow(g_crashPath);
    }
  }
  g_currentInput = nullptr;
  std::printf("%s: %ld inputs\n", name, done);
}

bool IsWellFormedUtf16(const std::wstring& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xDC00 && c <= 0xDFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return true;
}

std::string CheckNewsFeed(const std::string& bytes) {
  const std::vector<NewsItem> items = news::ParseNewsFeed(bytes);
  if (items.size() > static_cast<size_t>(kMaxNewsItems)) return "too many entries";
  for (const NewsItem& item : items) {
    if (item.title.empty()) return "entry without a title";
    if (item.title.size() > kMaxNewsTitleLength || item.date.size() > kMaxNewsDateLength ||
        item.summary.size() > kMaxNewsSummaryLength || item.url.size() > kMaxNewsLinkLength ||
        item.imageUrl.size() > kMaxNewsLinkLength)
      return "text beyond its bound";
    for (const std::wstring* text : {&item.title, &item.date, &item.summary, &item.url}) {
      if (!IsWellFormedUtf16(*text)) return "text with a broken surrogate pair";
    }
    if (item.thumbnail) return "thumbnail made while parsing";
  }
  return "";
}

class WineFuzz : public testing::Test {
 protected:
  static void SetUpTestSuite() { SetUnhandledExceptionFilter(SaveInputOnCrash); }
};

TEST_F(WineFuzz, NewsFeed) { Fuzz("news", L"news", kJsonTokens, 40000, CheckNewsFeed); }

TEST_F(WineFuzz, Manifests) {
  Fuzz("manifest", L"manifest", kJsonTokens, 15000, fuzz_checks::CheckManifest);
  Fuzz("launcher_manifest", L"launcher_manifest", kJsonTokens, 10000,
       fuzz_checks::CheckLauncherManifest);
}

TEST_F(WineFuzz, StateFiles) {
  Fuzz("state_file", L"state_file", kJsonTokens, 10000, fuzz_checks::CheckStateFile);
}

TEST_F(WineFuzz, ConfigFiles) {
  Fuzz("game_config", L"game_config", kConfigTokens, 10000, fuzz_checks::CheckConfigLines);
  Fuzz("launcher_cfg", L"launcher_cfg", kConfigTokens, 15000, fuzz_checks::CheckLauncherConfig);
}

}  // namespace
