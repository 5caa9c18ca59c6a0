#!/usr/bin/python3
"""Checks the shipped executable: 32-bit GUI PE, static imports only from Windows' known DLLs
(the others are delay-loaded, so none is looked up in the folder it starts from), asInvoker
manifest without DPI awareness, icon group 101. Usage: pe_check.py EXE"""
import sys

import pefile

# Windows 7 SP1's known DLLs (the oldest list the launcher meets): the loader takes these from
# the system folder whatever folder the program starts from.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "iertutil.dll",
    "imagehlp.dll", "imm32.dll", "kernel32.dll", "lpk.dll", "msctf.dll", "msvcrt.dll",
    "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll",
    "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "urlmon.dll", "user32.dll",
    "usp10.dll", "wininet.dll", "wldap32.dll", "ws2_32.dll",
}
# Not known DLLs on every Windows, and used: delay-loaded, so they must not be imported.
DELAY_LOADED = ["winhttp.dll", "bcrypt.dll", "comctl32.dll", "gdiplus.dll"]
RT_ICON_GROUP, RT_MANIFEST = 14, 24

failures = []
pe = pefile.PE(sys.argv[1])
if pe.FILE_HEADER.Machine != 0x14C:
    failures.append("not a 32-bit x86 image (machine 0x%x)" % pe.FILE_HEADER.Machine)
if pe.OPTIONAL_HEADER.Subsystem != 2:
    failures.append("not a GUI-subsystem image (subsystem %d)" % pe.OPTIONAL_HEADER.Subsystem)
imports = sorted(e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
unknown = [d for d in imports if d not in KNOWN_DLLS]
if unknown:
    failures.append("imports DLLs that are not known DLLs: %s" % ", ".join(unknown))
image = open(sys.argv[1], "rb").read()
for dll in DELAY_LOADED:
    if dll.encode() not in image:
        failures.append("%s is neither imported nor delay-loaded" % dll)

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
