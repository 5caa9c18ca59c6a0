// Update runs against a server that corrupts, cuts off or stalls file transfers
// (tree_fault_server.py, started by fault_test.sh), and an update killed half-way.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/http_client.h"
#include "core/integrity.h"
#include "tests/engine/engine_support.h"
#include "tests/support/test_support.h"
#include "updater/update_run.h"

using namespace engine_test;
using namespace testing_support;

namespace {

std::wstring FaultRoot() { return Widen(GetEnv("TALVORE_ENGINE_FAULT_ROOT")); }

void Control(const std::wstring& query) {
  std::string body;
  ASSERT_TRUE(HttpDownloadToMemory(FaultRoot() + L"/_ctl/" + query, body).ok);
}

void QueueFaults(const Site& site, const std::string& file, const std::string& modes) {
  Control(L"set?path=" + Widen(site.uriPrefix() + "/files/" + file) + L"&modes=" + Widen(modes));
}

// Lines "URI MODE" the fault server logged for the site since offset.
std::vector<std::string> FaultLogSince(size_t offset, const Site& site) {
  const std::string all = ReadBytesOr(UnixToWindowsPath(GetEnv("TALVORE_ENGINE_FAULT_LOG")));
  std::vector<std::string> lines;
  size_t start = offset;
  while (start < all.size()) {
    size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(start, end - start);
    if (line.rfind(site.uriPrefix(), 0) == 0) lines.push_back(line.substr(site.uriPrefix().size()));
    start = end + 1;
  }
  return lines;
}

size_t FaultLogSize() {
  return ReadBytesOr(UnixToWindowsPath(GetEnv("TALVORE_ENGINE_FAULT_LOG"))).size();
}

std::string Pattern(size_t n, char seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + (i * 7 + i / 13) % 89);
  return s;
}

class EngineFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitCrypto());
    ASSERT_FALSE(FaultRoot().empty()) << "run through fault_test.sh";
    Control(L"clear");
  }
};

}  // namespace

TEST_F(EngineFaults, BrokenTransfersNeverReachTheGameFolder) {
  struct Case {
    const char* modes;  // faults for the second file's first requests
    bool ok;
    size_t requests;    // for that file
  };
  const Case cases[] = {
      {"wrong,wrong,wrong", false, 3}, {"wrong,wrong", true, 3},
      {"reset,reset,reset", false, 3}, {"short,short,short", false, 3},
      {"chunkcut,chunkcut,chunkcut", false, 3}, {"reset,short", true, 3},
      {"chunkcut", true, 2},
  };
  const std::string big = Pattern(200000, '!');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.modes);
    Site site(L"faults");
    site.Publish(2, {{"first.txt", "one"}, {"data/big.bin", big}, {"last.txt", "three"}});
    GameFolder game(L"faults");
    game.Write(L"data\\big.bin", "old big");
    game.WriteState(StateBytes(1));
    QueueFaults(site, "data/big.bin", c.modes);

    const size_t log = FaultLogSize();
    const updater::Result r = updater::RunManifest(
        site.BaseUrlOn(FaultRoot()), game.path(), L"manifest", L"launcher_state.json",
        updater::PathFilter(), updater::ProgressCallback());
    size_t bigRequests = 0;
    for (const std::string& line : FaultLogSince(log, site))
      if (line.rfind("/files/data/big.bin ", 0) == 0) ++bigRequests;
    EXPECT_EQ(bigRequests, c.requests);
    EXPECT_EQ(game.Read(L"first.txt"), "one");
    EXPECT_TRUE(game.OutsideUntouched());
    if (c.ok) {
      EXPECT_TRUE(r.ok) << Narrow(r.message);
      EXPECT_TRUE(game.Read(L"data\\big.bin") == big);
      EXPECT_EQ(game.State(), StateBytes(2));
      EXPECT_FALSE(FileExists(game / L"data\\big.bin.tmp"));
    } else {
      EXPECT_EQ(r.message, L"falha ao baixar/verificar: data\\big.bin");
      EXPECT_EQ(game.Read(L"data\\big.bin"), "old big");
      EXPECT_EQ(game.Read(L"last.txt"), "<missing>");
      EXPECT_EQ(game.State(), StateBytes(1));
      // A wrong hash removes the temporary file; a cut transfer may leave it, never complete.
      if (std::string(c.modes).rfind("wrong", 0) == 0) {
        EXPECT_FALSE(FileExists(game / L"data\\big.bin.tmp"));
      } else {
        EXPECT_TRUE(ReadBytesOr(game / L"data\\big.bin.tmp") != big);
      }
    }
  }
}

TEST_F(EngineFaults, KilledUpdateIsFinishedByTheNextRun) {
  Site site(L"killed");
  const std::vector<SiteFile> tree = {{"a.bin", Pattern(50000, 'a')},
                                      {"b.bin", Pattern(3000000, 'b')},
                                      {"c.bin", Pattern(50000, 'c')}};
  site.Publish(6, tree);
  GameFolder game(L"killed");
  for (const SiteFile& f : tree) game.Write(Widen(f.jsonPath), "old " + f.jsonPath);
  game.WriteState(StateBytes(5));
  QueueFaults(site, "b.bin", "drip");

  const std::wstring exe = BinDir() + L"\\talvore-update.exe";
  std::wstring cmd = L"\"" + exe + L"\" " + site.BaseUrlOn(FaultRoot()) + L" \"" + game.path() + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                             nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  const bool midDownload = WaitFor(
      [&] { return !ReadBytesOr(game / L"b.bin.tmp").empty(); }, 60000);
  TerminateProcess(pi.hProcess, 9);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hProcess);
  ASSERT_TRUE(midDownload);

  // Every file is the old one or the new verified one; the version is not recorded yet.
  EXPECT_TRUE(game.Read(L"a.bin") == tree[0].content);
  EXPECT_LT(ReadBytesOr(game / L"b.bin.tmp").size(), tree[1].content.size());
  EXPECT_EQ(game.Read(L"b.bin"), "old b.bin");
  EXPECT_EQ(game.Read(L"c.bin"), "old c.bin");
  EXPECT_EQ(game.State(), StateBytes(5));

  Control(L"clear");
  std::string output;
  EXPECT_EQ(RunProcess(cmd, L"", 60000, &output), 0) << output;
  for (size_t i = 0; i < tree.size(); ++i)
    EXPECT_TRUE(game.Read(Widen(tree[i].jsonPath)) == tree[i].content) << i;
  EXPECT_FALSE(FileExists(game / L"b.bin.tmp"));
  EXPECT_EQ(game.State(), StateBytes(6));
  EXPECT_TRUE(game.OutsideUntouched());
}
