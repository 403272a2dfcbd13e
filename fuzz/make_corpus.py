#!/usr/bin/env python3
"""Writes the seed files of the read target into fuzz/corpus/read/.

Each file shows one edge of the data file: the example file, long lines
around the 253-character pieces, 0x1A, NUL, a lone CR, the header forms and
the section limits. Run it again after changing the list; the files are
kept in the repository.
"""
import os

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "read")

EXAMPLE = [b"# KTEIL", b"           Test", b"# IFELD", b"IFELD(  0) 7", b"IFELD(  1) -12",
           b"# DFELD", b"DFELD(  0) 1.500000", b"# CFELD", b"CFELD(  0) abc", b"# PFELD",
           b"DFELD(  0) 0.250000", b"# END "]


def join(lines, eol=b"\r\n"):
    return eol.join(lines)


def section(header, label, values):
    return [header] + [b"%s(%3d) %s" % (label, i, v) for i, v in enumerate(values)]


seeds = {
    "example-crlf": join(EXAMPLE),
    "example-lf": join(EXAMPLE, b"\n"),
    "example-final-eol": join(EXAMPLE) + b"\r\n",
    "empty": b"",
    "lone-cr": join(EXAMPLE, b"\r"),
    "cr-in-text": join([b"# CFELD", b"CFELD(  0) a\rb\r", b"# END "]),
    "eof-byte": join(EXAMPLE[:5]) + b"\x1a" + join(EXAMPLE[5:]),
    "nul-bytes": join([b"# KTEIL", b"           He\x00ad", b"# CFELD", b"CFELD(  0) \x00x",
                       b"# IFE\x00LD", b"IFELD(  0) 5"]),
    "value-first": join([b"IFELD(  0) 1", b"# IFELD", b"IFELD(  0) 2"]),
    "headers-other": join([b"# ifeld", b"IFELD(  0) 1", b"#IFELD", b"IFELD(  0) 2",
                           b"# IFELD more words", b"IFELD(  0) 3", b"# XFELD", b"X          4",
                           b"#", b"", b"# ENDE", b"# DFELD", b"DFELD(  0) 5", b"# END", b"# IFELD",
                           b"IFELD(  0) 6"]),
    "end-only": b"# END",
    "numbers": join(section(b"# IFELD", b"IFELD", [b"2147483648", b"-2147483649", b"  +12x",
                                                    b"99999999999999999999", b"-"]) +
                    section(b"# DFELD", b"DFELD", [b"1e309", b"-1e-400", b"inf", b"-nan(x1)",
                                                    b"0x10", b".5e", b"1.e+3", b"  \t-0.0"])),
    "texts": join([b"# KTEIL", b"           " + b"k" * 79, b"           " + b" " * 5, b"# CFELD",
                   b"CFELD(  0)    ", b"CFELD(  1) " + b"c" * 100, b"CFELD(  2) tab\t",
                   b"CFELD(  3) \x81\xff", b"short", b""]),
    "limit-ifeld": join(section(b"# IFELD", b"IFELD", [b"%d" % i for i in range(6)]) + EXAMPLE[5:]),
    "limit-dfeld": join(section(b"# DFELD", b"DFELD", [b"%d.000000" % i for i in range(171)])),
    "limit-cfeld": join(section(b"# CFELD", b"CFELD", [b"t%d" % i for i in range(11)])),
    "limit-pfeld": join(section(b"# PFELD", b"DFELD", [b"%d.5" % i for i in range(16)])),
    "limit-kteil": join([b"# KTEIL"] + [b"           line %d" % i for i in range(20)]),
    "section-twice": join(section(b"# IFELD", b"IFELD", [b"1", b"2", b"3"]) +
                          section(b"# IFELD", b"IFELD", [b"9"])),
}
for n in (252, 253, 254, 506):
    digits = b"1" * (n - 11 - 7) + b".000000"
    seeds["line-%d" % n] = join([b"# DFELD", b"DFELD(  0) " + digits, b"DFELD(  1) 2.0", b"# END "])
    seeds["header-%d" % n] = join([b"# IFELD" + b"x" * (n - 7), b"IFELD(  0) 4", b"# END "])
seeds["line-253-at-end"] = b"# CFELD\r\nCFELD(  0) " + b"z" * 242
seeds["huge-real-last-slot"] = join(section(b"# PFELD", b"DFELD", [b"1.0"] * 14 + [b"9" * 300 + b".000000"]))

os.makedirs(here, exist_ok=True)
for name, data in sorted(seeds.items()):
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
print("%d seed files in %s" % (len(seeds), here))
