// One update run against nginx: full content, up-to-date checks, anti-rollback and the
// signature and manifest checks, each with the folder, the state file and the requests checked.
#include <gtest/gtest.h>
#include <sodium.h>

#include <functional>

#include "core/integrity.h"
#include "tests/engine/engine_support.h"
#include "tests/support/test_support.h"
#include "updater/update_run.h"

using namespace engine_test;
using namespace testing_support;

namespace {

updater::Result RunBase(const Site& site, const GameFolder& game, Recorder* rec,
                    const updater::PathFilter& filter = updater::PathFilter()) {
  return updater::RunManifest(site.baseUrl(), game.path(), L"manifest", L"launcher_state.json",
                              filter, rec ? rec->Callback() : updater::ProgressCallback());
}

std::string Pattern(size_t n, char seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + (i * 131 + i / 7) % 97);
  return s;
}

std::string Base64Of(size_t n) {
  std::string raw = Pattern(n, 'A');
  std::string text(sodium_base64_ENCODED_LEN(n, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(text.data(), text.size(), reinterpret_cast<const uint8_t*>(raw.data()), n,
                    sodium_base64_VARIANT_ORIGINAL);
  text.resize(text.size() - 1);
  return text;
}

const std::vector<SiteFile> kTree = {
    {"a.txt", "alpha"},
    {"data/b.bin", Pattern(300000, '0')},
    {"pack\\c.eix", "index"},  // a backslash in the document itself
    {"sub/dir/d.txt", ""},
};

}  // namespace

class EngineRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitCrypto()); }
};

TEST_F(EngineRun, EmptyFolderToFullContentThenNothingToDo) {
  Site site(L"full");
  site.Publish(7, kTree);
  GameFolder game(L"full");

  long long log = LogSize();
  Recorder first;
  updater::Result r = RunBase(site, game, &first);
  ASSERT_TRUE(r.ok) << Narrow(r.message);
  EXPECT_TRUE(r.message.empty());
  EXPECT_EQ(game.Read(L"a.txt"), "alpha");
  EXPECT_TRUE(game.Read(L"data\\b.bin") == kTree[1].content);
  EXPECT_EQ(game.Read(L"pack\\c.eix"), "index");
  EXPECT_EQ(game.Read(L"sub\\dir\\d.txt"), "");
  EXPECT_EQ(game.State(), StateBytes(7));
  // Nothing else: no temporary file is left behind.
  EXPECT_EQ(game.Snapshot().size(), 5u);
  EXPECT_TRUE(game.OutsideUntouched());
  EXPECT_EQ(RequestsSince(log, site.uriPrefix()),
            (std::vector<std::string>{"/manifest.json", "/manifest.sig", "/files/a.txt",
                                      "/files/data/b.bin", "/files/pack/c.eix",
                                      "/files/sub/dir/d.txt"}));

  EXPECT_EQ(first.Sequence(), "0 1 2 3:1 3:2 3:3 3:4 4");
  const std::vector<std::wstring> texts = {L"Verificando atualizacoes...",
                                           L"Verificando assinatura...",
                                           L"Conferindo arquivos locais..."};
  for (int i = 0; i < 3; ++i) {
    const updater::Progress& p = first.reports[i];
    EXPECT_EQ(p.text, texts[i]);
    EXPECT_EQ(p.fileIndex + p.fileCount, 0);
    EXPECT_EQ(p.bytesReceived + p.bytesTotal, 0u);
  }
  const std::vector<updater::Progress> open = first.Openings();
  ASSERT_EQ(open.size(), 4u);
  EXPECT_EQ(open[1].text, L"Baixando: data\\b.bin");
  EXPECT_EQ(open[2].text, L"Baixando: pack\\c.eix");
  // Byte counters carry over: each opening shows where the previous transfer ended.
  EXPECT_EQ(open[0].bytesReceived + open[0].bytesTotal, 0u);
  EXPECT_EQ(open[1].bytesReceived, 5u);
  EXPECT_EQ(open[1].bytesTotal, 5u);
  EXPECT_EQ(open[2].bytesReceived, 300000u);
  uint64_t lastReceived = 0;
  int chunks = 0;
  for (const updater::Progress& p : first.reports) {
    if (p.phase == 3) {
      EXPECT_EQ(p.fileCount, 4);
    }
    if (p.phase == 3 && p.fileIndex == 2) {
      EXPECT_EQ(p.text, L"Baixando: data\\b.bin");
      EXPECT_GE(p.bytesReceived, lastReceived);
      lastReceived = p.bytesReceived;
      ++chunks;
    }
  }
  EXPECT_GT(chunks, 1);
  EXPECT_EQ(lastReceived, 300000u);
  const updater::Progress& done = first.reports.back();
  EXPECT_EQ(done.text, L"Atualizado.");
  EXPECT_EQ(done.fileIndex, 4);
  EXPECT_EQ(done.fileCount, 4);
  // An empty body reports no chunk, so the counters still show the transfer before it.
  EXPECT_EQ(done.bytesReceived, 5u);

  // Second run: everything is current, only the manifest and its signature are fetched.
  const auto before = game.Snapshot();
  log = LogSize();
  Recorder second;
  r = RunBase(site, game, &second);
  ASSERT_TRUE(r.ok) << Narrow(r.message);
  EXPECT_EQ(second.Sequence(), "0 1 2 4");
  EXPECT_EQ(second.reports.back().fileIndex, 4);
  EXPECT_EQ(RequestsSince(log, site.uriPrefix()),
            (std::vector<std::string>{"/manifest.json", "/manifest.sig"}));
  EXPECT_EQ(game.Snapshot(), before);
}

// A properly configured server: the signed manifest and the files come over trusted HTTPS,
// and nothing is asked over plain HTTP.
TEST_F(EngineRun, UpdatesOverTrustedHttps) {
  Site site(L"https");
  site.Publish(3, kTree);
  GameFolder game(L"https");
  const long long log = LogSize();
  const updater::Result r =
      updater::RunManifest(site.BaseUrlOn(TrustedHttpsRoot()), game.path(), L"manifest",
                           L"launcher_state.json", updater::PathFilter(), updater::ProgressCallback());
  ASSERT_TRUE(r.ok) << Narrow(r.message);
  EXPECT_TRUE(game.Read(L"data\\b.bin") == kTree[1].content);
  EXPECT_EQ(game.State(), StateBytes(3));
  // Other suites share the server log, so only this tree's requests are looked at.
  int asked = 0;
  for (const std::string& line : LogLinesSince(log)) {
    if (line.find(" " + site.uriPrefix() + "/") == std::string::npos) continue;
    ++asked;
    EXPECT_NE(line.find(":47444 GET "), std::string::npos) << line;
  }
  EXPECT_EQ(asked, 6);  // manifest, signature, four files
}

TEST_F(EngineRun, ChangedAndMissingFilesAreFetchedAgain) {
  Site site(L"changed");
  site.Publish(3, kTree);
  GameFolder game(L"changed");
  ASSERT_TRUE(RunBase(site, game, nullptr).ok);

  game.Write(L"data\\b.bin", kTree[1].content.substr(0, 1000));  // shorter
  game.Write(L"pack\\c.eix", "indey");                           // same size, one byte off
  DeleteFileW((game / L"sub\\dir\\d.txt").c_str());
  const long long log = LogSize();
  Recorder rec;
  const updater::Result r = RunBase(site, game, &rec);
  ASSERT_TRUE(r.ok) << Narrow(r.message);
  // The current first entry still counts in the positions of the later ones.
  EXPECT_EQ(rec.Sequence(), "0 1 2 3:2 3:3 3:4 4");
  EXPECT_EQ(RequestsSince(log, site.uriPrefix()),
            (std::vector<std::string>{"/manifest.json", "/manifest.sig", "/files/data/b.bin",
                                      "/files/pack/c.eix", "/files/sub/dir/d.txt"}));
  EXPECT_TRUE(game.Read(L"data\\b.bin") == kTree[1].content);
  EXPECT_EQ(game.Read(L"pack\\c.eix"), "index");
  EXPECT_EQ(game.Read(L"sub\\dir\\d.txt"), "");
}

TEST_F(EngineRun, FolderWhereAFileBelongsFailsToApply) {
  for (const bool withContent : {false, true}) {
    SCOPED_TRACE(withContent ? "folder with a file inside" : "empty folder");
    Site site(L"folder");
    site.Publish(2, {{"first.txt", "one"}, {"x/y.bin", "payload"}, {"z.txt", "zed"}});
    GameFolder game(L"folder");
    CreateDirs(game / L"x\\y.bin");
    if (withContent) game.Write(L"x\\y.bin\\keep.txt", "keep");
    game.WriteState(StateBytes(1));

    const long long log = LogSize();
    Recorder rec;
    const updater::Result r = RunBase(site, game, &rec);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, L"falha ao aplicar arquivo baixado: x\\y.bin");
    EXPECT_EQ(rec.Sequence(), "0 1 2 3:1 3:2");
    EXPECT_EQ(game.Read(L"first.txt"), "one");      // entries before it stay replaced
    EXPECT_EQ(game.Read(L"x\\y.bin.tmp"), "payload");  // verified download kept
    EXPECT_TRUE(DirExists(game / L"x\\y.bin"));
    if (withContent) {
      EXPECT_EQ(game.Read(L"x\\y.bin\\keep.txt"), "keep");
    }
    EXPECT_EQ(game.Read(L"z.txt"), "<missing>");
    EXPECT_EQ(game.State(), StateBytes(1));
    EXPECT_TRUE(game.OutsideUntouched());
    EXPECT_EQ(RequestsSince(log, site.uriPrefix()),
              (std::vector<std::string>{"/manifest.json", "/manifest.sig", "/files/first.txt",
                                        "/files/x/y.bin"}));
  }
}

TEST_F(EngineRun, EmptyFileListCompletesAndRecordsTheVersion) {
  Site site(L"empty");
  site.Publish(9, {});
  GameFolder game(L"empty");
  Recorder rec;
  const updater::Result r = RunBase(site, game, &rec);
  ASSERT_TRUE(r.ok) << Narrow(r.message);
  EXPECT_EQ(rec.Sequence(), "0 1 2 4");
  EXPECT_EQ(rec.reports.back().fileIndex + rec.reports.back().fileCount, 0);
  EXPECT_EQ(game.State(), StateBytes(9));
}

TEST_F(EngineRun, FilterLeavesOutEntriesWithoutComparingThem) {
  Site site(L"filter");
  site.Publish(4, {{"keep.txt", "k"}, {"skip.txt", "s"}, {"keep2.txt", "k2"}});
  GameFolder game(L"filter");
  game.Write(L"skip.txt", "stale");
  std::vector<std::wstring> asked;
  Recorder rec;
  const updater::Result r = RunBase(site, game, &rec, [&](const std::wstring& path) {
    asked.push_back(path);
    return path != L"skip.txt";
  });
  ASSERT_TRUE(r.ok) << Narrow(r.message);
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"keep.txt", L"skip.txt", L"keep2.txt"}));
  EXPECT_EQ(rec.Sequence(), "0 1 2 3:1 3:2 4");
  EXPECT_EQ(rec.reports.back().fileCount, 2);
  EXPECT_EQ(game.Read(L"skip.txt"), "stale");
  EXPECT_EQ(game.Read(L"keep2.txt"), "k2");
}

TEST_F(EngineRun, AppliedVersionDecidesWhatIsAccepted) {
  struct Case {
    const char* name;
    const char* stateBefore;  // nullptr: no state file
    int64_t manifestVersion;
    bool accepted;
  };
  const std::string five = StateBytes(5);
  const Case cases[] = {
      {"no state file", nullptr, 0, true},
      {"empty state file", "", 2, true},
      {"state not JSON", "{\"applied_version\": 9", 2, true},
      {"state a folder", "<folder>", 2, true},
      {"equal version compared again", five.c_str(), 5, true},
      {"higher version", five.c_str(), 6, true},
      {"lower version", five.c_str(), 4, false},
      {"version 0 under 5", five.c_str(), 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Site site(L"rollback");
    site.Publish(c.manifestVersion, {{"a.txt", "new"}});
    GameFolder game(L"rollback");
    game.Write(L"a.txt", "old");
    if (c.stateBefore && std::string(c.stateBefore) == "<folder>")
      CreateDirs(game / L"launcher_state.json");
    else if (c.stateBefore)
      game.WriteState(c.stateBefore);
    const auto before = game.Snapshot();

    const long long log = LogSize();
    Recorder rec;
    const updater::Result r = RunBase(site, game, &rec);
    EXPECT_EQ(r.ok, c.accepted) << Narrow(r.message);
    if (c.accepted) {
      EXPECT_EQ(game.Read(L"a.txt"), "new");
      if (!c.stateBefore || std::string(c.stateBefore) != "<folder>") {
        EXPECT_EQ(game.State(), StateBytes(c.manifestVersion));
      }
    } else {
      EXPECT_EQ(r.message,
                L"o servidor apresentou uma versao mais antiga do que a ja aplicada - "
                L"atualizacao rejeitada por seguranca");
      EXPECT_EQ(rec.Sequence(), "0 1");
      EXPECT_EQ(game.Snapshot(), before);
      EXPECT_EQ(RequestsSince(log, site.uriPrefix()),
                (std::vector<std::string>{"/manifest.json", "/manifest.sig"}));
    }
    EXPECT_TRUE(game.OutsideUntouched());
  }
}

TEST_F(EngineRun, SignatureAndManifestChecksComeBeforeAnyLocalWork) {
  struct Case {
    const char* name;
    // Gets the signed manifest, adjusts what the site serves.
    std::function<void(Site&, const std::string&)> serve;
    const wchar_t* message;  // nullptr: accepted
    const char* sequence;
  };
  const std::vector<SiteFile> files = {{"a.txt", "new"}};
  const std::wstring badSig = L"ASSINATURA INVALIDA - atualizacao rejeitada por seguranca";
  const std::wstring badFormat = L"manifest.sig invalido (formato)";
  const Case cases[] = {
      {"one byte flipped",
       [](Site& s, const std::string& m) {
         std::string t = m;
         t[t.find("sha256") + 12] ^= 1;  // one hex digit of the hash
         s.WriteDocument(L"manifest.json", t);
       },
       badSig.c_str(), "0 1"},
      {"trailing line break added",
       [](Site& s, const std::string& m) { s.WriteDocument(L"manifest.json", m + "\n"); },
       badSig.c_str(), "0 1"},
      {"re-saved with CRLF",
       [](Site& s, const std::string& m) {
         std::string t;
         for (char ch : m) t += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
         s.WriteDocument(L"manifest.json", t);
       },
       badSig.c_str(), "0 1"},
      {"signature of other bytes",
       [](Site& s, const std::string& m) { s.WriteDocument(L"manifest.sig", SignBase64(m + " ")); },
       badSig.c_str(), "0 1"},
      {"signature split over lines, padding kept",
       [](Site& s, const std::string& m) {
         const std::string sig = SignBase64(m);
         std::string t;
         for (size_t i = 0; i < sig.size(); i += 20) t += sig.substr(i, 20) + "\r\n";
         EXPECT_EQ(sig.substr(sig.size() - 2), "==");
         s.WriteDocument(L"manifest.sig", t);
       },
       nullptr, "0 1 2 3:1 4"},
      {"signature of 63 bytes",
       [](Site& s, const std::string&) { s.WriteDocument(L"manifest.sig", Base64Of(63)); },
       badFormat.c_str(), "0 1"},
      {"signature of 65 bytes",
       [](Site& s, const std::string&) { s.WriteDocument(L"manifest.sig", Base64Of(65)); },
       badFormat.c_str(), "0 1"},
      {"signature not base64",
       [](Site& s, const std::string& m) {
         std::string sig = SignBase64(m);
         sig[10] = '-';
         s.WriteDocument(L"manifest.sig", sig);
       },
       badFormat.c_str(), "0 1"},
      {"signature empty", [](Site& s, const std::string&) { s.WriteDocument(L"manifest.sig", ""); },
       badFormat.c_str(), "0 1"},
      {"signature missing",
       [](Site& s, const std::string&) { s.RemoveDocument(L"manifest.sig"); },
       L"nao foi possivel baixar manifest.sig: HTTP status 404", "0"},
      {"manifest missing",
       [](Site& s, const std::string&) { s.RemoveDocument(L"manifest.json"); },
       L"nao foi possivel baixar manifest.json: HTTP status 404", "0"},
      {"signed manifest with a string version",
       [](Site& s, const std::string&) {
         const std::string t = "{\"version\": \"7\", \"files\": []}";
         s.WriteDocument(L"manifest.json", t);
         s.WriteDocument(L"manifest.sig", SignBase64(t));
       },
       L"manifest.json sem campo 'version' valido", "0 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Site site(L"sig");
    const std::string manifest = site.Publish(2, files);
    c.serve(site, manifest);
    GameFolder game(L"sig");
    game.Write(L"a.txt", "old");
    game.WriteState(StateBytes(1));
    const auto before = game.Snapshot();

    const long long log = LogSize();
    Recorder rec;
    const updater::Result r = RunBase(site, game, &rec);
    EXPECT_EQ(rec.Sequence(), c.sequence);
    EXPECT_TRUE(game.OutsideUntouched());
    if (!c.message) {
      EXPECT_TRUE(r.ok) << Narrow(r.message);
      EXPECT_EQ(game.Read(L"a.txt"), "new");
      continue;
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, c.message);
    EXPECT_EQ(game.Snapshot(), before);
    for (const std::string& uri : RequestsSince(log, site.uriPrefix()))
      EXPECT_EQ(uri.find("/files/"), std::string::npos) << uri;
  }
}

TEST_F(EngineRun, EntryPathsLeavingTheFolderRefuseTheWholeManifest) {
  for (const char* path : {"../x.txt", "a/../../x.txt", "C:\\x.txt", "\\x.txt", "/x.txt",
                           "x.txt:stream"}) {
    SCOPED_TRACE(path);
    Site site(L"escape");
    site.Publish(2, {{"fine.txt", "fine"}, {path, "evil"}});
    GameFolder game(L"escape");
    const long long log = LogSize();
    Recorder rec;
    const updater::Result r = RunBase(site, game, &rec);
    EXPECT_FALSE(r.ok);
    std::wstring shown = Widen(path);
    std::replace(shown.begin(), shown.end(), L'/', L'\\');
    EXPECT_NE(r.message.find(shown), std::wstring::npos) << Narrow(r.message);
    EXPECT_EQ(rec.Sequence(), "0 1");
    EXPECT_TRUE(game.Snapshot().empty());
    EXPECT_TRUE(game.OutsideUntouched());
    EXPECT_EQ(RequestsSince(log, site.uriPrefix()).size(), 2u);
  }
}

TEST(CreateParentDirectoriesTest, CreatesEveryAncestorAndNothingElse) {
  const std::wstring root = FreshDir(L"parents");
  CreateParentDirectories(root + L"\\a\\b\\c\\file.txt");
  EXPECT_TRUE(DirExists(root + L"\\a\\b\\c"));
  EXPECT_FALSE(DirExists(root + L"\\a\\b\\c\\file.txt"));
  // Only the backslash separates; the forward slash is part of a name here.
  CreateParentDirectories(root + L"\\d\\e/f.txt");
  EXPECT_TRUE(DirExists(root + L"\\d"));
  EXPECT_FALSE(DirExists(root + L"\\d\\e"));
  CreateParentDirectories(L"no-separator.txt");  // nothing to create
  EXPECT_EQ(ListFilesRecursive(root).size(), 0u);
}
