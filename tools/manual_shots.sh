#!/usr/bin/env bash
# Makes the pictures of the manual's section "Das erste Gerät" from the real windows: Quirlo
# with the simulated instrument on a virtual X server of its own, each window taken as it shows.
# Needs a build (build/quirlo, build/sim_instrument) and Xvfb, xdotool, xwd (x11-apps),
# ImageMagick and img2pdf; writes doc/images/*.pdf, which the manual's build takes as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xserver=$!
trap 'kill "$instrument" "$quirlo" "$xserver" 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display HOME=$work
mkdir -p "$work/Devices" "$work/Cmd" "$work/Run" "$work/Log" "$work/bin"
cp build/quirlo "$work/"
cp examples/demo.set "$work/Devices/"
cp examples/demo.cml "$work/Cmd/"
cp examples/demo.run "$work/Run/"
# No port authorisation question on this machine.
printf '#!/bin/sh\nexit 0\n' >"$work/bin/xterm"
chmod +x "$work/bin/xterm"
cat >"$work/Quirlo.ini" <<'INI'
[WINDOWPOS]
WinCmdOn=1
WinCmdX=10
WinCmdY=10
WinPrgOn=1
WinPrgX=640
WinPrgY=10
WinPtkOn=1
WinPtkX=640
WinPtkY=520
WinSetOn=1
WinSetX=10
WinSetY=520
[PROTOKOLL]
ProtAsList=1
ProtAsTable=0
[DIREKTEINGABE]
Open=1
X=10
Y=400
INI
build/sim_instrument >"$work/instrument" &
instrument=$!
for _ in $(seq 50); do [ -s "$work/instrument" ] && break; sleep 0.1; done
device=$(head -n 1 "$work/instrument")
(cd "$work" && PATH="$work/bin:$PATH" ./quirlo --port "$device=Devices/demo.set" --commands Cmd/demo.cml \
    --program Run/demo.run) &
quirlo=$!
sleep 3

# One window as the screen shows it, as a PDF picture for the manual.
shoot() {
    local title=$1 name=$2 id
    id=$(xdotool search --name "^$title\$" | head -n 1)
    xdotool windowraise "$id"
    sleep 0.5
    xwd -id "$id" -silent | convert xwd:- "$work/$name.png"
    img2pdf --output "doc/images/$name.pdf" "$work/$name.png"
}

# A first line in the direct input, sent with Return.
direct=$(xdotool search --name "^Quirlo - Direkteingabe\$" | head -n 1)
xdotool windowfocus --sync "$direct"
xdotool type --delay 20 '*IDN?'
xdotool key Return
sleep 1
shoot "Quirlo - Einstellungen" einstellungen
shoot "Quirlo - Protokoll" protokoll
shoot "Quirlo - Programm" programm
echo "doc/images: $(cd doc/images && ls)"
