#!/usr/bin/env bash
# The main job on the bundled example: builds the Linux library and the
# tovra tool into dist/linux-x86_64, saves and loads a data set from a C
# host linked against the installed package, then shows what a host reads
# from the bundled data files and what in a hand-edited one it would lose.
set -euo pipefail
cd "$(dirname "$0")"
packages=(cmake make g++ nlohmann-json3-dev pkg-config)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=Release -DTOVRA_TESTS=OFF -DTOVRA_BENCH=OFF >/dev/null
cmake --build build/demo -j"$(nproc 2>/dev/null || echo 2)" >/dev/null
rm -rf dist/linux-x86_64
cmake --install build/demo --prefix dist/linux-x86_64 >/dev/null
tovra=dist/linux-x86_64/bin/tovra

echo "== a C host saves and loads a data set through libtovra.so"
examples/run.sh dist/linux-x86_64

echo
echo "== tovra show examples/data/example.dat"
"$tovra" show examples/data/example.dat
echo
echo "== tovra json examples/data/example.dat"
"$tovra" json examples/data/example.dat
echo
echo "== tovra check examples/data/edited.dat (a hand-edited file)"
status=0
"$tovra" check examples/data/edited.dat || status=$?
echo "(exit status $status: 0 clean, 1 warnings, 2 errors)"
echo
echo "== tovra fmt examples/data/edited.dat: the same data set in the canonical form (shown in UTF-8)"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$tovra" fmt examples/data/edited.dat "$out"
tr -d '\r' <"$out" | iconv -f CP1252 -t UTF-8
echo
