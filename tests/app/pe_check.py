#!/usr/bin/python3
"""Checks the shipped executable: 32-bit GUI PE, only system DLLs imported, asInvoker manifest
without DPI awareness, icon group 101. Usage: pe_check.py EXE"""
import sys

import pefile

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
    "oleaut32.dll", "comctl32.dll", "gdiplus.dll", "winhttp.dll", "bcrypt.dll", "shlwapi.dll",
    "msvcrt.dll", "comdlg32.dll", "uxtheme.dll", "version.dll", "ws2_32.dll",
}
RT_ICON_GROUP, RT_MANIFEST = 14, 24

failures = []
pe = pefile.PE(sys.argv[1])
if pe.FILE_HEADER.Machine != 0x14C:
    failures.append("not a 32-bit x86 image (machine 0x%x)" % pe.FILE_HEADER.Machine)
if pe.OPTIONAL_HEADER.Subsystem != 2:
    failures.append("not a GUI-subsystem image (subsystem %d)" % pe.OPTIONAL_HEADER.Subsystem)
imports = sorted(e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
foreign = [d for d in imports if d not in SYSTEM_DLLS and not d.startswith("api-ms-win-")]
if foreign:
    failures.append("imports non-system DLLs: %s" % ", ".join(foreign))

resources = {}
for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
    for rid in rtype.directory.entries:
        for lang in rid.directory.entries:
            data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
            resources[(rtype.id, rid.id)] = data
manifest = resources.get((RT_MANIFEST, 1), b"").decode("utf-8", "replace")
if 'level="asInvoker"' not in manifest:
    failures.append("manifest does not request asInvoker")
if "dpiAware" in manifest or "dpiAwareness" in manifest:
    failures.append("manifest declares DPI awareness")
group = resources.get((RT_ICON_GROUP, 101))
if not group:
    failures.append("no icon group 101")
else:
    sizes = sorted((group[6 + 14 * i] or 256) for i in range(int.from_bytes(group[4:6], "little")))
    print("icon sizes:", sizes)
    if sizes != [16, 20, 24, 32, 40, 48, 64, 96, 128, 256]:
        failures.append("icon group 101 should hold the ten sizes 16 to 256")

print("imports:", ", ".join(imports))
for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
