#!/usr/bin/python3
"""Prints, for each PE file, the SHA-256 of its image as it was before Authenticode signing,
then "signed" or "unsigned", then the file name. A signature adds a certificate table at the
end (after zero padding to 8 bytes), points the security directory at it and rewrites the
header checksum; none of these is part of the build, so they are set back. Two files with the
same value differ only in their signatures.

Usage: pe_unsigned.py FILE...   (exit status 2 when a file is not a PE image)"""
import hashlib
import struct
import sys

SECURITY_DIRECTORY = 4


def unsigned_image(data):
    """The image without its signature, checksum zeroed and padded to 8 bytes; and whether it
    carried a signature. Raises ValueError for anything that is not a PE image."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise ValueError("no MZ header")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if pe + 24 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE header")
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x10B:
        count_at, directories = optional + 92, optional + 96
    elif magic == 0x20B:
        count_at, directories = optional + 108, optional + 112
    else:
        raise ValueError("unknown optional header 0x%x" % magic)
    image = bytearray(data)
    struct.pack_into("<I", image, optional + 64, 0)
    signed = False
    if struct.unpack_from("<I", data, count_at)[0] > SECURITY_DIRECTORY:
        entry = directories + 8 * SECURITY_DIRECTORY
        offset, size = struct.unpack_from("<II", data, entry)
        if offset or size:
            if offset + size != len(data):
                raise ValueError("data after the certificate table")
            signed = True
            struct.pack_into("<II", image, entry, 0, 0)
            del image[offset:]
    image.extend(b"\0" * (-len(image) % 8))
    return bytes(image), signed


def main(paths):
    status = 0
    for path in paths:
        with open(path, "rb") as f:
            data = f.read()
        try:
            image, signed = unsigned_image(data)
        except ValueError as e:
            print("%s: not a PE image we can read (%s)" % (path, e), file=sys.stderr)
            status = 2
            continue
        print(hashlib.sha256(image).hexdigest(), "signed" if signed else "unsigned", path)
    return status


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1:]))
