// The worker's contract with the main window, received by a real message-only window pumping
// on its own thread while the worker runs on another.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "core/app_messages.h"
#include "core/globals.h"
#include "core/integrity.h"
#include "tests/engine/engine_support.h"
#include "tests/support/test_support.h"
#include "updater/update_run.h"
#include "updater/update_worker.h"

using namespace engine_test;
using namespace testing_support;

namespace {

struct Received {
  UINT message = 0;
  updater::Progress progress;
  bool ok = false;          // g_updateOk as seen on WM_UPDATE_DONE
  std::wstring result;      // g_updateMessage as seen on WM_UPDATE_DONE
};

// Plays the main window: frees every record it receives and reads the result on completion.
class FakeMainWindow {
 public:
  FakeMainWindow() {
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    done_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    thread_ = std::thread([this] { Pump(); });
    WaitForSingleObject(ready_, 10000);
  }
  ~FakeMainWindow() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    thread_.join();
    CloseHandle(ready_);
    CloseHandle(done_);
  }
  HWND hwnd() const { return hwnd_; }

  // Runs one worker to its end and returns what the window received, in order.
  std::vector<Received> RunWorker() {
    received_.clear();
    std::thread worker(RunUpdateThread);
    worker.join();
    EXPECT_EQ(WaitForSingleObject(done_, 30000), WAIT_OBJECT_0);
    return received_;
  }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<FakeMainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
      case WM_UPDATE_PROGRESS: {
        EXPECT_EQ(wParam, 0u);
        auto* p = reinterpret_cast<updater::Progress*>(lParam);
        Received r;
        r.message = msg;
        r.progress = *p;
        delete p;
        self->received_.push_back(r);
        return 0;
      }
      case WM_UPDATE_DONE: {
        EXPECT_EQ(wParam, 0u);
        EXPECT_EQ(lParam, 0);
        Received r;
        r.message = msg;
        r.ok = g_updateOk;
        r.result = g_updateMessage;
        self->received_.push_back(r);
        SetEvent(self->done_);
        return 0;
      }
      case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }

  void Pump() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"EngineTestMain";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetEvent(ready_);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }

  std::thread thread_;
  HWND hwnd_ = nullptr;
  HANDLE ready_ = nullptr;
  HANDLE done_ = nullptr;
  std::vector<Received> received_;
};

std::vector<int> Phases(const std::vector<Received>& got) {
  std::vector<int> phases;
  for (const Received& r : got)
    phases.push_back(r.message == WM_UPDATE_DONE ? -1 : r.progress.phase);
  return phases;
}

}  // namespace

TEST(EngineWorker, ReportSequencesReachTheWindowInOrder) {
  ASSERT_TRUE(InitCrypto());
  FakeMainWindow window;
  g_hwndMain = window.hwnd();

  Site site(L"worker");
  const std::string manifest = site.Publish(4, {{"a.txt", "alpha"}, {"b/c.txt", "charlie"}});
  site.Publish(1, {{"pack/talvore_hd.eix", "hd"}}, L"manifest_hd");
  GameFolder game(L"worker");
  ASSERT_TRUE(updater::RunManifest(site.baseUrl(), game.path(), L"manifest",
                                   L"launcher_state.json", updater::PathFilter(),
                                   updater::ProgressCallback())
                  .ok);
  // An options file from an older launcher with the textures on: the first-run preparation
  // turns them off, and it must run before the update reads the options.
  const std::wstring ini = game / L"talvore_graficos.ini";
  WritePrivateProfileStringW(L"Graficos", L"Modo", L"1", ini.c_str());
  WritePrivateProfileStringW(L"Graficos", L"TexturasHD", L"1", ini.c_str());
  g_baseUrl = site.baseUrl();
  g_appDir = game.path();

  // Everything current: phases 0, 1, 2 and 4, then the completion.
  long long log = LogSize();
  std::vector<Received> got = window.RunWorker();
  EXPECT_EQ(Phases(got), (std::vector<int>{0, 1, 2, 4, -1}));
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[3].progress.text, L"Atualizado.");
  EXPECT_EQ(got[3].progress.fileIndex, 2);
  EXPECT_EQ(got[3].progress.fileCount, 2);
  EXPECT_TRUE(got[4].ok);
  EXPECT_TRUE(got[4].result.empty());
  EXPECT_EQ(GetPrivateProfileIntW(L"Graficos", L"LauncherV15", 0, ini.c_str()), 1);
  EXPECT_EQ(RequestsSince(log, site.uriPrefix()),
            (std::vector<std::string>{"/manifest.json", "/manifest.sig"}));

  // A bad signature: phases 0 and 1, then the completion with the failure.
  site.WriteDocument(L"manifest.sig", SignBase64(manifest + "x"));
  got = window.RunWorker();
  EXPECT_EQ(Phases(got), (std::vector<int>{0, 1, -1}));
  EXPECT_FALSE(got.back().ok);
  EXPECT_EQ(got.back().result, L"ASSINATURA INVALIDA - atualizacao rejeitada por seguranca");

  // The retry replaces both values; the download's chunk reports arrive as copies too.
  site.WriteDocument(L"manifest.sig", SignBase64(manifest));
  DeleteFileW((game / L"b\\c.txt").c_str());
  got = window.RunWorker();
  EXPECT_EQ(Phases(got), (std::vector<int>{0, 1, 2, 3, 3, 4, -1}));
  EXPECT_EQ(got[3].progress.text, L"Baixando: b\\c.txt");
  EXPECT_EQ(got[4].progress.bytesReceived, 7u);
  EXPECT_EQ(got[4].progress.bytesTotal, 7u);
  EXPECT_EQ(got[4].progress.fileIndex, 2);
  EXPECT_TRUE(got.back().ok);
  EXPECT_TRUE(got.back().result.empty());
  EXPECT_EQ(game.Read(L"b\\c.txt"), "charlie");
}

TEST(EngineWorker, ReportsToAWindowThatIsGoneAreDropped) {
  ASSERT_TRUE(InitCrypto());
  Site site(L"gone");
  site.Publish(1, {{"a.txt", "alpha"}});
  GameFolder game(L"gone");
  {
    FakeMainWindow window;
    g_hwndMain = window.hwnd();
  }  // destroyed: every post fails from here on
  g_baseUrl = site.baseUrl();
  g_appDir = game.path();
  g_updateOk = false;
  std::thread worker(RunUpdateThread);
  worker.join();
  EXPECT_TRUE(g_updateOk);
  EXPECT_EQ(game.Read(L"a.txt"), "alpha");
}
