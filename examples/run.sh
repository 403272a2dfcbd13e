#!/bin/sh
# Builds the example host against an installed TOVRA package and runs it.
#   examples/run.sh DIST_DIR [WORK_DIR]
# DIST_DIR is an install prefix (e.g. dist/linux-x86_64). The host is built
# twice: with CMake's find_package(tovra), and, where pkg-config is there,
# from the tovra.pc file alone. WORK_DIR (default: a new temporary folder)
# holds the builds.
set -eu
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 DIST_DIR [WORK_DIR]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
dist=$(cd "$1" && pwd)
if [ $# -eq 2 ]; then
    work=$2
    rm -rf "$work"
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
work=$(cd "$work" && pwd)

echo "== find_package(tovra) from $dist"
cmake -S "$here" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$dist" -DCMAKE_BUILD_TYPE=Release >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log"; exit 1; }
cmake --build "$work/cmake" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
(cd "$work" && "$work/cmake/example_host" "$work/cmake.dat")

if command -v pkg-config >/dev/null 2>&1 && [ -f "$dist/lib/pkgconfig/tovra.pc" ]; then
    echo "== pkg-config tovra from $dist"
    export PKG_CONFIG_PATH="$dist/lib/pkgconfig"
    libdir=$(pkg-config --variable=libdir tovra)
    # shellcheck disable=SC2046
    ${CC:-cc} -std=c99 -Wall -Wextra -Werror $(pkg-config --cflags tovra) -o "$work/example_host_pc" \
        "$here/host.c" $(pkg-config --libs tovra) -lm -Wl,-rpath,"$libdir"
    "$work/example_host_pc" "$work/pkg-config.dat"
fi
