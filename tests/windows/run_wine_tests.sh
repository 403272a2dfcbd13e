#!/usr/bin/env bash
# Runs the 64-bit TOVRA.dll end to end under wine64: the host program that
# loads it with LoadLibraryA, and a host linked against its import library.
# One wine server is kept running for the whole run and stopped at the end.
# Usage: run_wine_tests.sh BUILD_DIR DIST_DIR   (the x86_64 cross build)
set -eu
build=$(cd "${1:?usage: run_wine_tests.sh BUILD_DIR DIST_DIR}" && pwd)
dist=$(cd "${2:?usage: run_wine_tests.sh BUILD_DIR DIST_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.tovra-ready" ]; then
    rm -rf "$WINEPREFIX"
    "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    touch "$WINEPREFIX/.tovra-ready"
fi
# Wait for a server still running from the set-up, then start one that
# stays for the whole run.
"$wineserver" -w 2>/dev/null || true
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT

run=$build/wine-run
rm -rf "$run"
mkdir -p "$run/work"
cp "$dist/bin/TOVRA.dll" "$run/"
cp "$build/tests/windows/tovra_wine_host.exe" "$build/tests/windows/tovra_link_host.exe" "$run/"

status=0
(cd "$run" && "$wine" tovra_wine_host.exe 'TOVRA.dll' "$(winepath_w "$here/expected" 2>/dev/null || echo 'Z:'"${here//\//\\}"'\expected')" 'work') || status=1
# The linked host writes and reads host.dat next to it and returns 0.
if (cd "$run" && "$wine" tovra_link_host.exe); then
    if cmp -s "$run/host.dat" <(printf '# KTEIL\r\n           head\r\n# IFELD\r\n# DFELD\r\n# CFELD\r\n# PFELD\r\n# END '); then
        echo "linked host: 1 passed, 0 failed"
    else
        echo "linked host: 0 passed, 1 failed (host.dat differs)"
        status=1
    fi
else
    echo "linked host: 0 passed, 1 failed (exit status)"
    status=1
fi
exit $status
