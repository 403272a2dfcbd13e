#!/usr/bin/env bash
# Static check of the 32-bit TOVRA.dll, which cannot run on this machine:
# machine type, DLL name, the two exports at their ordinals and addresses,
# imports from Windows system DLLs only, callee stack clean-up on every
# return, the version resource, and a 32-bit host linked against the
# import libraries that imports the decorated names.
# Usage: check_dll32.sh DIST_DIR (e.g. dist/windows-x86)
set -u
dist=${1:?usage: check_dll32.sh DIST_DIR}
dll=$dist/bin/TOVRA.dll
objdump=i686-w64-mingw32-objdump
here=$(cd "$(dirname "$0")" && pwd)
passed=0
failed=0
check() {  # check NAME COMMAND...
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok   $name"
    else
        failed=$((failed + 1))
        echo "FAIL $name"
    fi
}

headers=$($objdump -p "$dll")
disasm=$($objdump -d "$dll")

check "machine i386" grep -q "file format pei-i386" <<<"$($objdump -f "$dll")"
check "DLL name TOVRA.dll" grep -Eq "^Name[[:space:]]+[0-9a-f]+ TOVRA\.dll$" <<<"$headers"

# Ordinal -> RVA from the export address table, name -> address from the
# symbol of the function.
image_base=$(awk '/^ImageBase/ {print $2}' <<<"$headers")
export_rva() {
    awk -v ord="$1" '/^Export Address Table --/ {t = 1; next}
        t && /^\[Ordinal/ {t = 0}
        t && /\+base\[/ {o = $0; sub(/.*\+base\[ */, "", o); split(o, f, /[] ]+/);
                         if (f[1] + 0 == ord) print f[2]}' <<<"$headers"
}
symbol_rva() {
    local addr
    addr=$(grep -E "^[0-9a-f]+ <$1>:" <<<"$disasm" | awk '{print $1}')
    [ -n "$addr" ] && printf '%x\n' $((16#$addr - 16#$image_base))
}
names=$(awk '/^\[Ordinal\/Name Pointer\] Table/ {t = 1; next} t && NF == 0 {t = 0} t {print $NF}' <<<"$headers" | sort)
check "exactly the two exported names" test "$names" = "$(printf '%s\n' _ReadD99999Data@24 _WriteD99999Data@36)"
check "number of exports is 2" grep -Eq "Export Address Table[[:space:]]+0+2$" <<<"$headers"
check "ordinal 1 is _ReadD99999Data@24" test "$(export_rva 1)" = "$(symbol_rva _ReadD99999Data@24)"
check "ordinal 2 is _WriteD99999Data@36" test "$(export_rva 2)" = "$(symbol_rva _WriteD99999Data@36)"

imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort -u)
system_only() {
    local d
    for d in $imports; do
        case $d in
            kernel32.dll | user32.dll | msvcrt.dll | advapi32.dll | ntdll.dll | api-ms-win-*.dll) ;;
            *) echo "  not a system DLL: $d"; return 1 ;;
        esac
    done
}
check "imports only system DLLs ($(echo $imports))" system_only

# Every way out of each export removes its arguments: ret $0x18 (6 x 4
# bytes) for the reader, ret $0x24 (9 x 4 bytes) for the writer, and no
# plain ret or jump out of the function.
returns_ok() {  # returns_ok SYMBOL POP
    local body
    body=$(awk -v s="<$1>:" '$2 == s {t = 1; next} t && NF == 0 {exit} t' <<<"$disasm")
    [ -n "$body" ] || { echo "  no body for $1"; return 1; }
    local rets bad
    rets=$(grep -Ec "\sret" <<<"$body")
    bad=$(grep -E "\sret|\sjmp\s+[0-9a-f]+ <" <<<"$body" | grep -Ev "ret\s+\\\$$2$" || true)
    [ "$rets" -ge 1 ] && [ -z "$bad" ] || { echo "  $bad"; return 1; }
}
check "read export returns with ret \$0x18" returns_ok _ReadD99999Data@24 0x18
check "write export returns with ret \$0x24" returns_ok _WriteD99999Data@36 0x24

check "version resource: 1.0.4.0, FileDescription and InternalName TOVRA.DLL" \
    python3 "$here/check_version.py" "$dll"

# A 32-bit host that links against each import library imports the
# decorated names from TOVRA.dll.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for implib in libTOVRA.dll.a TOVRA.lib; do
    links() {
        i686-w64-mingw32-gcc -std=c99 -Wall -Werror -I"$dist/include" -o "$work/host.exe" \
            "$here/link_host.c" "$dist/lib/$implib" || return 1
        local table
        table=$($objdump -p "$work/host.exe" | awk '/DLL Name: TOVRA.dll/ {t = 1; next} t && NF == 0 {exit} t')
        grep -Eq "\s_ReadD99999Data@24$" <<<"$table" && grep -Eq "\s_WriteD99999Data@36$" <<<"$table"
    }
    check "32-bit host links against $implib and imports the decorated names" links
done
check "the .def lists the decorated exports" grep -Eq "^_WriteD99999Data@36 @2$" "$dist/lib/TOVRA.def"

echo "dll32: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
