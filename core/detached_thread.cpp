#include "core/detached_thread.h"

#include <windows.h>
#include <process.h>

#include <memory>
#include <new>
#include <utility>

namespace {

unsigned __stdcall RunWork(void* parameter) {
  const std::unique_ptr<std::function<void()>> work(
      static_cast<std::function<void()>*>(parameter));
  (*work)();
  return 0;
}

}  // namespace

bool StartDetachedThread(std::function<void()> work) {
  auto* owned = new (std::nothrow) std::function<void()>(std::move(work));
  if (!owned) return false;
  // _beginthreadex rather than CreateThread: the thread uses the C runtime.
  const uintptr_t thread = _beginthreadex(nullptr, 0, RunWork, owned, 0, nullptr);
  if (!thread) {
    delete owned;
    return false;
  }
  CloseHandle(reinterpret_cast<HANDLE>(thread));
  return true;
}
