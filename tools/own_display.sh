#!/bin/bash
# Runs the command on a virtual X server of its own and ends the server with it. GUI tests that
# run side by side then never share a clipboard, a keyboard focus or a pointer. The server
# chooses a free display itself (-displayfd), so that two starts cannot race for one number.
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/own-display-XXXXXX")
mkfifo "$dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT
# The number arrives once the server takes clients; nothing arrives when it failed to start.
read -r number <"$dir/display" || true
if [ -z "${number:-}" ]; then
    echo "own_display: Xvfb did not start:" >&2
    cat "$dir/log" >&2
    exit 1
fi
DISPLAY=":$number" "$@"
