#!/usr/bin/env bash
# Builds the three dist/ folders and runs every test, on a fresh Debian
# bookworm machine: installs what is missing, then
#   native build, unit tests and install      -> dist/linux-x86_64
#   the same tests under ASan + UBSan, and under valgrind
#   32-bit Windows DLL, static check           -> dist/windows-x86
#   64-bit Windows DLL, end to end under wine64 -> dist/windows-x64
#   bounded fuzzing of the reader and the round trip
#   the example host against the installed package, the packages; the
#   native tests include the tool's tests and a smoke run of the benchmarks
# Every stage runs; the script fails if any stage failed.
#
# Environment: TOVRA_FUZZ_SECONDS (default 60 per target).
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(cmake make g++ python3 libgtest-dev libbenchmark-dev clang libclang-rt-14-dev llvm-14
          valgrind g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 nlohmann-json3-dev locales
          pkg-config file zip unzip dpkg-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null || {
        echo "apt-get install failed"
        exit 1
    }
fi
# A locale with a decimal comma, for the test that the files never use one.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf'; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || echo "note: no de_DE locale could be made"
fi

passed=0
failed=0
failures=()
stage() {  # stage NAME COMMAND...
    local name=$1
    shift
    echo
    echo "== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "!! stage failed: $name"
    fi
}

native() {
    cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build build/native -j"$jobs" &&
        rm -rf dist/linux-x86_64 &&
        cmake --install build/native --prefix dist/linux-x86_64 >/dev/null &&
        ctest --test-dir build/native --output-on-failure -j"$jobs"
}

sanitized() {
    cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DTOVRA_SANITIZE=ON -DTOVRA_BENCH=OFF >/dev/null &&
        cmake --build build/asan -j"$jobs" &&
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
            ctest --test-dir build/asan --output-on-failure -j"$jobs"
}

valgrind_run() {
    cmake -S . -B build/valgrind -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVRA_BENCH=OFF -DTOVRA_TOOL=OFF >/dev/null &&
        cmake --build build/valgrind -j"$jobs" --target tovra_tests tovra_fault_tests &&
        tests/valgrind.sh build/valgrind
}

packages_made() {  # the .deb of the Linux build and a zip of each Windows build
    local build
    for build in native win-x86 win-x64; do
        rm -rf "build/$build/packages"
        (cd "build/$build" && cpack --config CPackConfig.cmake >/dev/null) || return 1
    done
    ls build/native/packages/*.deb build/win-x86/packages/*.zip build/win-x64/packages/*.zip || return 1
    local deb zip
    deb=$(dpkg-deb -c build/native/packages/*.deb) && zip=$(unzip -l build/win-x86/packages/*.zip) || return 1
    grep -q 'usr/bin/tovra$' <<<"$deb" && grep -q 'usr/lib/cmake/tovra/tovraConfig.cmake$' <<<"$deb" &&
        grep -q 'bin/TOVRA.dll$' <<<"$zip" && grep -q 'lib/libTOVRA.dll.a$' <<<"$zip"
}

windows() {  # windows TOOLCHAIN BUILD DIST
    cmake -S . -B "build/$2" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-$1.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null &&
        cmake --build "build/$2" -j"$jobs" &&
        rm -rf "dist/$3" &&
        cmake --install "build/$2" --prefix "dist/$3" >/dev/null
}

stage "native build and tests" native
stage "tests under AddressSanitizer and UndefinedBehaviorSanitizer" sanitized
stage "tests under valgrind memcheck" valgrind_run
stage "32-bit Windows DLL" windows i686 win-x86 windows-x86
stage "32-bit DLL static check" tests/windows/check_dll32.sh dist/windows-x86
stage "64-bit Windows DLL" windows x86_64 win-x64 windows-x64
stage "64-bit DLL under wine64" tests/windows/run_wine_tests.sh build/win-x64 dist/windows-x64
stage "packages (.deb, zips)" packages_made
stage "bounded fuzzing" fuzz/run.sh "${TOVRA_FUZZ_SECONDS:-60}"
stage "example host against dist/linux-x86_64" sh examples/run.sh "$root/dist/linux-x86_64"

echo
if [ "$failed" -gt 0 ]; then
    printf 'failed stage: %s\n' "${failures[@]}"
fi
echo "test.sh stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
