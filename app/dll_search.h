// Where the launcher's DLLs come from: the system folder only, never the folder it was
// started from.
#pragma once

// The first call of the process. Restricts every later DLL search to the system folder and
// loads from there, up front, the system DLLs that other system DLLs load on demand by name.
void RestrictDllSearchToSystemFolder();
