#include "app/dll_search.h"

#include <windows.h>

namespace {

// DLLs that the system libraries the launcher uses load only when first needed, by bare
// name. Some loaders resolve such on-demand loads through the program's own folder whatever
// the default search directories say; once a DLL of that name is loaded, every later load by
// name gets that one.
constexpr const wchar_t* kLoadedOnDemand[] = {
    L"bcrypt.dll", L"crypt32.dll", L"version.dll", L"uxtheme.dll", L"windowscodecs.dll",
};

}  // namespace

// The launcher is first run from wherever the browser saved it, a folder full of other
// downloads; a DLL there named like one the launcher loads would run inside it. Its own
// imports outside kernel32, msvcrt and advapi32 are delay-loaded (see the build), so none of
// them has been looked up when this runs. Systems without SetDefaultDllDirectories (Windows 7
// before KB2533623) at least lose the current folder from the search.
void RestrictDllSearchToSystemFolder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (!setDefault || !setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    SetDllDirectoryW(L"");
    return;
  }
  // Loaded for the life of the process.
  for (const wchar_t* name : kLoadedOnDemand) LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}
