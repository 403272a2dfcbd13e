"""Checks the version resource of a DLL: VS_FIXEDFILEINFO with file
version 1.0.4.0, and the FileDescription and InternalName strings."""
import struct
import sys

data = open(sys.argv[1], "rb").read()
ok = True
at = data.find(struct.pack("<I", 0xFEEF04BD))
if at < 0:
    print("  no VS_FIXEDFILEINFO")
    sys.exit(1)
_, _, ms, ls = struct.unpack_from("<IIII", data, at)
version = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
if version != (1, 0, 4, 0):
    print("  file version", version)
    ok = False


def string_value(key):
    k = (key + "\0").encode("utf-16-le")
    i = data.find(k)
    if i < 0:
        return None
    i += len(k)
    i += (-i) % 4  # values are 32-bit aligned
    end = data.find(b"\0\0", i)
    while end >= 0 and (end - i) % 2:
        end = data.find(b"\0\0", end + 1)
    return data[i:end].decode("utf-16-le")


for key in ("FileDescription", "InternalName"):
    value = string_value(key)
    if value != "TOVRA.DLL":
        print("  %s = %r" % (key, value))
        ok = False
sys.exit(0 if ok else 1)
