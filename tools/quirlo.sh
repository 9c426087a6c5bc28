#!/usr/bin/env bash
# Sets up a Debian 12 machine for Quirlo (as root), builds it, and starts it with the simulated
# instrument and a demo measurement ("demo"), starts it for real hardware ("run"), runs every
# test under a virtual X server, plainly and with the sanitizers ("test"), or runs the
# timing-sensitive tests many times on a loaded machine ("stress").
set -euo pipefail
cd "$(dirname "$0")/.."

# The fonts are those the windows ask for: DejaVu (with its condensed faces) and FreeSans. groff
# (with perl for its PDF output, and pdfinfo of poppler-utils for its pictures) typesets the
# manual; clang with its runtime builds the fuzz
# targets; PLplot with its cairo devices draws the diagram; ser2net serves a test instrument on
# the network, socat gives one a terminal behind a link; rpcgen (rpcsvc-proto), libtirpc and
# rpcbind let it serve VXI-11, which liblxi reaches; iproute2 and avahi-daemon give the search
# test a private network with mDNS; pyserial and PyVISA with pyvisa-py are the plain clients of
# the query benchmark.
packages=(g++ cmake ninja-build pkg-config libgtk2.0-dev libgtest-dev xvfb xauth xfonts-base
          fonts-dejavu-core fonts-dejavu-extra fonts-freefont-ttf groff perl poppler-utils clang libclang-rt-14-dev
          libplplot-dev plplot-driver-cairo ser2net socat rpcsvc-proto libtirpc-dev rpcbind liblxi-dev iproute2 avahi-daemon
          python3-serial python3-pyvisa python3-pyvisa-py)

# Installs the packages and those given as arguments, where missing.
install_missing() {
    local missing=() package
    for package in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    if ((${#missing[@]})); then
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

configure() {
    local dir=$1
    shift
    # A tree configured for another generator cannot be reused.
    if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

build() {
    configure "$@"
    cmake --build "$1" -j "$(nproc)"
}

# Builds only what demo and run start: Quirlo, the simulated instrument and, where groff is
# there, the manual; the tests and benchmarks are built by "test".
build_to_start() {
    configure build
    local targets=(quirlo sim_instrument)
    if ninja -C build -t query manual >/dev/null 2>&1; then
        targets+=(manual)
    fi
    cmake --build build -j "$(nproc)" --target "${targets[@]}"
}

# Runs the tests of one build tree; prints ctest's output and leaves "passed failed" in $dir/.counts.
run_tests() {
    local dir=$1 log
    # Each GUI test starts a virtual X server of its own (tools/own_display.sh).
    log=$(cd "$dir" && ctest --output-on-failure -j "$(nproc)" 2>&1) || true
    printf '%s\n' "$log"
    local total failed
    total=$(printf '%s\n' "$log" | sed -n 's/.* tests failed out of \([0-9]*\).*/\1/p' | tail -n 1)
    failed=$(printf '%s\n' "$log" | sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' | tail -n 1)
    # No summary line means ctest itself failed: count that as a failure.
    if [ -z "$total" ]; then
        total=1 failed=1
    fi
    echo "$((total - failed)) $failed" >"$dir/.counts"
}

# Removes the demo's directory, unless the user saved a file in it during the demo (Quirlo.ini
# and the autosaves "QZ*.log" are Quirlo's own).
demo_end() {
    local saved
    saved=$(find "$dir" -type f -newer "$dir/.start" ! -name Quirlo.ini ! -name instrument ! -name .start \
        ! -name 'QZ*.log' -print -quit)
    if [ -n "$saved" ]; then
        echo "Die in der Demo gesicherten Dateien bleiben in $dir"
    else
        rm -rf "$dir"
    fi
}

# Quirlo in a temporary program directory of its own, with the demo's settings, lists and
# device settings, and the simulated instrument as the port; both end together and the
# directory goes with them unless something was saved in it.
demo() {
    # Not local: the exit trap needs them after the function has returned.
    dir=$(mktemp -d "${TMPDIR:-/tmp}/quirlo-demo-XXXXXX")
    mkdir -p "$dir/Devices" "$dir/Cmd" "$dir/Run" "$dir/Log"
    cp build/quirlo "$dir/"
    [ ! -f build/Quirlo.pdf ] || cp build/Quirlo.pdf "$dir/"
    cp examples/demo.set "$dir/Devices/"
    cp examples/demo.cml "$dir/Cmd/"
    cp examples/demo.run "$dir/Run/"
    cp examples/demo.ini "$dir/Quirlo.ini"
    # QUIRLO_DEMO_STREAM=MS: the instrument also sends a line of its own every MS milliseconds.
    ./build/sim_instrument ${QUIRLO_DEMO_STREAM:+--stream "$QUIRLO_DEMO_STREAM"} >"$dir/instrument" &
    instrument=$!
    # What the user saved into the demo's directory (lists, settings, logs, diagrams) is kept:
    # the directory then stays, and the last line says where.
    touch "$dir/.start"
    trap 'kill "$instrument" 2>/dev/null; demo_end' EXIT
    # The instrument names its pseudo-terminal on its first line.
    for _ in $(seq 100); do
        [ -s "$dir/instrument" ] && break
        sleep 0.1
    done
    device=$(head -n 1 "$dir/instrument")
    echo "Simuliertes Gerät an /dev/$device. Im Programmfenster F11 drücken."
    # The port discovery's scratch file goes into the demo directory, not into the real home.
    (cd "$dir" && HOME="$dir" ./quirlo --port "$device=Devices/demo.set" --commands Cmd/demo.cml \
        --program Run/demo.run "$@")
}

# Runs every coverage-guided fuzz target of build-fuzz for the given seconds, over its kept
# corpus in tests/fuzz/corpus (found inputs stay there as regression cases) and a scratch corpus
# of this run. Prints each target's executions and coverage; fails on a crash, a leak of the
# sanitizers or an input that takes more than a second.
fuzz() {
    local seconds=$1 scratch target name status=0 line top=$PWD
    scratch=$(mktemp -d)
    # One target per core at a time.
    for target in build-fuzz/tests/fuzz/*_fuzz; do
        name=$(basename "$target" _fuzz)
        mkdir -p "$scratch/$name"
        (
            cd "$scratch" && ASAN_OPTIONS=detect_leaks=0 "$top/$target" -max_total_time="$seconds" -timeout=1 \
                -rss_limit_mb=2048 -print_final_stats=1 "$scratch/$name" "$top/tests/fuzz/corpus/$name" \
                >"$scratch/$name.log" 2>&1
            echo $? >"$scratch/$name.status"
        ) &
        while (($(jobs -rp | wc -l) >= $(nproc))); do
            wait -n
        done
    done
    wait
    for target in build-fuzz/tests/fuzz/*_fuzz; do
        name=$(basename "$target" _fuzz)
        if [ "$(cat "$scratch/$name.status")" != 0 ]; then
            tail -n 40 "$scratch/$name.log"
            status=1
        fi
        line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$scratch/$name.log" | tail -n 1 || true)
        echo "fuzz $name: ${line:-no summary}"
    done
    rm -rf "$scratch"
    return $status
}

# Runs the tests that match the pattern the given number of times each, several at once, while
# two busy processes per core load the machine; prints every hang and failure, and fails on one.
stress() {
    local runs=$1 pattern=$2 cores load=() status=0 log
    cores=$(nproc)
    for _ in $(seq $((2 * cores))); do
        (while :; do :; done) &
        load+=($!)
    done
    trap 'kill "${load[@]}" 2>/dev/null' EXIT
    log=$(cd build && ctest -R "$pattern" -j $((2 * cores)) --repeat until-fail:"$runs" 2>&1) || status=1
    kill "${load[@]}" 2>/dev/null
    trap - EXIT
    printf '%s\n' "$log" | grep -E '\*\*\*|tests passed|Total Test time' || true
    echo "stress: $(printf '%s\n' "$log" | grep -c 'Test *#') runs under load;" \
        "$(printf '%s\n' "$log" | grep -c '\*\*\*Timeout') hung, $(printf '%s\n' "$log" | grep -c '\*\*\*Failed') failed"
    return $status
}

# Runs a step and says how long it took.
timed() {
    local start=$SECONDS status=0
    "$@" || status=$?
    echo "time: $1${2:+ $2}: $((SECONDS - start)) s"
    return $status
}

case "${1:-}" in
demo)
    install_missing xterm
    build_to_start
    shift
    demo "$@"
    ;;
run)
    # Port discovery and authorisation run their commands in xterm; the tests use stand-ins.
    install_missing xterm
    build_to_start
    exec ./build/quirlo
    ;;
test)
    timed install_missing
    timed build build
    # Light optimisation and line tables only: the sanitizers find the same faults, with file and
    # line in their reports, at half the compile time.
    timed build build-sanitize -DQUIRLO_SANITIZE=ON -DQUIRLO_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1"
    timed run_tests build
    # GTK keeps its own allocations until exit, so leak reports would be noise.
    (
        export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        timed run_tests build-sanitize
    )
    # The fuzz targets need clang; they build only the logic.
    CC=clang CXX=clang++ timed build build-fuzz -DQUIRLO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fuzz_failed=0
    timed fuzz "${QUIRLO_FUZZ_SECONDS:-15}" || fuzz_failed=1
    read -r plain_passed plain_failed <build/.counts
    read -r sanitized_passed sanitized_failed <build-sanitize/.counts
    passed=$((plain_passed + sanitized_passed))
    failed=$((plain_failed + sanitized_failed + fuzz_failed))
    echo "$passed passed, $failed failed (plain build: $plain_passed passed, $plain_failed failed;" \
        "sanitizer build: $sanitized_passed passed, $sanitized_failed failed; fuzz targets: $fuzz_failed failed)"
    ((failed == 0))
    ;;
stress)
    install_missing
    build build
    # The runner, the serial layer and the harness by default: the tests that wait for devices
    # and timers.
    stress "${2:-20}" "${3:-^(Runner|RunControl|SerialExchange|SerialPort|NetworkPort|SerialFaults|QuirloTest|Timers)\.}"
    ;;
*)
    echo "usage: $0 demo|run|test|stress [RUNS [PATTERN]]" >&2
    exit 2
    ;;
esac
