#!/usr/bin/env bash
# Sets up, builds and runs Soarnote on a Debian 12 machine.
#   ./dev.sh run    install what is needed, build, start Soarnote on its demo logbook
#   ./dev.sh test   install what is needed, build, run every test
#   ./dev.sh build  build only
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ ccache qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-serialport-dev
          libqt6sql6-sqlite libsqlite3-dev libgl-dev libgl1-mesa-dri libassimp-dev xvfb xauth)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build
}

case "${1:-run}" in
    run)
        install_packages
        build
        exec build/bin/soarnote
        ;;
    test)
        install_packages
        build
        cd build && ctest --output-on-failure -j "$(nproc)"
        ;;
    build)
        build
        ;;
    *)
        echo "usage: $0 [run|test|build]" >&2
        exit 2
        ;;
esac
