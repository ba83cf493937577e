#!/usr/bin/env bash
# Sets up, builds and runs Soarnote on a Debian 12 machine.
#   ./dev.sh run     install what is needed, build, start Soarnote on its demo logbook
#   ./dev.sh test    install what is needed, then everything CI checks: the committed format, a build with
#                    warnings as errors and its tests, the installed copy, and an ASan + UBSan build (clang)
#                    of the whole suite with a smoke run of every fuzzer
#   ./dev.sh quick   build and run the tests of the plain build only
#   ./dev.sh build   build only
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ ccache qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-serialport-dev
          libqt6sql6-sqlite libsqlite3-dev libgl-dev libgl1-mesa-dri libassimp-dev xvfb xauth fonts-liberation2)
# Only the tests need these: clang and its sanitizer/fuzzer runtimes, the format check, PDF read-back.
TEST_PACKAGES=(clang libclang-rt-14-dev clang-format poppler-utils sqlite3 gpsbabel)

install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

jobs=$(nproc)

build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build build -j "$jobs"
}

build_sanitized() {
    CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DSOARNOTE_SANITIZE=ON -DSOARNOTE_FUZZ=ON >/dev/null
    cmake --build build-asan -j "$jobs"
}

step() { printf '\n=== %s (%s)\n' "$1" "$(date +%T)"; }

case "${1:-run}" in
    run)
        install_packages "${PACKAGES[@]}"
        build
        exec build/bin/soarnote
        ;;
    test)
        install_packages "${PACKAGES[@]}" "${TEST_PACKAGES[@]}"
        step "format"
        tools/ci/formatcheck.sh
        step "build (warnings as errors)"
        build -DSOARNOTE_WERROR=ON
        step "tests"
        (cd build && ctest --output-on-failure -j "$jobs")
        step "installed copy"
        tools/ci/installcheck.sh build
        step "ASan + UBSan build with fuzzers (clang)"
        build_sanitized
        step "tests under ASan + UBSan, fuzzer smoke runs"
        # Leak checks stay on; the suppressions name leaks inside system libraries only.
        export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
        export LSAN_OPTIONS="suppressions=$PWD/tools/ci/lsan.supp:print_suppressions=0"
        export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$PWD/tools/ci/ubsan.supp"
        (cd build-asan && ctest --output-on-failure -j "$jobs")
        ;;
    quick)
        install_packages "${PACKAGES[@]}"
        build
        cd build && ctest --output-on-failure -j "$jobs"
        ;;
    build)
        build
        ;;
    *)
        echo "usage: $0 [run|test|quick|build]" >&2
        exit 2
        ;;
esac
