// Owning wrappers for Windows handles: one traits struct and one alias per handle kind.
// Non-copyable, movable; Make* functions acquire and wrap in one step.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <winhttp.h>

#include <cstdio>
#include <utility>

namespace handles {

template <typename Traits>
class Unique {
 public:
  using Handle = typename Traits::Handle;

  Unique() noexcept = default;
  explicit Unique(Handle h) noexcept : h_(h) {}
  ~Unique() { reset(); }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : h_(other.release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return Traits::IsValid(h_); }
  Handle release() noexcept { return std::exchange(h_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) noexcept {
    if (Traits::IsValid(h_)) Traits::Close(h_);
    h_ = h;
  }
  // For out-parameters of creating calls; closes what was held first.
  Handle* put() noexcept {
    reset();
    return &h_;
  }

 private:
  Handle h_ = Traits::Invalid();
};

struct KernelTraits {  // CreateEvent, CreateProcess, job objects: null means none
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FileTraits {  // CreateFileW: INVALID_HANDLE_VALUE means none
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Handle h) { FindClose(h); }
};
struct InternetTraits {
  using Handle = HINTERNET;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { WinHttpCloseHandle(h); }
};
struct BcryptAlgTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { BCryptCloseAlgorithmProvider(h, 0); }
};
struct BcryptHashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { BCryptDestroyHash(h); }
};
struct StdioTraits {
  using Handle = FILE*;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { std::fclose(h); }
};
struct MemoryDcTraits {  // CreateCompatibleDC
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteDC(h); }
};
struct GdiObjectTraits {  // bitmaps, brushes, pens, fonts, regions
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
struct ModuleTraits {  // LoadLibraryW
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};

using UniqueHandle = Unique<KernelTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueInternet = Unique<InternetTraits>;
using UniqueBcryptAlg = Unique<BcryptAlgTraits>;
using UniqueBcryptHash = Unique<BcryptHashTraits>;
using UniqueStdio = Unique<StdioTraits>;
using UniqueMemoryDc = Unique<MemoryDcTraits>;
using UniqueGdiObject = Unique<GdiObjectTraits>;
using UniqueModule = Unique<ModuleTraits>;

inline UniqueFile MakeFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                           DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return UniqueFile(CreateFileW(path, access, share, nullptr, disposition, flags, nullptr));
}

inline UniqueMemoryDc MakeMemoryDc(HDC compatibleWith) {
  return UniqueMemoryDc(CreateCompatibleDC(compatibleWith));
}

// BeginPaint/EndPaint as a scope.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { hdc_ = BeginPaint(hwnd_, &ps_); }
  ~PaintScope() { EndPaint(hwnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return hdc_; }
  const PAINTSTRUCT& paint() const { return ps_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC hdc_ = nullptr;
};

}  // namespace handles
