#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "core/detached_thread.h"

namespace {

// Many short threads started back to back, each right after the last one may have ended,
// while another thread keeps the loader busy (as the window's start does with its DLLs): the
// exit of one thread must never cost the next one its work.
TEST(DetachedThread, EveryThreadStartedBackToBackRuns) {
  constexpr int kThreads = 3000;
  std::atomic<int> ran{0};
  std::atomic<bool> stop{false};
  std::thread loader([&stop] {
    while (!stop) FreeLibrary(LoadLibraryW(L"dwmapi.dll"));
  });
  int started = 0;
  for (int i = 0; i < kThreads; ++i) started += StartDetachedThread([&ran] { ++ran; }) ? 1 : 0;
  for (int waited = 0; waited < 30000 && ran.load() < started; waited += 10) Sleep(10);
  stop = true;
  loader.join();
  EXPECT_EQ(started, kThreads);
  EXPECT_EQ(ran.load(), started);
}

TEST(DetachedThread, WorkKeepsWhatItCaptured) {
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(done, nullptr);
  std::wstring seen;
  const std::wstring text = L"Verificando atualizacoes...";
  ASSERT_TRUE(StartDetachedThread([text, &seen, done] {
    seen = text;
    SetEvent(done);
  }));
  ASSERT_EQ(WaitForSingleObject(done, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(seen, text);
  CloseHandle(done);
}

}  // namespace
