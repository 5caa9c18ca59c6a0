// The content update with its high-definition packs: which runs happen, which pack files take
// part, and what a failed high-definition run leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/integrity.h"
#include "tests/engine/engine_support.h"
#include "tests/support/test_support.h"
#include "updater/content_update.h"

using namespace engine_test;
using namespace testing_support;

namespace {

const std::vector<SiteFile> kHdTree = {
    {"pack/talvore_hd.eix", "hd-index"},       {"pack/talvore_hd2.eix", "hd2-index"},
    {"pack/talvore_hd_ceu.eix", "ceu-index"},  {"pack/TALVORE_HD.eix", "hd-index"},  // one file to Wine
    {"pack/talvore_hd.eix.bak", "backup"},     {"pack/talvore_hd.epk", "hd-data"},
    {"other/unrelated.bin", "unrelated"},
};

}  // namespace

TEST(EnginePacks, OptionsChooseTheRunsAndThePackFiles) {
  ASSERT_TRUE(InitCrypto());
  struct Case {
    int texturas, ceu;
    std::vector<std::string> hdFiles;  // fetched by the high-definition run, in order
  };
  const Case cases[] = {
      {0, 0, {}},
      {1, 0, {"pack/talvore_hd.eix", "pack/talvore_hd2.eix", "pack/talvore_hd.epk"}},
      {1, 2,
       {"pack/talvore_hd.eix", "pack/talvore_hd2.eix", "pack/talvore_hd_ceu.eix",
        "pack/talvore_hd.epk"}},
      {0, 1, {"pack/talvore_hd_ceu.eix"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("TexturasHD " + std::to_string(c.texturas) + " CeuHD " + std::to_string(c.ceu));
    Site site(L"packs");
    site.Publish(3, {{"base.txt", "base"}});
    site.Publish(8, kHdTree, L"manifest_hd");
    GameFolder game(L"packs");
    game.SetGraphicsFlag(L"TexturasHD", c.texturas);
    game.SetGraphicsFlag(L"CeuHD", c.ceu);

    const long long log = LogSize();
    Recorder rec;
    const updater::Result r = updater::RunUpdate(site.baseUrl(), game.path(), rec.Callback());
    ASSERT_TRUE(r.ok) << Narrow(r.message);
    EXPECT_TRUE(r.message.empty());
    const std::vector<std::string> uris = RequestsSince(log, site.uriPrefix());
    std::vector<std::string> expected = {"/manifest.json", "/manifest.sig", "/files/base.txt"};
    std::string sequence = "0 1 2 3:1 4";
    if (!c.hdFiles.empty()) {
      expected.push_back("/manifest_hd.json");
      expected.push_back("/manifest_hd.sig");
      sequence += " 0 1 2";
      for (size_t i = 0; i < c.hdFiles.size(); ++i) {
        expected.push_back("/files/" + c.hdFiles[i]);
        sequence += " 3:" + std::to_string(i + 1);
      }
      sequence += " 4 4";
      EXPECT_EQ(game.State(L"launcher_state_hd.json"), StateBytes(8));
    } else {
      EXPECT_EQ(game.State(L"launcher_state_hd.json"), "<missing>");
    }
    EXPECT_EQ(uris, expected);
    EXPECT_EQ(rec.Sequence(), sequence);
    EXPECT_EQ(rec.reports.back().text, L"Atualizado.");
    EXPECT_EQ(game.State(), StateBytes(3));
    for (const std::string& f : c.hdFiles) {
      std::wstring rel = Widen(f);
      std::replace(rel.begin(), rel.end(), L'/', L'\\');
      EXPECT_TRUE(FileExists(game / rel)) << f;
    }
    EXPECT_FALSE(FileExists(game / L"pack\\talvore_hd.eix.bak"));
    EXPECT_FALSE(FileExists(game / L"other\\unrelated.bin"));
    if (!c.hdFiles.empty()) {
      const updater::Progress& extra = rec.reports.back();
      EXPECT_EQ(extra.fileIndex + extra.fileCount, 0);
      EXPECT_EQ(extra.bytesReceived + extra.bytesTotal, 0u);
    }
    EXPECT_TRUE(game.OutsideUntouched());
  }
}

TEST(EnginePacks, FailedHighDefinitionRunDeletesTheThreeIndexesOnly) {
  ASSERT_TRUE(InitCrypto());
  Site site(L"nohd");
  site.Publish(3, {{"base.txt", "base"}});  // no manifest_hd on the server
  GameFolder game(L"nohd");
  game.SetGraphicsFlag(L"TexturasHD", 1);
  for (const wchar_t* f : {L"pack\\talvore_hd.eix", L"pack\\talvore_hd2.eix",
                           L"pack\\talvore_hd_ceu.eix", L"pack\\talvore_hd.epk",
                           L"pack\\other.eix", L"talvore_hd.eix"})
    game.Write(f, "old");
  game.WriteState(StateBytes(5), L"launcher_state_hd.json");

  Recorder rec;
  const updater::Result r = updater::RunUpdate(site.baseUrl(), game.path(), rec.Callback());
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.message.empty());
  EXPECT_EQ(rec.Sequence(), "0 1 2 3:1 4 0 4");
  const updater::Progress& last = rec.reports.back();
  EXPECT_EQ(last.text, L"Atualizado.");
  EXPECT_EQ(last.fileIndex + last.fileCount, 0);
  EXPECT_EQ(last.bytesReceived + last.bytesTotal, 0u);
  for (const wchar_t* gone :
       {L"pack\\talvore_hd.eix", L"pack\\talvore_hd2.eix", L"pack\\talvore_hd_ceu.eix"})
    EXPECT_FALSE(FileExists(game / gone)) << Narrow(gone);
  for (const wchar_t* kept : {L"pack\\talvore_hd.epk", L"pack\\other.eix", L"talvore_hd.eix"})
    EXPECT_EQ(game.Read(kept), "old") << Narrow(kept);
  EXPECT_EQ(game.State(L"launcher_state_hd.json"), StateBytes(5));
  EXPECT_EQ(game.Read(L"base.txt"), "base");
  EXPECT_TRUE(game.OutsideUntouched());
}

TEST(EnginePacks, FailedBaseRunTouchesNoPack) {
  ASSERT_TRUE(InitCrypto());
  Site site(L"basefail");
  site.Publish(3, {{"base.txt", "base"}});
  site.Publish(8, kHdTree, L"manifest_hd");
  site.RemoveDocument(L"manifest.sig");
  GameFolder game(L"basefail");
  game.SetGraphicsFlag(L"TexturasHD", 1);
  game.SetGraphicsFlag(L"CeuHD", 1);
  for (const wchar_t* f :
       {L"pack\\talvore_hd.eix", L"pack\\talvore_hd2.eix", L"pack\\talvore_hd_ceu.eix"})
    game.Write(f, "old");
  const auto before = game.Snapshot();

  const long long log = LogSize();
  Recorder rec;
  const updater::Result r = updater::RunUpdate(site.baseUrl(), game.path(), rec.Callback());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, L"nao foi possivel baixar manifest.sig: HTTP status 404");
  EXPECT_EQ(rec.Sequence(), "0");
  EXPECT_EQ(game.Snapshot(), before);
  EXPECT_EQ(RequestsSince(log, site.uriPrefix()),
            (std::vector<std::string>{"/manifest.json", "/manifest.sig"}));
}

TEST(EnginePacks, PackFilterMatchesTheWholeStemCaseSensitively) {
  const std::wstring dir = FreshDir(L"filter");
  const std::wstring ini = dir + L"\\talvore_graficos.ini";
  struct Case {
    const wchar_t* path;
    bool texturasOn, ceuOn;  // expected result with only that option on
  };
  const Case cases[] = {
      {L"pack\\talvore_hd.eix", true, false},
      {L"talvore_hd2.epk", true, false},
      {L"a\\b\\talvore_hd", true, false},         // no extension: the whole name is the stem
      {L"dir.v2\\talvore_hd_ceu", false, true},   // a dot in a folder does not count
      {L"pack\\talvore_hd_ceu.eix", false, true},
      {L"pack\\TALVORE_HD.eix", false, false},
      {L"pack\\talvore_hd.eix.bak", false, false},  // stem "talvore_hd.eix"
      {L"pack\\talvore_hd3.eix", false, false},
      {L"talvore_hd\\data.eix", false, false},
      {L"pack/talvore_hd.eix", false, false},  // only a backslash separates
  };
  for (int option = 0; option < 2; ++option) {
    WritePrivateProfileStringW(L"Graficos", L"TexturasHD", option == 0 ? L"1" : L"0", ini.c_str());
    WritePrivateProfileStringW(L"Graficos", L"CeuHD", option == 1 ? L"-3" : L"0", ini.c_str());
    for (const Case& c : cases)
      EXPECT_EQ(IsEnabledPackFile(dir, c.path), option == 0 ? c.texturasOn : c.ceuOn)
          << Narrow(c.path) << " option " << option;
  }
  // Missing file: everything off.
  EXPECT_FALSE(IsEnabledPackFile(FreshDir(L"filter-none"), L"pack\\talvore_hd.eix"));
}
