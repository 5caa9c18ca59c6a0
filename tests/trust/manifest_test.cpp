#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/test_support.h"
#include "updater/manifest.h"

using testing_support::Narrow;
using updater::LauncherManifest;
using updater::ManifestEntry;
using updater::ParseLauncherManifest;
using updater::ParseManifest;
using updater::TruncateToInt64;

namespace {

const std::string kHash = "00112233445566778899aabbccddeeff00112233445566778899AABBCCDDEEFF";

std::string Entry(const std::string& pathJson, const std::string& hash = kHash) {
  return "{\"path\":" + pathJson + ",\"sha256\":\"" + hash + "\"}";
}

std::string Doc(const std::string& files, const std::string& version = "1") {
  return "{\"version\":" + version + ",\"files\":[" + files + "]}";
}

// "ok" or the failure message, narrowed for readable diffs.
std::string Outcome(const std::string& doc) {
  int64_t version = -1;
  std::vector<ManifestEntry> entries;
  std::wstring message;
  const bool ok = ParseManifest(doc, version, entries, message);
  if (ok) {
    EXPECT_TRUE(message.empty());
  }
  return ok ? "ok" : Narrow(message);
}

}  // namespace

TEST(ParseManifest, Accepted) {
  const std::string doc =
      "\xEF\xBB\xBF {\"extra\":[1,{}],\"version\":7.9,\"files\":["
      "{\"path\":\"pack/talvore_hd.eix\",\"size\":12.9,\"sha256\":\"" + kHash + "\",\"x\":1},"
      "{\"path\":\"a\\\\b.txt\",\"sha256\":\"" + kHash + "\"},"
      "{\"path\":\"pack/talvore_hd.eix\",\"path\":\"ignored\",\"size\":\"3\",\"sha256\":\"" + kHash + "\"}"
      "]}";
  int64_t version = -1;
  std::vector<ManifestEntry> entries;
  std::wstring message;
  ASSERT_TRUE(ParseManifest(doc, version, entries, message)) << Narrow(message);
  EXPECT_EQ(version, 7);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].path, L"pack\\talvore_hd.eix");
  EXPECT_EQ(entries[0].size, 12);
  EXPECT_EQ(entries[0].sha256[0], 0x00);
  EXPECT_EQ(entries[0].sha256[15], 0xFF);
  EXPECT_EQ(entries[0].sha256[31], 0xFF);
  EXPECT_EQ(entries[1].path, L"a\\b.txt");
  EXPECT_EQ(entries[1].size, -1);
  EXPECT_EQ(entries[2].path, L"pack\\talvore_hd.eix");  // duplicates kept, first key wins
  EXPECT_EQ(entries[2].size, -1);

  version = -1;
  entries.clear();
  ASSERT_TRUE(ParseManifest("{\"version\":0,\"files\":[]}", version, entries, message));
  EXPECT_EQ(version, 0);
  EXPECT_TRUE(entries.empty());
  ASSERT_TRUE(ParseManifest("{\"version\":-0.5,\"files\":[]}", version, entries, message));
  EXPECT_EQ(version, 0);
  ASSERT_TRUE(ParseManifest("{\"files\":[],\"version\":4611686018427387904}", version, entries,
                            message));
  EXPECT_EQ(version, 4611686018427387904LL);  // 2^62
}

TEST(ParseManifest, RefusedInCheckOrder) {
  const std::string okEntry = Entry("\"a.txt\"");
  struct Case {
    std::string doc;
    std::string outcome;
  } cases[] = {
      {"", "falha ao interpretar manifest.json: valor invalido"},
      {"{\"version\":1,\"files\":[", "falha ao interpretar manifest.json: valor invalido"},
      {"{\"version\":-}", "falha ao interpretar manifest.json: invalid stod argument"},
      {"{\"version\":1e999}", "falha ao interpretar manifest.json: stod argument out of range"},
      {"[]", "manifest.json nao e um objeto"},
      {"\"x\"", "manifest.json nao e um objeto"},
      {"{\"files\":[]}", "manifest.json sem campo 'version' valido"},
      {Doc("", "\"7\""), "manifest.json sem campo 'version' valido"},
      {Doc("", "-1"), "manifest.json sem campo 'version' valido"},
      {Doc("", "1e300"), "manifest.json sem campo 'version' valido"},
      {Doc("", "9223372036854775808"), "manifest.json sem campo 'version' valido"},  // 2^63
      {Doc("", "9223372036854775807"), "manifest.json sem campo 'version' valido"},  // rounds up
      {Doc("", "-1e300"), "manifest.json sem campo 'version' valido"},
      {"{\"version\":\"1\"}", "manifest.json sem campo 'version' valido"},  // before 'files'
      {"{\"version\":1}", "manifest.json sem campo 'files' valido"},
      {"{\"version\":1,\"files\":{}}", "manifest.json sem campo 'files' valido"},
      {"{\"version\":1,\"files\":null}", "manifest.json sem campo 'files' valido"},
      {Doc("{\"sha256\":\"" + kHash + "\"}"), "entrada de arquivo sem 'path'"},
      {Doc(Entry("\"\"")), "entrada de arquivo sem 'path'"},
      {Doc(Entry("5")), "entrada de arquivo sem 'path'"},
      {Doc(okEntry + ",\"a.txt\""), "entrada de arquivo sem 'path'"},  // not an object
      {Doc(Entry("\"\"", "bad")), "entrada de arquivo sem 'path'"},     // path before hash
      {Doc(Entry("\"x/y.bin\"", kHash.substr(1))), "hash sha256 invalido para x\\y.bin"},
      {Doc(Entry("\"x/y.bin\"", kHash + "0")), "hash sha256 invalido para x\\y.bin"},
      {Doc(Entry("\"x/y.bin\"", "g" + kHash.substr(1))), "hash sha256 invalido para x\\y.bin"},
      {Doc("{\"path\":\"x\",\"sha256\":5}"), "hash sha256 invalido para x"},
      {Doc("{\"path\":\"x\"}"), "hash sha256 invalido para x"},
      {Doc(okEntry + "," + Entry("\"b\"", "") + "," + Entry("\"\"")),
       "hash sha256 invalido para b"},  // the first faulty entry is reported
  };
  for (const Case& c : cases) EXPECT_EQ(Outcome(c.doc), c.outcome) << c.doc;
}

// Paths that would leave the game folder are refused for the whole manifest, before the hash
// is looked at; ordinary relative paths with either separator pass.
TEST(ParseManifest, EntryPathsStayInsideTheGameFolder) {
  struct Case {
    std::string pathJson;
    std::string shown;  // empty: accepted
  } cases[] = {
      {"\"../x\"", "..\\x"},
      {"\"a/../../x\"", "a\\..\\..\\x"},
      {"\"a\\\\..\"", "a\\.."},
      {"\"a/.../x\"", "a\\...\\x"},
      {"\"a/.. /x\"", "a\\.. \\x"},
      {"\"C:\\\\x\"", "C:\\x"},
      {"\"C:x\"", "C:x"},
      {"\"\\\\\\\\srv\\\\share\\\\x\"", "\\\\srv\\share\\x"},
      {"\"//?/C:/x\"", "\\\\?\\C:\\x"},
      {"\"\\\\\\\\.\\\\pipe\\\\x\"", "\\\\.\\pipe\\x"},
      {"\"\\\\x\"", "\\x"},
      {"\"/x\"", "\\x"},
      {"\"x:stream\"", "x:stream"},
      {"\"data/x.bin:ads\"", "data\\x.bin:ads"},
      {"\"ok\\u0000/../../x\"", std::string("ok\0\\..\\..\\x", 11)},
      {"\"pack/talvore_hd.eix\"", ""},
      {"\"a..b/..c/c..\"", ""},
      {"\"./x\"", ""},
      {"\".hidden/file\"", ""},
      {"\"dir\\\\sub/file.txt\"", ""},
  };
  for (const Case& c : cases) {
    const bool refused = !c.shown.empty();
    const std::string doc =
        Doc(Entry("\"fine.txt\"") + "," + Entry(c.pathJson, refused ? "not-hex" : kHash));
    EXPECT_EQ(Outcome(doc), refused ? "caminho de arquivo invalido: " + c.shown : "ok")
        << c.pathJson;
  }
}

TEST(TruncateToInt64, ExplicitRangeCheck) {
  const int64_t kMin = std::numeric_limits<int64_t>::min();
  struct Case {
    double value;
    int64_t expected;
  } cases[] = {
      {3.9, 3},
      {-3.9, -3},
      {-0.5, 0},
      {9223372036854774784.0, 9223372036854774784LL},  // largest double below 2^63
      {9223372036854775808.0, kMin},
      {-9223372036854775808.0, kMin},
      {1e300, kMin},
      {-1e300, kMin},
      {std::numeric_limits<double>::infinity(), kMin},
      {-std::numeric_limits<double>::infinity(), kMin},
      {std::nan(""), kMin},
  };
  for (const Case& c : cases) EXPECT_EQ(TruncateToInt64(c.value), c.expected) << c.value;
}

TEST(ParseLauncherManifest, Rules) {
  LauncherManifest m;
  ASSERT_TRUE(ParseLauncherManifest(
      "\xEF\xBB\xBF{\"version\":17.5,\"url\":\"http://h/L\xC3\xA7.exe\",\"sha256\":\"" + kHash +
          "\",\"files\":[]}",
      m));
  EXPECT_EQ(m.version, 17);
  EXPECT_EQ(m.url, L"http://h/L\x00E7.exe");
  EXPECT_EQ(m.sha256[1], 0x11);

  const std::string url = ",\"url\":\"http://h/x.exe\"";
  const std::string sha = ",\"sha256\":\"" + kHash + "\"";
  const std::string refused[] = {
      "",
      "not json",
      "{\"version\":-}",
      "[]",
      "{\"version\":\"18\"" + url + sha + "}",
      "{\"version\":-1" + url + sha + "}",
      "{\"version\":1e300" + url + sha + "}",
      "{\"version\":18" + sha + "}",
      "{\"version\":18,\"url\":\"\"" + sha + "}",
      "{\"version\":18,\"url\":5" + sha + "}",
      "{\"version\":18" + url + "}",
      "{\"version\":18" + url + ",\"sha256\":\"" + kHash.substr(2) + "\"}",
      "{\"version\":18" + url + ",\"sha256\":\"" + std::string(64, 'z') + "\"}",
      std::string(5000, '['),
  };
  for (const std::string& doc : refused) {
    LauncherManifest out;
    out.version = 99;
    EXPECT_FALSE(ParseLauncherManifest(doc, out)) << doc.substr(0, 60);
    EXPECT_EQ(out.version, 99) << "left untouched on failure";
  }
}
