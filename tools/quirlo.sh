#!/usr/bin/env bash
# Sets up a Debian 12 machine for Quirlo (as root), builds it, and starts it ("run") or runs
# every test under a virtual X server, plainly and with the sanitizers ("test").
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake pkg-config libgtk2.0-dev libgtest-dev xvfb xauth)

install_missing() {
    local missing=() package
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    if ((${#missing[@]})); then
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
    fi
}

build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

case "${1:-}" in
run)
    install_missing
    build build
    exec ./build/quirlo
    ;;
test)
    install_missing
    build build
    build build-sanitize -DQUIRLO_SANITIZE=ON
    (cd build && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j "$(nproc)")
    # GTK keeps its own allocations until exit, so leak reports would be noise.
    (cd build-sanitize && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j "$(nproc)")
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
