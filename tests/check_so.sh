#!/usr/bin/env bash
# libtovra.so: its soname, and exactly the two functions exported with C
# linkage (nothing of the C++ run-time or the core leaks out).
set -eu
so=${1:?usage: check_so.sh LIBTOVRA_SO}
soname=$(objdump -p "$so" | awk '$1 == "SONAME" {print $2}')
[ "$soname" = "libtovra.so.1" ] || { echo "soname is '$soname'"; exit 1; }
exports=$(nm -D --defined-only "$so" | awk '$2 ~ /^[TDBRVWi]$/ {print $3}' | sed 's/@.*//' | sort -u | grep -v '^TOVRA_1$' || true)
want=$(printf '%s\n' ReadD99999Data WriteD99999Data)
[ "$exports" = "$want" ] || { echo "exports:"; echo "$exports"; exit 1; }
echo "libtovra.so: soname $soname, exports $(echo $exports)"
