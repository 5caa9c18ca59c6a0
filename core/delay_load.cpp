// First calls into the delay-loaded system DLLs (see cmake/make-delay-import-lib) arrive
// here: the DLL is loaded by name, under whatever search restriction the process has set by
// then, and the function's import slot is pointed at the real function for every later call.
#include <windows.h>

struct DelayedDll {
  HMODULE module;
  const char* name;
};

extern "C" void* talvore_resolve_delayed(DelayedDll* dll, const char* function, void** slot) {
  HMODULE module = dll->module;
  if (!module) {
    module = LoadLibraryA(dll->name);
    dll->module = module;  // kept for the life of the process
  }
  void* address = module ? reinterpret_cast<void*>(GetProcAddress(module, function)) : nullptr;
  // A system DLL or function that is not there leaves nothing sensible to continue with.
  if (!address) FatalAppExitA(0, dll->name);
  *slot = address;
  return address;
}
